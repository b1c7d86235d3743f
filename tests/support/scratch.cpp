// Scratch folders and files for tests.
#include "tests/support/scratch.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <gtest/gtest.h>

#include "core/applier_state.h"

namespace fs = std::filesystem;

// Tests of several builds may run at once on one machine, so each process gets its own names.
static const std::string ProcessToken = std::to_string(std::random_device()());

std::string MakeScratch(const std::string& Label)
{
    fs::path Folder = fs::temp_directory_path() / ("tarnwel-test-" + ProcessToken + "-" + Label);
    std::error_code Ignored;
    fs::remove_all(Folder, Ignored);
    fs::create_directories(Folder);
    return Folder.string();
}

void RemoveScratch(const std::string& Folder)
{
    std::error_code Ignored;
    fs::remove_all(Folder, Ignored);
}

void WriteBytes(const std::string& Path, const std::vector<uint8_t>& Bytes)
{
    fs::create_directories(fs::path(Path).parent_path());
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out.write((const char*)Bytes.data(), (std::streamsize)Bytes.size());
}

std::vector<uint8_t> ReadBytes(const std::string& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& Path)
{
    return fs::exists(Path);
}

std::vector<std::string> ListFolder(const std::string& Folder)
{
    std::vector<std::string> Names;
    for (const auto& Entry : fs::directory_iterator(Folder))
        Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
}

std::vector<uint8_t> Bytes(const std::string& Text)
{
    return std::vector<uint8_t>(Text.begin(), Text.end());
}

void WritePatch(const PatchSpec& Spec, const std::string& Path)
{
    std::vector<uint8_t> Block;
    std::string Error;
    ASSERT_TRUE(SerialisePatch(Spec, Block, Error)) << Error;
    WriteBytes(Path, Block);
}

uint32_t StoredCrc(const std::vector<uint8_t>& Bytes, int32_t WindowStart, int32_t WindowLength)
{
    uint32_t Register = 0xFFFFFFFF;
    for (size_t I = 0; I < Bytes.size(); I++) {
        bool InWindow = WindowLength != 0 && (int64_t)I >= WindowStart && (int64_t)I < (int64_t)WindowStart + WindowLength;
        if (InWindow)
            continue;
        Register ^= Bytes[I];
        for (int Bit = 0; Bit < 8; Bit++)
            Register = (Register >> 1) ^ (0xEDB88320u & (0u - (Register & 1)));
    }
    return Register;
}

std::string MakeScratchDir()
{
    std::string Dir = MakeScratch("dir");
    fs::create_directories(fs::path(Dir) / "temp");
    State.TempDir = (fs::path(Dir) / "temp").string() + (char)fs::path::preferred_separator;
    return Dir + (char)fs::path::preferred_separator;
}

void RemoveScratchDir(const std::string& ScratchDir)
{
    RemoveScratch(ScratchDir);
}

std::vector<std::string> TempDirFiles()
{
    return ListFolder(State.TempDir);
}
