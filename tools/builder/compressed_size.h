// How small a general-purpose compressor makes a command list once coded: the measure that the
// builder's default size goal makes smallest.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/writer/delta_commands.h"

// Bytes of the five sub-streams after deflate at its default level, which ranks command lists as
// xz and zip do; INT64_MAX when the commands cannot be coded under the settings.
int64_t CompressedSize(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings);
