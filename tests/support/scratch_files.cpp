// A scratch directory per test, holding the temporary directory, and whole-file reads and writes.
#include "tests/support/scratch_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "core/applier_state.h"

namespace fs = std::filesystem;

static std::string WithSeparator(const fs::path& Path)
{
    return Path.string() + (char)fs::path::preferred_separator;
}

std::string MakeScratchDir()
{
    std::random_device Random;
    fs::path Dir = fs::temp_directory_path() / ("tarnwel-test-" + std::to_string(Random()));
    fs::remove_all(Dir);
    fs::create_directories(Dir / "temp");
    State.TempDir = WithSeparator(Dir / "temp");
    return WithSeparator(Dir);
}

void RemoveScratchDir(const std::string& ScratchDir)
{
    std::error_code Ignored;
    fs::remove_all(fs::path(ScratchDir), Ignored);
}

void EmptyTempDir()
{
    for (const fs::directory_entry& Entry : fs::directory_iterator(fs::path(State.TempDir)))
        fs::remove_all(Entry.path());
}

std::vector<std::string> TempDirFiles()
{
    std::vector<std::string> Names;
    for (const fs::directory_entry& Entry : fs::directory_iterator(fs::path(State.TempDir)))
        Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
}

void WriteWholeFile(const std::string& Path, const std::vector<uint8_t>& Bytes)
{
    std::ofstream File(Path, std::ios::binary | std::ios::trunc);
    File.write((const char*)Bytes.data(), (std::streamsize)Bytes.size());
}

std::vector<uint8_t> ReadWholeFile(const std::string& Path)
{
    std::ifstream File(Path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> BytesOf(const std::string& Text)
{
    return std::vector<uint8_t>(Text.begin(), Text.end());
}
