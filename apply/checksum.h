// The windowed checksum: a CRC-32 register over a file without one byte window, not inverted.
#pragma once

#include <cstdint>

#include "core/file_object.h"

// The register after taking in Count bytes in order; a Count of 0 or less leaves it unchanged.
uint32_t CrcUpdate(uint32_t Register, const uint8_t* Bytes, int32_t Count);

// Takes the file's bytes from First up to, not including, End into Register. False when one of
// them could not be read (the range leaves the file, or a read fails): Register then holds no
// checksum of anything and must not be compared.
[[nodiscard]] bool CrcOfRange(FileObject& File, int32_t First, int32_t End, uint32_t& Register);

// The checksum of the whole file without the window [WindowStart, WindowStart + WindowLength);
// a length of 0 leaves nothing out. False when a byte that should be taken in is missing (a window
// starting beyond the end of the file) or unreadable: such a file matches no stored checksum.
[[nodiscard]] bool WindowedCrc(FileObject& File, int32_t WindowStart, int32_t WindowLength, uint32_t& Crc);

// True when the file's windowed checksum is Stored; a file lacking a byte it needs never matches.
bool WindowedCrcMatches(FileObject& File, int32_t WindowStart, int32_t WindowLength, uint32_t Stored);
