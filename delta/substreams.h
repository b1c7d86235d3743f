// Cuts one variant's five sub-streams out of the payload and reads their bits and numbers.
#pragma once

#include <cstdint>
#include <string>

#include "core/file_object.h"

// The five sub-streams, by what they carry.
constexpr int NumberStream = 0;  // bytes of numbers, most significant first, and tail lengths
constexpr int PieceBitStream = 1; // 2nd and 3rd continuation bits, and the add-or-plain bit of literal pieces
constexpr int SignBitStream = 2; // sign and 1st continuation bit of every number
constexpr int LiteralStream = 3; // literal bytes
constexpr int TailStream = 4;    // tail bytes of copies

// The two bit readers.
constexpr int PieceBits = 0; // reads sub-stream 1
constexpr int SignBits = 1;  // reads sub-stream 2

// Copies Length bytes from the payload's position into the named file and reopens it for reading;
// false when the file cannot be made or written. A short payload ends the run.
bool ExtractSubStream(int32_t Length, FileObject& File, const std::string& Name);

// Cuts all five into fresh temporary files and starts both bit readers afresh.
void CutSubStreams(int32_t DeltaPosition, const int32_t* StreamLengths);

// Next bit of a bit reader, lowest bit of each byte first.
int ReadBit(int Reader);

// Next signed number; its width is bounded by the decoder's NumberRange.
int32_t ReadNumber();

// Next byte of sub-stream 0 (a number byte or a tail length); counts down CommandBytesLeft.
uint8_t ReadCommandByte();

// Next Count bytes of a sub-stream; false when it holds fewer.
bool TakeSubStreamBytes(int Stream, uint8_t* Into, int32_t Count);
