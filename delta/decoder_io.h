// The decoder's access to the old file and to the output it builds, both through fixed buffers.
#pragma once

#include <cstdint>

#include "core/applier_state.h"

// Positions are 32-bit and wrap around; a wrapped position lies outside every file.
inline int32_t AddWrapped(int32_t A, int32_t B)
{
    return (int32_t)((uint32_t)A + (uint32_t)B);
}

// Exactly Count bytes of File at Position, where the file's readable bytes end at Limit; short
// reads are served from Cache. False on a short read or a bad position.
bool ReadThroughCache(FileObject& File, CacheSlots Cache, int32_t Limit, int32_t Position, uint8_t* Into, int32_t Count);
void EmptyReadCache(CacheSlots Cache);

// Exactly Count bytes of the old file at Position; false on a short read or a bad position.
bool ReadOldFile(int32_t Position, uint8_t* Into, int32_t Count);

// The output: what is already in its file, followed by what waits in the output buffer.
void ResetOutput();
int32_t OutputSize();
bool AppendOutput(const uint8_t* Bytes, int32_t Count);
bool FlushOutput(); // false when the write failed

// Free bytes at the end of the output buffer, flushing it first when it is full (0 when that
// failed); a caller fills them in place at OutputEnd() and then commits them.
int32_t OutputRoom();
uint8_t* OutputEnd();
void CommitOutput(int32_t Count);

// Exactly Count bytes of the output at Offset; false unless all of them have been produced.
bool ReadOutput(int32_t Offset, uint8_t* Into, int32_t Count);

// Reads Count bytes of the combined source at Position into the source half: from the old file
// while the most recent copy started in it (short read: message 2), otherwise from the output
// (short read: message 0).
void ReadSourceHalf(int32_t Position, int32_t Count);

// Adds the source half into the data half, byte by byte, modulo 256.
void AddSourceHalf(int32_t Count);

// One command each; the value 0 needs no procedure of its own.
void RunCopyCommand(int32_t Length);
void RunLiteralCommand(int32_t Value);
