// The MS-DOS packed local date and time of stored time stamps: packing, unpacking and display.
#pragma once

#include <cstdint>
#include <string>

struct DosDateTime {
    int Year = 1980; // 1980 to 2107
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0; // stored in steps of two seconds
};

// Dates before 1980 become its first second, dates after 2107 its last; odd seconds round down.
uint32_t PackDosTime(const DosDateTime& Time);
DosDateTime UnpackDosTime(uint32_t Packed);
std::string FormatDosTime(uint32_t Packed); // "YYYY-MM-DD hh:mm:ss"
