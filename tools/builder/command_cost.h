// What a command list costs once coded: number widths under a number range and the sizes of the
// five sub-streams.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/writer/command_encoder.h"
#include "tools/writer/delta_commands.h"

// The largest magnitude that a number may take under a number range.
int64_t LargestMagnitude(int64_t Range);

// Bits (eight per byte) that one number costs in sub-streams 0, 1 and 2 together: its bytes,
// the sign bit, and one continuation bit for each width step that the range allows and the
// number reaches or passes.
inline int32_t NumberCostBits(int64_t Value, int64_t Range)
{
    uint64_t Magnitude = Value < 0 ? 0 - (uint64_t)Value : (uint64_t)Value;
    int32_t Bits = 9;
    if (Range > 255)
        Bits += Magnitude > 255 ? 9 : 1;
    if (Range > 65535 && Magnitude > 255)
        Bits += Magnitude > 65535 ? 9 : 1;
    if (Range > 16777215 && Magnitude > 65535)
        Bits += Magnitude > 16777215 ? 9 : 1;
    return Bits;
}

// Literal pieces of a literal of Total bytes: the last piece takes a remainder below twice the
// block size whole.
inline int32_t LiteralPieceCount(int32_t Total, int32_t BlockSize)
{
    return Total < 2 * BlockSize ? 1 : Total / BlockSize;
}

// Byte counts of the five sub-streams that the commands code into under the settings.
struct StreamSizes {
    int64_t Bytes[5] = {};
    int64_t Total() const { return Bytes[0] + Bytes[1] + Bytes[2] + Bytes[3] + Bytes[4]; }
};
StreamSizes CodedSizes(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings);
