// Rebuilds the next version of a file from an old file and one variant's delta commands.
#pragma once

#include <cstdint>
#include <string>

#include "core/applier_state.h"

// Returns false when the old file is missing (MissingAllowed) or is not this variant (VerifyOld);
// aborts the run on a corrupt delta or a failing file. After a true result OutputName names the
// closed output and the payload stands just after the variant's delta; after a false one no
// output exists and the payload has not moved.
bool ReconstructFile(const SourceVariant& Variant, int32_t DeltaPosition, const std::string& OldPath,
                     std::string& OutputName, bool VerifyOld, bool MissingAllowed, int32_t ResultSize,
                     int32_t WindowStart, int32_t WindowLength);

// Appends Count bytes of the combined source at Position (old file below its size, the output
// from there on) to the output; false when a read or a write fails.
bool CopyFromSource(int32_t Position, int32_t Count);
