// Suffix arrays over the old file, with a table of leading byte pairs and a presence filter of
// eight-byte strings, for finding the longest match of any string in the old file.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

constexpr int32_t GramLength = 8;

// The suffixes of Data[Start] to Data[Start + Size - 1], sorted; a large file is indexed in two
// overlapping parts so that both cores can sort.
struct SuffixPart {
    int32_t Start = 0;
    int32_t Size = 0;
    std::unique_ptr<int32_t[]> Order; // start positions relative to Start, in sorted order
    std::vector<int32_t> PairStart;   // 65537 entries: first entry of Order for each leading byte pair
};

struct SuffixIndex {
    const uint8_t* Data = nullptr;
    int32_t Size = 0;
    std::vector<SuffixPart> Parts;
    std::vector<uint64_t> GramBits; // one bit per hash of the eight-byte strings of Data
    int GramHashBits = 0;           // width of those hashes, grown with the data
};

// Builds the index of Data, which must outlive it.
void BuildSuffixIndex(SuffixIndex& Index, const uint8_t* Data, int32_t Size);

// False when the eight bytes at Gram occur nowhere in the data (true may be a false alarm).
bool MayContainGram(const SuffixIndex& Index, const uint8_t* Gram);

// Length of the longest common prefix of Text (TextLength bytes) with any suffix of the data,
// as far as the parts reach; Position receives where that suffix starts. Returns 0 when not
// even two bytes match.
int32_t FindLongestMatch(const SuffixIndex& Index, const uint8_t* Text, int32_t TextLength, int32_t& Position);

// Number of equal leading bytes of A and B, at most Limit.
int32_t CommonLength(const uint8_t* A, const uint8_t* B, int32_t Limit);

// The hash of eight bytes that the filters of the builder use, Bits wide.
uint32_t GramHash(const uint8_t* Gram, int Bits);

// The fewest bits, from Least up to Most, that number at least Entries table slots.
int TableBits(int64_t Entries, int Least, int Most);
