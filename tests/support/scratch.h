// Scratch folders and files for tests, and the state set-up that points the applier at them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/patch_writer.h"

// A fresh, empty folder under the system's temporary directory, private to this process;
// removed by RemoveScratch.
std::string MakeScratch(const std::string& Label);
void RemoveScratch(const std::string& Folder);

// A fresh scratch folder with an empty temporary folder inside; State.TempDir is set to the
// latter and the scratch folder returned, both ending with a separator.
std::string MakeScratchDir();
void RemoveScratchDir(const std::string& ScratchDir);
std::vector<std::string> TempDirFiles(); // names in State.TempDir, sorted

void WriteBytes(const std::string& Path, const std::vector<uint8_t>& Bytes);
std::vector<uint8_t> ReadBytes(const std::string& Path); // empty when missing
bool Exists(const std::string& Path);
std::vector<std::string> ListFolder(const std::string& Folder); // names, sorted
std::vector<uint8_t> Bytes(const std::string& Text);

// Serialises Spec into Path; fails the current test when the writer refuses it.
void WritePatch(const PatchSpec& Spec, const std::string& Path);

// The stored checksum of Bytes with a window left out (the register is not inverted).
uint32_t StoredCrc(const std::vector<uint8_t>& Bytes, int32_t WindowStart = 0, int32_t WindowLength = 0);
