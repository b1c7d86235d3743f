// The constant lookup tables of the checksum update.
#pragma once

#include <cstdint>

constexpr int CrcTableRows = 8;

extern const uint32_t CrcTables[CrcTableRows][256];
