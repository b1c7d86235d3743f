// Gives an open file an MS-DOS packed local date and time as its last-write time.
#include <sys/stat.h>

#include <ctime>

#include "platform/platform.h"
#include "platform/posix/posix_layer.h"

constexpr int DaysOfMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

static int DaysInMonth(int Year, int Month)
{
    bool Leap = (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
    return Month == 2 && Leap ? 29 : DaysOfMonth[Month - 1];
}

// False for a value that names no real moment (month 0, 30 February, minute 60, ...).
static bool DecodeDosTime(uint32_t DosTime, std::tm& Local)
{
    int Year = 1980 + static_cast<int>(DosTime >> 25);
    int Month = static_cast<int>(DosTime >> 21) & 0x0F;
    int Day = static_cast<int>(DosTime >> 16) & 0x1F;
    int Hour = static_cast<int>(DosTime >> 11) & 0x1F;
    int Minute = static_cast<int>(DosTime >> 5) & 0x3F;
    int Second = static_cast<int>(DosTime & 0x1F) * 2;
    if (Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month) || Hour > 23 ||
        Minute > 59 || Second > 59)
        return false;
    Local = std::tm();
    Local.tm_year = Year - 1900;
    Local.tm_mon = Month - 1;
    Local.tm_mday = Day;
    Local.tm_hour = Hour;
    Local.tm_min = Minute;
    Local.tm_sec = Second;
    Local.tm_isdst = -1; // the zone's rules for that date decide
    return true;
}

// A value that cannot be converted, or a system that refuses, leaves the time as it was,
// unreported: callers do not depend on the time stamp.
void PlatformSetWriteTime(FileObject& File, uint32_t DosTime)
{
    std::tm Local;
    if (!IsUsable(File) || !DecodeDosTime(DosTime, Local))
        return;
    std::time_t Moment = std::mktime(&Local);
    if (Moment == static_cast<std::time_t>(-1))
        return;
    struct timespec Times[2] = {};
    Times[0].tv_nsec = UTIME_OMIT;
    Times[1].tv_sec = Moment;
    futimens(Descriptor(File), Times);
}
