// The windowed checksum: a CRC-32 register over a file without one byte window, not inverted.
#pragma once

#include <cstdint>

#include "core/file_object.h"

uint32_t CrcUpdate(uint32_t Register, const uint8_t* Bytes, int32_t Count);
uint32_t CrcOfRange(FileObject& File, int32_t First, int32_t End, uint32_t Register);
uint32_t WindowedCrc(FileObject& File, int32_t WindowStart, int32_t WindowLength);
