// The two ways the checksum register takes in bytes; CrcUpdate picks one, tests check both.
#pragma once

#include <cstdint>

// Eight bytes per step through the constant tables; works everywhere.
uint32_t CrcUpdateSliced(uint32_t Register, const uint8_t* Bytes, int32_t Count);

// Sixteen-byte blocks by carry-less multiplication; call only when CrcFoldingAvailable().
uint32_t CrcUpdateFolded(uint32_t Register, const uint8_t* Bytes, int32_t Count);
bool CrcFoldingAvailable();
