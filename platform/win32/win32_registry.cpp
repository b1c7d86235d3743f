// Reads one value under HKEY_LOCAL_MACHINE.
#include "platform/platform.h"
#include "platform/win32/win32_layer.h"

// The key is opened with every access right: a key that refuses them counts as unreadable.
// An empty value name reads the key's default value.
bool PlatformReadRegistry(const std::string& KeyPath, const std::string& ValueName, uint8_t* Buffer,
                          int32_t Size, int32_t& Length)
{
    Length = 0;
    HKEY Key;
    if (Size < 0 || RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath.c_str(), 0, KEY_ALL_ACCESS, &Key) != ERROR_SUCCESS)
        return false;
    DWORD DataSize = static_cast<DWORD>(Size);
    LONG Result = RegQueryValueExA(Key, ValueName.c_str(), nullptr, nullptr, Buffer, &DataSize);
    RegCloseKey(Key);
    if (Result != ERROR_SUCCESS)
        return false;
    Length = static_cast<int32_t>(DataSize);
    return true;
}
