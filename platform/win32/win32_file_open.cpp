// Opens, creates and closes files as Win32 handles.
#include "platform/platform.h"
#include "platform/win32/win32_layer.h"

// A file object holds one handle: opening it again closes the one it held.
static bool OpenHandle(FileObject& File, const std::string& Path, DWORD Access, DWORD Share, DWORD How)
{
    PlatformClose(File);
    File.Path = Path;
    if (!MayOperate())
        return false;
    HANDLE Opened = CreateFileA(Path.c_str(), Access, Share, nullptr, How, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Opened == INVALID_HANDLE_VALUE)
        return FailWithLastError();
    File.Handle = reinterpret_cast<intptr_t>(Opened);
    File.IsOpen = true;
    return true;
}

// Other processes keep read and write access to a file we only read.
bool PlatformOpenRead(FileObject& File, const std::string& Path)
{
    return OpenHandle(File, Path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
}

// Others may read a file while we write it, but not write into it.
bool PlatformCreate(FileObject& File, const std::string& Path)
{
    return OpenHandle(File, Path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
}

void PlatformClose(FileObject& File)
{
    if (!File.IsOpen)
        return;
    if (!CloseHandle(NativeHandle(File)))
        FailWithLastError();
    File.IsOpen = false;
    File.Handle = -1;
}
