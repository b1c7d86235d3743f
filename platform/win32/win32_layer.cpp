// Failure reporting and the entry checks of the Win32 file operations.
#include "platform/win32/win32_layer.h"

#include "platform/pending_error.h"
#include "platform/platform.h"

bool FailWith(DWORD Code)
{
    PlatformSetError(static_cast<int32_t>(Code));
    return false;
}

bool FailWithLastError()
{
    DWORD Code = GetLastError();
    return FailWith(Code != ERROR_SUCCESS ? Code : ERROR_GEN_FAILURE);
}

bool MayOperate()
{
    return !RefusedByTestHook(ERROR_ACCESS_DENIED);
}

bool IsUsable(const FileObject& File)
{
    return File.IsOpen || FailWith(ERROR_INVALID_HANDLE);
}

bool MayOperateOn(const FileObject& File)
{
    return MayOperate() && IsUsable(File);
}

HANDLE NativeHandle(const FileObject& File)
{
    return reinterpret_cast<HANDLE>(File.Handle);
}
