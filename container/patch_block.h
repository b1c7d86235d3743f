// Reads and checks the patch block, keeps its payload in a temporary file, and owns the shared
// services of temporary names, exact block I/O, cleanup and the abort.
#pragma once

#include <cstdint>
#include <string>

#include "core/file_object.h"

// How many fresh names a temporary file is tried under before the attempt is given up.
constexpr int TempNameAttempts = 64;

void InitTempDir();
std::string MakeTempName();
bool ReadBlock(FileObject& File, void* Buffer, int32_t Count);
// The same from Position on, without a seek of its own; the file's position is left undefined.
bool ReadBlockAt(FileObject& File, int32_t Position, void* Buffer, int32_t Count);
bool WriteBlock(FileObject& File, const void* Buffer, int32_t Count);
void ReadPayload(void* Buffer, int32_t Count);
std::string ReadPayloadString();
void CreatePayloadBuffer();
void ReadPatchBlock();
void ShowDescription(const uint8_t* Text);
void DecodeDescription();
uint8_t OemToAnsi(uint8_t Byte);
void CloseWorkFiles();
void Cleanup();
[[noreturn]] void AbortWithText(const std::string& Text);
[[noreturn]] void AbortWithMessage(int N);

// Header fields of the last read.
int32_t HeaderVersion();
uint8_t HeaderMode();
uint8_t HeaderFlags();
uint16_t HeaderDescriptionLength();
