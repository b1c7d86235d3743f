// Description bytes: UTF-8 to Windows-1252 to the stored byte the applier's table turns back into
// that Windows-1252 byte, and the reverse for showing a decoded description.
#include "tools/writer/description_encoding.h"

#include <cstdio>

#include "core/applier_state.h"

namespace {

// The applier's decoding table: the Windows-1252 byte shown for each stored byte.
constexpr uint8_t ShownForStored[256] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0xB6, 0xA7, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,
    0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0xFF, 0xD6, 0xDC, 0xA2, 0xA3, 0xA5, 0x9E, 0x9F,
    0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, 0xA9, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,
    0xF8, 0xA4, 0xFD, 0xB3, 0xB4, 0x91, 0x14, 0x9C, 0xB8, 0xB9, 0x15, 0xAF, 0xA6, 0xAE, 0xBE, 0xA8,
    0xC0, 0xC1, 0xC2, 0xC3, 0x8E, 0x8F, 0x92, 0x80, 0xC8, 0x90, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xD0, 0x9D, 0xD2, 0xD3, 0xD4, 0xD5, 0x99, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0x9A, 0xDD, 0xDE, 0x98,
    0x85, 0xDF, 0x83, 0xE3, 0x84, 0x86, 0xB5, 0x87, 0x8A, 0x82, 0x88, 0x89, 0x8D, 0xAD, 0x8C, 0x8B,
    0xF0, 0xB1, 0x95, 0x9B, 0x93, 0xF5, 0xF7, 0x94, 0xB0, 0x97, 0xB7, 0x96, 0x81, 0xB2, 0xFE, 0xA0,
};

// Unicode of the Windows-1252 bytes 0x80 to 0x9F.
constexpr uint16_t HighControlRow[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr uint8_t LineBreakByte = 0x01; // shown as a line break, and taking three display bytes
constexpr int32_t LineBreakDisplayBytes = 3;

uint32_t CodeOf(uint8_t Byte)
{
    return Byte >= 0x80 && Byte < 0xA0 ? HighControlRow[Byte - 0x80] : Byte;
}

bool Windows1252Of(uint32_t Code, uint8_t& Byte)
{
    for (int B = 0; B < 256; B++)
        if (CodeOf((uint8_t)B) == Code) {
            Byte = (uint8_t)B;
            return true;
        }
    return false;
}

uint8_t StoredFor(uint8_t Shown)
{
    int Stored = 0;
    while (ShownForStored[Stored] != Shown)
        Stored++;
    return (uint8_t)Stored;
}

// Reads one UTF-8 character at Pos; false for a malformed, overlong or surrogate sequence.
bool NextCode(const std::string& Text, size_t& Pos, uint32_t& Code)
{
    uint8_t Lead = (uint8_t)Text[Pos];
    int Extra = Lead < 0x80 ? 0 : (Lead & 0xE0) == 0xC0 ? 1 : (Lead & 0xF0) == 0xE0 ? 2 : (Lead & 0xF8) == 0xF0 ? 3 : -1;
    if (Extra < 0 || Pos + Extra >= Text.size())
        return false;
    Code = Extra == 0 ? Lead : Lead & (0x3F >> Extra);
    for (int i = 1; i <= Extra; i++) {
        uint8_t More = (uint8_t)Text[Pos + i];
        if ((More & 0xC0) != 0x80)
            return false;
        Code = (Code << 6) | (More & 0x3F);
    }
    const uint32_t Smallest[4] = {0, 0x80, 0x800, 0x10000};
    if (Code < Smallest[Extra] || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF))
        return false;
    Pos += 1 + Extra;
    return true;
}

std::string CodeName(uint32_t Code)
{
    char Name[16];
    std::snprintf(Name, sizeof Name, "U+%04X", (unsigned)Code);
    return Name;
}

// Windows-1252 bytes of the text, line ends already made line-break bytes.
bool ToShownBytes(const std::string& Utf8, std::vector<uint8_t>& Shown, std::string& Error)
{
    size_t Pos = 0;
    while (Pos < Utf8.size()) {
        size_t Start = Pos;
        uint32_t Code = 0;
        if (!NextCode(Utf8, Pos, Code)) {
            Error = "the description is not valid UTF-8 (at byte " + std::to_string(Start) + ")";
            return false;
        }
        if (Code == '\r' && Pos < Utf8.size() && Utf8[Pos] == '\n')
            continue; // the LF that follows makes the line break
        uint8_t Byte = 0;
        if (Code == '\r' || Code == '\n') {
            Byte = LineBreakByte;
        } else if (Code <= LineBreakByte || !Windows1252Of(Code, Byte)) {
            Error = "the description holds " + CodeName(Code) + ", which a patch description cannot carry";
            return false;
        }
        Shown.push_back(Byte);
    }
    return true;
}

} // namespace

bool EncodeDescription(const std::string& Utf8, std::vector<uint8_t>& Stored, std::string& Error)
{
    std::vector<uint8_t> Shown;
    if (!ToShownBytes(Utf8, Shown, Error))
        return false;
    Stored.clear();
    int32_t DisplayBytes = 0;
    for (uint8_t Byte : Shown) {
        Stored.push_back(StoredFor(Byte));
        DisplayBytes += Byte == LineBreakByte ? LineBreakDisplayBytes : 1;
    }
    for (size_t i = 0; i + 1 < Stored.size(); i++)
        if (Stored[i] == '#' && Stored[i + 1] == '%') {
            Error = "the description holds \"#%\", which would end it there";
            return false;
        }
    if ((int32_t)Stored.size() > DescriptionCapacity) {
        Error = "the description takes " + std::to_string(Stored.size()) + " bytes; a patch shows at most " +
                std::to_string(DescriptionCapacity);
        return false;
    }
    if (DisplayBytes > DisplayCapacity - 1) {
        Error = "the description takes " + std::to_string(DisplayBytes) +
                " bytes on screen (a line break takes 3); a patch shows at most " + std::to_string(DisplayCapacity - 1);
        return false;
    }
    return true;
}

std::string Windows1252ToUtf8(uint8_t Byte)
{
    uint32_t Code = CodeOf(Byte);
    std::string Out;
    if (Code < 0x80) {
        Out += (char)Code;
    } else if (Code < 0x800) {
        Out += (char)(0xC0 | (Code >> 6));
        Out += (char)(0x80 | (Code & 0x3F));
    } else {
        Out += (char)(0xE0 | (Code >> 12));
        Out += (char)(0x80 | ((Code >> 6) & 0x3F));
        Out += (char)(0x80 | (Code & 0x3F));
    }
    return Out;
}

std::string DecodedDescriptionToUtf8(const uint8_t* Decoded)
{
    std::string Out;
    for (const uint8_t* Byte = Decoded; *Byte; Byte++)
        Out += *Byte == LineBreakByte ? std::string("\n") : Windows1252ToUtf8(*Byte);
    return Out;
}
