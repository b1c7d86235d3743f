// Computes the windowed checksum of an open file, reading it in large pieces.
#include "apply/checksum.h"

#include <algorithm>

#include "container/patch_block.h"
#include "platform/platform.h"

// Pieces this large keep the platform calls rare next to the work on the bytes.
constexpr int32_t CrcReadPiece = 65536;

bool CrcOfRange(FileObject& File, int32_t First, int32_t End, uint32_t& Register)
{
    if (End <= First)
        return true;
    uint8_t Buffer[CrcReadPiece];
    PlatformSeek(File, First); // a position outside the file makes the first read fail
    for (int64_t Left = (int64_t)End - First; Left > 0; Left -= CrcReadPiece) {
        int32_t Piece = (int32_t)std::min<int64_t>(Left, CrcReadPiece);
        if (!ReadBlock(File, Buffer, Piece))
            return false;
        Register = CrcUpdate(Register, Buffer, Piece);
    }
    return true;
}

bool WindowedCrc(FileObject& File, int32_t WindowStart, int32_t WindowLength, uint32_t& Crc)
{
    int32_t Size = PlatformFileSize(File);
    Crc = 0xFFFFFFFF;
    if (WindowLength == 0)
        return CrcOfRange(File, 0, Size, Crc);
    // A window reaching past the end leaves nothing behind it; one ending before position 0
    // leaves a range that starts outside the file.
    int64_t WindowEnd = (int64_t)WindowStart + WindowLength;
    int32_t Resume = (int32_t)std::clamp<int64_t>(WindowEnd, INT32_MIN, Size);
    return CrcOfRange(File, 0, WindowStart, Crc) && CrcOfRange(File, Resume, Size, Crc);
}

bool WindowedCrcMatches(FileObject& File, int32_t WindowStart, int32_t WindowLength, uint32_t Stored)
{
    uint32_t Crc = 0;
    return WindowedCrc(File, WindowStart, WindowLength, Crc) && Crc == Stored;
}
