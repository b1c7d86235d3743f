// Builds the suffix array of the old file with libdivsufsort and searches it by binary search
// inside the range of suffixes that share the text's first two bytes.
#include "tools/builder/suffix_index.h"

#include <divsufsort.h>

#include <algorithm>
#include <cstring>
#include <thread>

static_assert(sizeof(saidx_t) == sizeof(int32_t), "the suffix array holds 32-bit positions");

constexpr int GramFilterBits = 25;

uint32_t GramHash(const uint8_t* Gram, int Bits)
{
    uint64_t Value;
    std::memcpy(&Value, Gram, sizeof Value);
    return (uint32_t)((Value * 0x9E3779B97F4A7C15ull) >> (64 - Bits));
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
    Index.GramBits.assign(((size_t)1 << GramFilterBits) / 64, 0);
    for (int32_t Pos = 0; Pos + GramLength <= Index.Size; Pos++) {
        uint32_t Hash = GramHash(Index.Data + Pos, GramFilterBits);
        Index.GramBits[Hash >> 6] |= 1ull << (Hash & 63);
    }
}

// The single-byte last suffix sorts before every longer suffix with its byte, so it is filed
// under that byte followed by 0 without breaking the order of the table.
static void FillPairStart(SuffixIndex& Index)
{
    Index.PairStart.assign(65537, Index.Size);
    for (int32_t Entry = Index.Size - 1; Entry >= 0; Entry--) {
        int32_t Pos = Index.Order[Entry];
        int32_t Pair = Index.Data[Pos] << 8;
        if (Pos + 1 < Index.Size)
            Pair |= Index.Data[Pos + 1];
        Index.PairStart[Pair] = Entry;
    }
    for (int32_t Pair = 65535; Pair >= 0; Pair--)
        if (Index.PairStart[Pair] > Index.PairStart[Pair + 1])
            Index.PairStart[Pair] = Index.PairStart[Pair + 1];
}

void BuildSuffixIndex(SuffixIndex& Index, const uint8_t* Data, int32_t Size)
{
    Index.Data = Data;
    Index.Size = Size;
    Index.Order.assign(Size, 0);
    std::thread Filter(FillGramBits, std::ref(Index));
    if (Size > 0)
        divsufsort(Data, Index.Order.data(), Size);
    Filter.join();
    FillPairStart(Index);
}

bool MayContainGram(const SuffixIndex& Index, const uint8_t* Gram)
{
    uint32_t Hash = GramHash(Gram, GramFilterBits);
    return (Index.GramBits[Hash >> 6] >> (Hash & 63)) & 1;
}

// Common prefix of Text with the suffix at Entry, knowing that the first Known bytes agree.
static int32_t MatchAt(const SuffixIndex& Index, int32_t Entry, const uint8_t* Text, int32_t TextLength, int32_t Known)
{
    int32_t Pos = Index.Order[Entry];
    int32_t Limit = std::min(TextLength, Index.Size - Pos);
    return Known + CommonLength(Text + Known, Index.Data + Pos + Known, Limit - Known);
}

// True when the suffix at Entry sorts before Text, given that they share Common bytes.
static bool SuffixBeforeText(const SuffixIndex& Index, int32_t Entry, const uint8_t* Text, int32_t TextLength, int32_t Common)
{
    int32_t Pos = Index.Order[Entry];
    if (Common == TextLength)
        return false;
    if (Pos + Common == Index.Size)
        return true;
    return Index.Data[Pos + Common] < Text[Common];
}

int32_t FindLongestMatch(const SuffixIndex& Index, const uint8_t* Text, int32_t TextLength, int32_t& Position)
{
    if (TextLength < 2 || Index.Size < 2)
        return 0;
    int32_t Pair = (Text[0] << 8) | Text[1];
    int32_t Low = Index.PairStart[Pair];
    int32_t High = Index.PairStart[Pair + 1] - 1;
    if (Low > High)
        return 0;
    int32_t LowCommon = MatchAt(Index, Low, Text, TextLength, 0);
    int32_t HighCommon = MatchAt(Index, High, Text, TextLength, 0);
    // Invariant: the suffixes between Low and High hold every suffix that could match longer.
    while (High - Low > 1) {
        int32_t Mid = Low + (High - Low) / 2;
        int32_t Common = MatchAt(Index, Mid, Text, TextLength, std::min(LowCommon, HighCommon));
        if (Common == TextLength) {
            Position = Index.Order[Mid];
            return Common;
        }
        if (SuffixBeforeText(Index, Mid, Text, TextLength, Common)) {
            Low = Mid;
            LowCommon = Common;
        } else {
            High = Mid;
            HighCommon = Common;
        }
    }
    Position = Index.Order[LowCommon >= HighCommon ? Low : High];
    return std::max(LowCommon, HighCommon);
}
