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
    int64_t HiddenStart = 0; // old bytes HiddenStart to HiddenEnd - 1 must never be read: they
    int64_t HiddenEnd = 0;   // differ from one installation to the next
};

// Where reading the old file from Source on must stop: the hidden bytes, or the file's end.
inline int64_t OldReadLimit(const DeltaFiles& Files, int64_t Source)
{
    return Source < Files.HiddenStart ? Files.HiddenStart : Files.OldSize;
}

// Whether Count old bytes from Pos on exist and are none of the hidden ones.
inline bool OldBytesReadable(const DeltaFiles& Files, int64_t Pos, int64_t Count)
{
    return Pos >= 0 && Pos + Count <= Files.OldSize && (Pos + Count <= Files.HiddenStart || Pos >= Files.HiddenEnd);
}

// Bytes of the combined source that a diagonal (source position minus new position) offers from
// new position Pos on, without crossing from the old file into the output; 0 when none.
inline int32_t SourceAvailable(const DeltaFiles& Files, int64_t Diagonal, int32_t Pos)
{
    int64_t Source = Pos + Diagonal;
    if (Source < 0)
        return 0;
    if (Source < Files.OldSize) {
        if (Source >= Files.HiddenStart && Source < Files.HiddenEnd)
            return 0;
        return (int32_t)std::min<int64_t>(OldReadLimit(Files, Source) - Source, Files.NewSize - Pos);
    }
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
