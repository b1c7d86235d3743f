// What a command list costs once coded: number widths under a number range and the sizes of the
// five sub-streams.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/writer/command_encoder.h"
#include "tools/writer/delta_commands.h"

// The largest magnitude that a number may take under a number range.
int64_t LargestMagnitude(int64_t Range);

// Bits (eight per byte) that one number costs in sub-streams 0, 1 and 2 together.
int32_t NumberCostBits(int64_t Value, int64_t Range);

// Literal pieces of a literal of Total bytes: the last piece takes a remainder below twice the
// block size whole.
int32_t LiteralPieceCount(int32_t Total, int32_t BlockSize);

// Byte counts of the five sub-streams that the commands code into under the settings.
struct StreamSizes {
    int64_t Bytes[5] = {};
    int64_t Total() const { return Bytes[0] + Bytes[1] + Bytes[2] + Bytes[3] + Bytes[4]; }
};
StreamSizes CodedSizes(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings);
