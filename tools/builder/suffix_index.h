// A suffix array over the old file, with a table of leading byte pairs and a presence filter of
// eight-byte strings, for finding the longest match of any string in the old file.
#pragma once

#include <cstdint>
#include <vector>

constexpr int32_t GramLength = 8;

struct SuffixIndex {
    const uint8_t* Data = nullptr;
    int32_t Size = 0;
    std::vector<int32_t> Order;       // start positions of all suffixes, in sorted order
    std::vector<int32_t> PairStart;   // 65537 entries: first entry of Order for each leading byte pair
    std::vector<uint64_t> GramBits;   // one bit per hash of the eight-byte strings of Data
};

// Builds the index of Data, which must outlive it. Sorting runs beside the filter on a second thread.
void BuildSuffixIndex(SuffixIndex& Index, const uint8_t* Data, int32_t Size);

// False when the eight bytes at Gram occur nowhere in the data (true may be a false alarm).
bool MayContainGram(const SuffixIndex& Index, const uint8_t* Gram);

// Length of the longest common prefix of Text (TextLength bytes) with any suffix of the data;
// Position receives where that suffix starts. Returns 0 when not even two bytes match.
int32_t FindLongestMatch(const SuffixIndex& Index, const uint8_t* Text, int32_t TextLength, int32_t& Position);

// Number of equal leading bytes of A and B, at most Limit.
int32_t CommonLength(const uint8_t* A, const uint8_t* B, int32_t Limit);

// The hash of eight bytes that both filters of the builder use.
uint32_t GramHash(const uint8_t* Gram, int Bits);
