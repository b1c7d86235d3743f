// The Windows-1252 character set, in which the window shows a patch's description.
#include "shell/windows_1252.h"

// Unicode of the Windows-1252 bytes 0x80 to 0x9F; the rest equal their Latin-1 codes.
static const uint16_t HighControlRow[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

uint32_t Windows1252Code(uint8_t Byte)
{
    return Byte >= 0x80 && Byte < 0xA0 ? HighControlRow[Byte - 0x80] : Byte;
}

std::string Windows1252ToUtf8(uint8_t Byte)
{
    uint32_t Code = Windows1252Code(Byte);
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
