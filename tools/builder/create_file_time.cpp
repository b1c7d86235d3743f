// Turns a file's modification time into local MS-DOS date and time.
#include "tools/builder/create_file_time.h"

#include <chrono>
#include <ctime>

#include "tools/writer/dos_time.h"

namespace fs = std::filesystem;

namespace {

// Seconds since the system clock's epoch. The file clock of the standard library may count from
// another epoch, but always a whole number of seconds away; two samples taken together give
// that distance exactly once rounded, so the result does not jitter between runs.
std::time_t SystemSeconds(fs::file_time_type Time)
{
    using std::chrono::seconds;
    auto Distance = fs::file_time_type::clock::now().time_since_epoch() -
                    std::chrono::system_clock::now().time_since_epoch();
    seconds Offset = std::chrono::round<seconds>(Distance);
    return (std::time_t)(std::chrono::floor<seconds>(Time.time_since_epoch()) - Offset).count();
}

} // namespace

bool DosTimeOfFile(const fs::path& Path, uint32_t& DosTime, std::string& Error)
{
    std::error_code Failure;
    fs::file_time_type Time = fs::last_write_time(Path, Failure);
    if (Failure) {
        Error = "cannot read the time of \"" + Path.string() + "\": " + Failure.message();
        return false;
    }
    std::time_t Seconds = SystemSeconds(Time);
    const std::tm* Local = std::localtime(&Seconds);
    if (!Local) {
        DosTime = PackDosTime(DosDateTime{});
        return true;
    }
    DosTime = PackDosTime({Local->tm_year + 1900, Local->tm_mon + 1, Local->tm_mday, Local->tm_hour, Local->tm_min,
                           Local->tm_sec});
    return true;
}
