// The builder's delta encoder: the command list that turns an old file into a new one with the
// fewest coded bytes that it can find.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/writer/delta_commands.h"

// Settings.BaseSize and Settings.ResultSize must hold the two sizes; LengthReuse, BlockSize and
// VariantFlags are chosen here. The commands rebuild New exactly from Old.
std::vector<DeltaCommand> MatchDelta(const std::vector<uint8_t>& Old, const std::vector<uint8_t>& New,
                                     DeltaSettings& Settings);
