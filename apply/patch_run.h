// One complete patch run: read the patch, find the target, check it, apply it.
#pragma once

#include <string>

void RunPatch();
bool SearchTarget(const std::string& Directory, int Depth);
