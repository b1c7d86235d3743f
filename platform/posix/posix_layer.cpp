// Path conversion, failure reporting and the entry checks of the POSIX file operations.
#include "platform/posix/posix_layer.h"

#include <algorithm>

#include "platform/pending_error.h"
#include "platform/platform.h"

std::string NativePath(const std::string& Path)
{
    std::string Native = Path;
    std::replace(Native.begin(), Native.end(), '\\', '/');
    return Native;
}

bool FailWith(int Code)
{
    PlatformSetError(Code);
    return false;
}

bool FailWithErrno()
{
    return FailWith(errno != 0 ? errno : EIO);
}

bool MayOperate()
{
    return !RefusedByTestHook(EACCES);
}

bool IsUsable(const FileObject& File)
{
    return File.IsOpen || FailWith(EBADF);
}

bool MayOperateOn(const FileObject& File)
{
    return MayOperate() && IsUsable(File);
}

int Descriptor(const FileObject& File)
{
    return static_cast<int>(File.Handle);
}
