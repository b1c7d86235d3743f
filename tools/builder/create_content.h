// File contents for the builder: whole reads, comparisons and stored checksums that leave a
// window out.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/writer/patch_writer.h"

bool ReadWholeFile(const std::filesystem::path& Path, std::vector<uint8_t>& Bytes, std::string& Error);

// Same is true when both files have one size and the same bytes outside the window.
bool CompareOutsideWindow(const std::filesystem::path& A, const std::filesystem::path& B, const CrcWindowSpec& Window,
                          bool& Same, std::string& Error);

// The checksum the applier computes for the file with that window left out.
bool StoredCrcOfFile(const std::filesystem::path& Path, const CrcWindowSpec& Window, uint32_t& Crc, std::string& Error);
