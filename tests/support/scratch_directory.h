// Makes and removes a private directory under the platform's temporary directory for one test.
#pragma once

#include <string>

// A new, empty directory; the result ends with a separator, so names can be appended.
std::string MakeScratchDirectory();
// Removes the directory and everything in it.
void RemoveScratchDirectory(const std::string& Directory);
