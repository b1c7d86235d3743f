// Codes an explicit list of delta commands into the five sub-streams of one variant.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/applier_state.h"
#include "tools/writer/delta_commands.h"

struct EncodedDelta {
    std::vector<uint8_t> SubStreams[SubStreamCount];
    int32_t StreamLengths[SubStreamCount] = {};
};

// The largest value a number of these settings may need; it fixes how wide numbers can be.
int32_t NumberRangeOf(const DeltaSettings& Settings);

// The pieces a literal of Total bytes is cut into; empty when the block size is 0, which cuts
// nothing off.
std::vector<int32_t> LiteralPieceSizes(int32_t Total, int32_t BlockSize);

// Returns false, with the reason in Error, when a command cannot be coded under the settings:
// a number too wide for the range, a tail whose size differs from the tail length in force, a
// literal whose bytes or piece bits do not match its length.
bool EncodeCommands(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings,
                    EncodedDelta& Encoded, std::string& Error);
