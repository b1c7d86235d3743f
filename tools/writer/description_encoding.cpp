// Description bytes: UTF-8 to Windows-1252 to the stored byte the applier's table turns back into
// that Windows-1252 byte, and the reverse for showing a decoded description.
#include "tools/writer/description_encoding.h"

#include <cstdio>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "shell/windows_1252.h"

namespace {

constexpr uint8_t LineBreakByte = 0x01; // shown as a line break, and taking three display bytes
constexpr int32_t LineBreakDisplayBytes = 3;

bool Windows1252Of(uint32_t Code, uint8_t& Byte)
{
    for (int B = 0; B < 256; B++)
        if (Windows1252Code((uint8_t)B) == Code) {
            Byte = (uint8_t)B;
            return true;
        }
    return false;
}

uint8_t StoredFor(uint8_t Shown)
{
    int Stored = 0;
    while (OemToAnsi((uint8_t)Stored) != Shown)
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

std::string DecodedDescriptionToUtf8(const uint8_t* Decoded)
{
    std::string Out;
    for (const uint8_t* Byte = Decoded; *Byte; Byte++)
        Out += *Byte == LineBreakByte ? std::string("\n") : Windows1252ToUtf8(*Byte);
    return Out;
}
