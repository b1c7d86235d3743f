// Builds the suffix arrays of the old file with libdivsufsort, two halves on two threads, and
// searches each by binary search inside the range of suffixes that share the text's first two
// bytes.
#include "tools/builder/suffix_index.h"

#include <divsufsort.h>

#include <algorithm>
#include <cstring>
#include <thread>

static_assert(sizeof(saidx_t) == sizeof(int32_t), "the suffix array holds 32-bit positions");

constexpr int32_t SplitSize = 1 << 20;     // smaller files are sorted in one piece
constexpr int32_t PartOverlap = 1 << 16;   // how far matches from the first half may reach into the second

uint32_t GramHash(const uint8_t* Gram, int Bits)
{
    uint64_t Value;
    std::memcpy(&Value, Gram, sizeof Value);
    return (uint32_t)((Value * 0x9E3779B97F4A7C15ull) >> (64 - Bits));
}

int TableBits(int64_t Entries, int Least, int Most)
{
    int Bits = Least;
    while (Bits < Most && ((int64_t)1 << Bits) < Entries)
        Bits++;
    return Bits;
}

int32_t CommonLength(const uint8_t* A, const uint8_t* B, int32_t Limit)
{
    int32_t Length = 0;
    while (Limit - Length >= 8) {
        uint64_t X, Y;
        std::memcpy(&X, A + Length, 8);
        std::memcpy(&Y, B + Length, 8);
        if (X != Y)
            return Length + __builtin_ctzll(X ^ Y) / 8; // little-endian loads: lowest byte first
        Length += 8;
    }
    while (Length < Limit && A[Length] == B[Length])
        Length++;
    return Length;
}

static void FillGramBits(SuffixIndex& Index)
{
    Index.GramHashBits = TableBits((int64_t)Index.Size * 4, 12, 25);
    Index.GramBits.assign(((size_t)1 << Index.GramHashBits) / 64, 0);
    for (int32_t Pos = 0; Pos + GramLength <= Index.Size; Pos++) {
        uint32_t Hash = GramHash(Index.Data + Pos, Index.GramHashBits);
        Index.GramBits[Hash >> 6] |= 1ull << (Hash & 63);
    }
}

// Counts the suffixes of each leading byte pair. The single-byte last suffix sorts before every
// longer suffix with its byte, so it is counted under that byte followed by 0 without breaking
// the order of the table.
static void FillPairStart(SuffixPart& Part, const uint8_t* Data)
{
    Part.PairStart.assign(65537, 0);
    for (int32_t Pos = 0; Pos + 1 < Part.Size; Pos++)
        Part.PairStart[(Data[Pos] << 8 | Data[Pos + 1]) + 1]++;
    if (Part.Size > 0)
        Part.PairStart[(Data[Part.Size - 1] << 8) + 1]++;
    for (int32_t Pair = 1; Pair <= 65536; Pair++)
        Part.PairStart[Pair] += Part.PairStart[Pair - 1];
}

static void SortPart(SuffixPart& Part, const uint8_t* Data)
{
    Part.Order.reset(new int32_t[std::max(Part.Size, 1)]);
    if (Part.Size > 0)
        divsufsort(Data + Part.Start, Part.Order.get(), Part.Size);
    FillPairStart(Part, Data + Part.Start);
}

static void SortSecondHalf(SuffixIndex& Index)
{
    SortPart(Index.Parts[1], Index.Data);
    FillGramBits(Index);
}

void BuildSuffixIndex(SuffixIndex& Index, const uint8_t* Data, int32_t Size)
{
    Index.Data = Data;
    Index.Size = Size;
    if (Size < SplitSize) {
        Index.Parts.resize(1);
        Index.Parts[0].Size = Size;
        SortPart(Index.Parts[0], Data);
        FillGramBits(Index);
        return;
    }
    Index.Parts.resize(2);
    int32_t Half = Size / 2;
    Index.Parts[0].Size = Half + PartOverlap;
    Index.Parts[1].Start = Half;
    Index.Parts[1].Size = Size - Half;
    std::thread Second(SortSecondHalf, std::ref(Index));
    SortPart(Index.Parts[0], Data);
    Second.join();
}

bool MayContainGram(const SuffixIndex& Index, const uint8_t* Gram)
{
    uint32_t Hash = GramHash(Gram, Index.GramHashBits);
    return (Index.GramBits[Hash >> 6] >> (Hash & 63)) & 1;
}

// Common prefix of Text with the suffix at Entry, knowing that the first Known bytes agree.
static int32_t MatchAt(const SuffixPart& Part, const uint8_t* Data, int32_t Entry, const uint8_t* Text,
                       int32_t TextLength, int32_t Known)
{
    int32_t Pos = Part.Order[Entry];
    int32_t Limit = std::min(TextLength, Part.Size - Pos);
    return Known + CommonLength(Text + Known, Data + Pos + Known, Limit - Known);
}

// True when the suffix at Entry sorts before Text, given that they share Common bytes.
static bool SuffixBeforeText(const SuffixPart& Part, const uint8_t* Data, int32_t Entry, const uint8_t* Text,
                             int32_t TextLength, int32_t Common)
{
    int32_t Pos = Part.Order[Entry];
    if (Common == TextLength)
        return false;
    if (Pos + Common == Part.Size)
        return true;
    return Data[Pos + Common] < Text[Common];
}

static int32_t FindInPart(const SuffixPart& Part, const uint8_t* Data, const uint8_t* Text, int32_t TextLength,
                          int32_t& Position)
{
    int32_t Pair = (Text[0] << 8) | Text[1];
    int32_t Low = Part.PairStart[Pair];
    int32_t High = Part.PairStart[Pair + 1] - 1;
    if (Low > High)
        return 0;
    int32_t LowCommon = MatchAt(Part, Data, Low, Text, TextLength, 0);
    int32_t HighCommon = MatchAt(Part, Data, High, Text, TextLength, 0);
    // The suffixes from Low to High hold every suffix that could match longer.
    while (High - Low > 1) {
        int32_t Mid = Low + (High - Low) / 2;
        int32_t Common = MatchAt(Part, Data, Mid, Text, TextLength, std::min(LowCommon, HighCommon));
        if (Common == TextLength) {
            Position = Part.Order[Mid];
            return Common;
        }
        if (SuffixBeforeText(Part, Data, Mid, Text, TextLength, Common)) {
            Low = Mid;
            LowCommon = Common;
        } else {
            High = Mid;
            HighCommon = Common;
        }
    }
    Position = Part.Order[LowCommon >= HighCommon ? Low : High];
    return std::max(LowCommon, HighCommon);
}

int32_t FindLongestMatch(const SuffixIndex& Index, const uint8_t* Text, int32_t TextLength, int32_t& Position)
{
    int32_t Best = 0;
    if (TextLength < 2)
        return 0;
    for (const SuffixPart& Part : Index.Parts) {
        int32_t Found = 0;
        int32_t Length = Part.Size >= 2 ? FindInPart(Part, Index.Data + Part.Start, Text, TextLength, Found) : 0;
        if (Length > Best) {
            Best = Length;
            Position = Part.Start + Found;
        }
    }
    return Best;
}
