// The temporary directory, the running executable's path and the command line on Win32.
#include "platform/platform.h"
#include "platform/win32/win32_layer.h"

// Empty when the system cannot say or the path does not fit MAX_PATH bytes.
std::string PlatformTempPath()
{
    char Buffer[MAX_PATH];
    DWORD Length = GetTempPathA(MAX_PATH, Buffer);
    if (Length == 0 || Length >= MAX_PATH)
        return std::string();
    return std::string(Buffer);
}

std::string PlatformOwnPath()
{
    std::string Path(MAX_PATH, '\0');
    for (;;) {
        DWORD Length = GetModuleFileNameA(nullptr, &Path[0], static_cast<DWORD>(Path.size()));
        if (Length == 0)
            return std::string();
        if (Length < Path.size())
            return Path.substr(0, Length);
        Path.resize(Path.size() * 2);
    }
}

std::string PlatformCommandLine()
{
    return GetCommandLineA();
}
