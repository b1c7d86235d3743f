// The command line of tarnwel-build create, parsed into plain fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CrcWindowOption {
    std::string Name; // stored form, "\" between parts
    int32_t Start = 0;
    int32_t Length = 0;
};

struct CreateOptions {
    std::string OutputPath;
    std::vector<std::string> OldPaths; // oldest first
    std::string NewPath;
    bool MultiFile = false;            // the releases are directories
    bool HasDescription = false;
    std::string Description;           // UTF-8, from --description or --description-file
    std::string BackupDirName = "backup";
    bool HasRegistry = false;
    std::string RegistryKeyPath;
    std::string RegistryValueName;
    std::vector<std::string> OptionalGlobs;
    std::vector<CrcWindowOption> Windows;
    std::string StubPath;              // empty: write a plain patch file
    int Jobs = 0;                      // 0: one per core
    bool Quiet = false;
    bool StoredSize = false;           // make the patch as stored smallest, not as compressed
};

enum class ParseOutcome { Ready, Help, Usage };

extern const char CreateHelp[];

// Usage: Error says what is wrong with the command line.
ParseOutcome ParseCreateOptions(int argc, char** argv, CreateOptions& Options, std::string& Error);
