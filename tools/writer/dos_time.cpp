// Packs and unpacks the MS-DOS date and time: date in the high 16 bits, time in the low 16 bits.
#include "tools/writer/dos_time.h"

#include <cstdio>

uint32_t PackDosTime(const DosDateTime& Time)
{
    if (Time.Year < 1980)
        return PackDosTime(DosDateTime{});
    if (Time.Year > 2107)
        return PackDosTime(DosDateTime{2107, 12, 31, 23, 59, 58});
    uint32_t Date = (uint32_t)(((Time.Year - 1980) << 9) | (Time.Month << 5) | Time.Day);
    uint32_t Clock = (uint32_t)((Time.Hour << 11) | (Time.Minute << 5) | (Time.Second / 2));
    return (Date << 16) | Clock;
}

DosDateTime UnpackDosTime(uint32_t Packed)
{
    DosDateTime Time;
    Time.Year = 1980 + (int)(Packed >> 25);
    Time.Month = (int)(Packed >> 21) & 0x0F;
    Time.Day = (int)(Packed >> 16) & 0x1F;
    Time.Hour = (int)(Packed >> 11) & 0x1F;
    Time.Minute = (int)(Packed >> 5) & 0x3F;
    Time.Second = (int)(Packed & 0x1F) * 2;
    return Time;
}

std::string FormatDosTime(uint32_t Packed)
{
    DosDateTime Time = UnpackDosTime(Packed);
    char Text[32];
    std::snprintf(Text, sizeof Text, "%04d-%02d-%02d %02d:%02d:%02d", Time.Year, Time.Month, Time.Day, Time.Hour,
                  Time.Minute, Time.Second);
    return Text;
}
