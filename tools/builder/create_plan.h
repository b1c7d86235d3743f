// What the patch holds for one file of the new release, decided from the old releases.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/writer/patch_writer.h"

enum class FileAction {
    Unchanged, // every old release holds the new version already
    Embedded,  // carried whole
    Patched,   // a chain of deltas from the distinct old versions
};

// One distinct old version: the start of one variant, whose delta leads to the next version.
struct ChainLink {
    std::filesystem::path OldPath; // the oldest release's copy of this version
    int32_t OldSize = 0;
    uint32_t OldCrc = 0;
};

struct FilePlan {
    // Set before planning.
    std::string Name; // stored name (multi-file), the file's own name (single-file)
    std::filesystem::path NewPath;
    std::vector<std::filesystem::path> OldPaths; // one per old release, oldest first; empty: lacks it
    bool Optional = false;
    bool HasWindow = false;
    CrcWindowSpec Window;
    bool StoredSize = false; // deltas made smallest as stored, not as compressed
    uint32_t NewTime = 0;
    // Set by PlanFile.
    FileAction Action = FileAction::Unchanged;
    int32_t NewSize = 0;
    uint32_t NewCrc = 0;
    std::vector<ChainLink> Links; // in release order
    std::string Error;            // an input the format cannot express, or a read failure
};

// Decides the action and the chain; sizes must already be known to fit 32 bits. A single-file
// patch always gets its one patched-file record.
void PlanFile(FilePlan& Plan, bool SingleFile);
