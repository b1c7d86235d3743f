// Reads the record stream of patched and embedded files, one record per call.
#pragma once

#include <cstdint>

constexpr uint8_t RecordEnd = 0;
constexpr uint8_t RecordPatched = 1;
constexpr uint8_t RecordEmbedded = 2;

constexpr uint8_t RecordHasWindows = 0x01;
constexpr uint8_t RecordOptional = 0x02;

uint8_t ReadFileRecord();
