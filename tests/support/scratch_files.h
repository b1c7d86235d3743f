// A scratch directory per test, holding the temporary directory, and whole-file reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Makes a fresh scratch directory with an empty temporary directory inside, sets State.TempDir
// to the latter (with its separator) and returns the scratch directory, also with a separator.
std::string MakeScratchDir();

// Deletes the scratch directory made last, with everything in it.
void RemoveScratchDir(const std::string& ScratchDir);

// Deletes everything in State.TempDir.
void EmptyTempDir();

// Names of the entries of State.TempDir, sorted.
std::vector<std::string> TempDirFiles();

void WriteWholeFile(const std::string& Path, const std::vector<uint8_t>& Bytes);
std::vector<uint8_t> ReadWholeFile(const std::string& Path);
std::vector<uint8_t> BytesOf(const std::string& Text);
