// The file object every layer passes around: a path, whether it is open, and the platform's handle.
#pragma once

#include <cstdint>
#include <string>

struct FileObject {
    std::string Path;     // the path it was opened or created under
    bool IsOpen = false;  // true between a successful open or create and the close
    intptr_t Handle = -1; // the platform's handle (a descriptor on POSIX, a HANDLE on Win32)
    int32_t Slot = -1;    // the platform's private bookkeeping (buffers), -1 when none
};
