// The header and leading fields of the patch being built, checked against what the format and
// the applier accept.
#pragma once

#include <string>

#include "tools/builder/create_options.h"
#include "tools/writer/patch_writer.h"

// Sets mode, description, backup directory and registry location of Layout; false with a reason
// when one of them cannot be carried.
bool PrepareHead(const CreateOptions& Options, PatchSpec& Layout, std::string& Error);
