// Rebuilds the next version of a file from an old file and one variant's delta commands.
#pragma once

#include <cstdint>
#include <string>

#include "core/applier_state.h"

// Returns false when the old file is missing (MissingAllowed) or is not this variant (VerifyOld);
// aborts the run on a corrupt delta or a failing file.
bool ReconstructFile(const SourceVariant& Variant, int32_t DeltaPosition, const std::string& OldPath,
                     std::string& OutputName, bool VerifyOld, bool MissingAllowed, int32_t ResultSize,
                     int32_t WindowStart, int32_t WindowLength);
bool CopyFromSource(int32_t Position, int32_t Count);
