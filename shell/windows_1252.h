// The Windows-1252 character set, in which the window shows a patch's description.
#pragma once

#include <cstdint>
#include <string>

// The Unicode code point of a Windows-1252 byte; the five unassigned codes stand for the C1
// controls of the same number.
uint32_t Windows1252Code(uint8_t Byte);

// One Windows-1252 byte as UTF-8.
std::string Windows1252ToUtf8(uint8_t Byte);
