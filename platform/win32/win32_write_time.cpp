// Gives an open file an MS-DOS packed local date and time as its last-write time.
#include "platform/platform.h"
#include "platform/win32/win32_layer.h"

// A value that cannot be converted, or a system that refuses, leaves the time as it was,
// unreported: callers do not depend on the time stamp.
void PlatformSetWriteTime(FileObject& File, uint32_t DosTime)
{
    FILETIME Local;
    FILETIME Universal;
    if (!IsUsable(File) || !DosDateTimeToFileTime(HIWORD(DosTime), LOWORD(DosTime), &Local) ||
        !LocalFileTimeToFileTime(&Local, &Universal))
        return;
    SetFileTime(NativeHandle(File), nullptr, nullptr, &Universal);
}
