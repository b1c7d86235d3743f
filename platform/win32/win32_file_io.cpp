// Moves bytes between open files and memory, and positions and measures the files: the one
// place a buffered implementation would replace (FileObject::Slot is kept free for it).
#include <cstdint>

#include "platform/platform.h"
#include "platform/win32/win32_layer.h"

int32_t PlatformFileSize(FileObject& File)
{
    if (!IsUsable(File))
        return 0;
    DWORD High = 0;
    SetLastError(ERROR_SUCCESS);
    DWORD Low = GetFileSize(NativeHandle(File), &High);
    if (Low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
        FailWithLastError();
        return 0;
    }
    if (High != 0 || Low > INT32_MAX) {
        FailWith(ERROR_ARITHMETIC_OVERFLOW);
        return 0;
    }
    return static_cast<int32_t>(Low);
}

int32_t PlatformFilePosition(FileObject& File)
{
    if (!IsUsable(File))
        return 0;
    DWORD Position = SetFilePointer(NativeHandle(File), 0, nullptr, FILE_CURRENT);
    if (Position == INVALID_SET_FILE_POINTER) {
        FailWithLastError();
        return 0;
    }
    if (Position > INT32_MAX) {
        FailWith(ERROR_ARITHMETIC_OVERFLOW);
        return 0;
    }
    return static_cast<int32_t>(Position);
}

// A position behind the end is allowed; reading there fails.
void PlatformSeek(FileObject& File, int32_t Position)
{
    if (!MayOperateOn(File))
        return;
    if (Position < 0)
        FailWith(ERROR_NEGATIVE_SEEK);
    else if (SetFilePointer(NativeHandle(File), Position, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        FailWithLastError();
}

void PlatformRead(FileObject& File, void* Buffer, int32_t Count)
{
    if (!MayOperateOn(File))
        return;
    DWORD Moved = 0;
    if (Count < 0)
        FailWith(ERROR_INVALID_PARAMETER);
    else if (!ReadFile(NativeHandle(File), Buffer, static_cast<DWORD>(Count), &Moved, nullptr))
        FailWithLastError();
    else if (Moved != static_cast<DWORD>(Count))
        FailWith(ERROR_HANDLE_EOF);
}

void PlatformReadAt(FileObject& File, int32_t Position, void* Buffer, int32_t Count)
{
    if (!MayOperateOn(File))
        return;
    OVERLAPPED At = {};
    At.Offset = static_cast<DWORD>(Position);
    DWORD Moved = 0;
    if (Position < 0)
        FailWith(ERROR_NEGATIVE_SEEK);
    else if (Count < 0)
        FailWith(ERROR_INVALID_PARAMETER);
    else if (!ReadFile(NativeHandle(File), Buffer, static_cast<DWORD>(Count), &Moved, &At))
        FailWithLastError();
    else if (Moved != static_cast<DWORD>(Count))
        FailWith(ERROR_HANDLE_EOF);
}

void PlatformWrite(FileObject& File, const void* Buffer, int32_t Count)
{
    if (!MayOperateOn(File))
        return;
    DWORD Moved = 0;
    if (Count < 0)
        FailWith(ERROR_INVALID_PARAMETER);
    else if (!WriteFile(NativeHandle(File), Buffer, static_cast<DWORD>(Count), &Moved, nullptr))
        FailWithLastError();
    else if (Moved != static_cast<DWORD>(Count))
        FailWith(ERROR_DISK_FULL);
}

void PlatformFlush(FileObject& File)
{
    if (MayOperateOn(File) && !FlushFileBuffers(NativeHandle(File)))
        FailWithLastError();
}
