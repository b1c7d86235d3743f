// The builder's delta encoder: the command list that turns an old file into a new one with the
// fewest coded bytes that it can find.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/writer/delta_commands.h"
#include "tools/writer/patch_writer.h"

// What the commands are made smallest as: the patch after a general-purpose compressor (xz,
// zip), as patches mostly travel, or the patch as it is stored.
enum class SizeGoal { Compressed, Stored };

// Settings.BaseSize and Settings.ResultSize must hold the two sizes; LengthReuse, BlockSize and
// VariantFlags are chosen here. The commands rebuild New exactly from Old and read none of the
// old bytes inside Window (bytes that differ between installations).
std::vector<DeltaCommand> MatchDelta(const std::vector<uint8_t>& Old, const std::vector<uint8_t>& New,
                                     DeltaSettings& Settings, const CrcWindowSpec& Window = CrcWindowSpec(),
                                     SizeGoal Goal = SizeGoal::Compressed);
