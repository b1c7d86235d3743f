// Variants for record-pass fixtures: deltas made through the command encoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/writer/patch_writer.h"

// A variant that accepts Old (by size and checksum) and produces Next from literal bytes.
VariantSpec LiteralVariant(const std::string& Name, const std::vector<uint8_t>& Old, const std::vector<uint8_t>& Next);

// A patched-file record whose chain runs through Versions: variant i accepts Versions[i] and
// produces Versions[i + 1]; the last entry is the new version.
RecordSpec ChainRecord(const std::string& Name, const std::vector<std::vector<uint8_t>>& Versions,
                       uint32_t NewTime = 0x2A210000);
