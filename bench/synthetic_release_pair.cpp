// Writes a deterministic old file and a new release of it for the patcher comparison: long copies
// of the old bytes, some with shifted 32-bit words as in a rebuilt program, between small edits,
// inserts, deletions and pieces copied from elsewhere in the old file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <vector>

// A fixed seed and std::mt19937_64, whose sequence the language fixes, give the same files on
// every machine; its raw values are used directly because the distributions are not fixed.
constexpr uint64_t Seed = 20240521;
constexpr size_t PageSize = 4096;

using Random = std::mt19937_64;

size_t Between(Random& Rng, size_t Low, size_t High)
{
    return Low + (size_t)(Rng() % (High - Low + 1));
}

// Half the pages are noise (packed data), half machine-code-like words drawn from a small table,
// which xz can squeeze a little, as it squeezes a real program.
std::vector<uint8_t> MakeOld(Random& Rng, size_t Size)
{
    std::vector<uint32_t> Words(512);
    for (uint32_t& Word : Words)
        Word = (uint32_t)Rng();
    std::vector<uint8_t> Old(Size);
    for (size_t Page = 0; Page < Size; Page += PageSize) {
        bool Noise = Rng() % 2 == 0;
        for (size_t At = Page; At < std::min(Size, Page + PageSize); At += 8) {
            uint64_t Value = Noise ? Rng() : Words[Rng() % Words.size()] | (uint64_t)Words[Rng() % 64] << 32;
            for (size_t Byte = 0; Byte < 8 && At + Byte < Size; Byte++)
                Old[At + Byte] = (uint8_t)(Value >> 8 * Byte);
        }
    }
    return Old;
}

void AppendNoise(Random& Rng, std::vector<uint8_t>& New, size_t Count)
{
    for (size_t Byte = 0; Byte < Count; Byte++)
        New.push_back((uint8_t)Rng());
}

// Copies Count old bytes from At; a shifted copy adds Shift to a 32-bit word every 32 to 512 bytes.
void AppendCopy(Random& Rng, std::vector<uint8_t>& New, const std::vector<uint8_t>& Old, size_t At, size_t Count,
                bool Shifted)
{
    size_t Start = New.size();
    New.insert(New.end(), Old.begin() + (ptrdiff_t)At, Old.begin() + (ptrdiff_t)(At + Count));
    if (!Shifted)
        return;
    uint32_t Shift = (uint32_t)Between(Rng, 16, 4096);
    for (size_t Word = Start + Between(Rng, 0, 64); Word + 4 <= New.size(); Word += Between(Rng, 32, 512)) {
        uint32_t Value = New[Word] | New[Word + 1] << 8 | New[Word + 2] << 16 | (uint32_t)New[Word + 3] << 24;
        Value += Shift;
        for (int Byte = 0; Byte < 4; Byte++)
            New[Word + Byte] = (uint8_t)(Value >> 8 * Byte);
    }
}

std::vector<uint8_t> MakeNew(Random& Rng, const std::vector<uint8_t>& Old)
{
    std::vector<uint8_t> New;
    New.reserve(Old.size() + Old.size() / 16);
    for (size_t At = 0; At < Old.size();) {
        size_t Run = std::min(Old.size() - At, Between(Rng, 16 << 10, 128 << 10));
        AppendCopy(Rng, New, Old, At, Run, Rng() % 5 == 0);
        At += Run;
        unsigned Event = (unsigned)(Rng() % 100);
        if (Event < 70) { // a few bytes changed in place
            size_t Count = std::min(Old.size() - At, Between(Rng, 1, 8));
            AppendNoise(Rng, New, Count);
            At += Count;
        } else if (Event < 85) {
            AppendNoise(Rng, New, Between(Rng, 16, 4096));
        } else if (Event < 95) {
            At += std::min(Old.size() - At, Between(Rng, 16, 4096));
        } else {
            size_t Count = std::min(Old.size(), Between(Rng, 4 << 10, 64 << 10));
            AppendCopy(Rng, New, Old, Between(Rng, 0, Old.size() - Count), Count, false);
        }
    }
    return New;
}

bool WriteWhole(const char* Path, const std::vector<uint8_t>& Bytes)
{
    std::ofstream Out(Path, std::ios::binary);
    Out.write((const char*)Bytes.data(), (std::streamsize)Bytes.size());
    return (bool)Out;
}

int main(int argc, char** argv)
{
    long SizeMb = argc == 4 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (SizeMb < 1 || SizeMb > 1024) {
        std::fprintf(stderr, "usage: synthetic_release_pair SIZE_MB OLD NEW (SIZE_MB from 1 to 1024)\n");
        return 1;
    }
    Random Rng(Seed);
    std::vector<uint8_t> Old = MakeOld(Rng, (size_t)SizeMb << 20);
    if (!WriteWhole(argv[2], Old)) {
        std::fprintf(stderr, "synthetic_release_pair: cannot write %s\n", argv[2]);
        return 2;
    }
    if (!WriteWhole(argv[3], MakeNew(Rng, Old))) {
        std::fprintf(stderr, "synthetic_release_pair: cannot write %s\n", argv[3]);
        return 2;
    }
    return 0;
}
