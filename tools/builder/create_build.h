// Builds the variants of one patched file: a delta from each distinct old version to the next.
#pragma once

#include <string>
#include <vector>

#include "tools/builder/create_plan.h"
#include "tools/writer/patch_writer.h"

struct BuiltFile {
    std::vector<VariantSpec> Variants; // one per link of the plan
    std::string Error;
};

// Safe to run for several files at once: it touches only Built and reads only Plan.
void BuildVariants(const FilePlan& Plan, BuiltFile& Built);
