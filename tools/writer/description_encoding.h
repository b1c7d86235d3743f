// Turns a description written in UTF-8 into the bytes a patch stores, and the applier's decoded
// form (Windows-1252) back into UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Line ends (LF, CR LF, CR) become the byte the applier shows as a line break. False with a
// reason when the text is not UTF-8, holds a character Windows-1252 lacks, holds "#%" (which
// ends a stored description), or is longer than the applier shows.
bool EncodeDescription(const std::string& Utf8, std::vector<uint8_t>& Stored, std::string& Error);

// The applier's decoded description, up to its terminating zero, as UTF-8 with LF line ends.
std::string DecodedDescriptionToUtf8(const uint8_t* Decoded);

