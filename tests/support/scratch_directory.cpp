// Makes and removes a private directory under the platform's temporary directory for one test.
#include "tests/support/scratch_directory.h"

#include <filesystem>
#include <random>
#include <stdexcept>

#include "platform/platform.h"

std::string MakeScratchDirectory()
{
    std::string Temp = PlatformTempPath();
    if (Temp.empty() || (Temp.back() != '/' && Temp.back() != '\\'))
        Temp += '/';
    std::random_device Random;
    for (int Attempt = 0; Attempt < 100; Attempt++) {
        std::string Directory = Temp + "tarnwel-test-" + std::to_string(Random()) + "/";
        bool Made = PlatformMakeDirectory(Directory);
        PlatformTakeError();
        if (Made)
            return Directory;
    }
    throw std::runtime_error("cannot make a scratch directory in " + Temp);
}

void RemoveScratchDirectory(const std::string& Directory)
{
    std::error_code Ignored;
    std::filesystem::remove_all(std::filesystem::path(Directory), Ignored);
}
