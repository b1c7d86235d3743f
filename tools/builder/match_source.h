// The position space that copy commands address: the old file, then the new file as the output
// that is written so far, and the limits on reading either.
#pragma once

#include <algorithm>
#include <cstdint>

// Copies from the output stay this far behind the write position, so that every copy, tail and
// literal piece reads only bytes that exist when it runs, whatever its length.
constexpr int32_t MinOutputDistance = 1024;

struct DeltaFiles {
    const uint8_t* Old = nullptr;
    int32_t OldSize = 0;
    const uint8_t* New = nullptr;
    int32_t NewSize = 0;
};

// Bytes of the combined source that a diagonal (source position minus new position) offers from
// new position Pos on, without crossing from the old file into the output; 0 when none.
inline int32_t SourceAvailable(const DeltaFiles& Files, int64_t Diagonal, int32_t Pos)
{
    int64_t Source = Pos + Diagonal;
    if (Source < 0)
        return 0;
    if (Source < Files.OldSize)
        return (int32_t)std::min<int64_t>(Files.OldSize - Source, Files.NewSize - Pos);
    if (Diagonal > Files.OldSize - MinOutputDistance)
        return 0;
    return Files.NewSize - Pos;
}

// The source byte that a diagonal puts beside new position Pos; SourceAvailable must be above 0.
inline const uint8_t* SourceBytes(const DeltaFiles& Files, int64_t Diagonal, int32_t Pos)
{
    int64_t Source = Pos + Diagonal;
    return Source < Files.OldSize ? Files.Old + Source : Files.New + (Source - Files.OldSize);
}
