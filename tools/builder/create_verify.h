// Reads a finished patch back with the applier's own reader and decoder and checks that every
// delta rebuilds exactly the version it was made for.
#pragma once

#include <string>
#include <vector>

#include "tools/builder/create_options.h"
#include "tools/builder/create_plan.h"
#include "tools/builder/create_progress.h"

// Records lists the plans that got a record, in stream order; Bar advances once per record.
// False with a reason on the first difference; the temporary files of the check are gone
// either way.
bool VerifyPatch(const std::string& PatchPath, const CreateOptions& Options, const std::vector<const FilePlan*>& Records,
                 ProgressBar& Bar, std::string& Error);
