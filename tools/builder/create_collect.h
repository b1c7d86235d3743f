// Lists the files of the new release with their copies in the old releases, checks names and
// sizes against the format, and gathers the warnings about what a patch cannot carry.
#pragma once

#include <string>
#include <vector>

#include "tools/builder/create_options.h"
#include "tools/builder/create_plan.h"

struct Collection {
    std::vector<FilePlan> Plans;       // one per file of the new release, sorted by stored name
    std::vector<std::string> Warnings; // in a fixed order
};

// 0 when collected; otherwise the exit code (1: an option names a file the new release lacks,
// 2: an input the format cannot carry or a read failure) with Error set.
int CollectFiles(const CreateOptions& Options, Collection& Out, std::string& Error);
