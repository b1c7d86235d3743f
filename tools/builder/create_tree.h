// The files of one release: a directory walked into sorted stored names, or a single file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct ReleaseFile {
    std::string Name;           // stored form: "\" between the parts
    std::filesystem::path Path; // where it lies on disk
    uintmax_t Size = 0;
};

struct ReleaseTree {
    std::string Root;
    std::vector<ReleaseFile> Files;            // sorted by Name
    std::vector<std::string> EmptyDirectories; // stored form, sorted
};

// Walks Root; false with a reason on an unreadable directory, a link to a directory, something
// that is neither file nor directory, or a name part holding "\".
bool WalkRelease(const std::string& Root, ReleaseTree& Tree, std::string& Error);

// The release's file of that stored name, or nullptr.
const ReleaseFile* FindReleaseFile(const ReleaseTree& Tree, const std::string& Name);
