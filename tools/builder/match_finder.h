// Finds the stretches of the new file that follow a stretch of the combined source closely,
// allowing scattered differing bytes inside them.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/builder/match_source.h"
#include "tools/builder/suffix_index.h"

// New bytes NewStart to NewEnd - 1 lie beside the source bytes at the same position plus
// Diagonal; most are equal, the first and the last always.
struct MatchSegment {
    int32_t NewStart = 0;
    int32_t NewEnd = 0;
    int64_t Diagonal = 0;
};

// Segments in new-file order, not overlapping, covering nothing before new position Begin.
// OldIndex indexes Files.Old.
std::vector<MatchSegment> FindSegments(const DeltaFiles& Files, const SuffixIndex& OldIndex, int32_t Begin);
