// Tests, deletes, creates and renames files and directories by name.
#include "platform/platform.h"
#include "platform/win32/win32_layer.h"

static DWORD Attributes(const std::string& Path)
{
    return GetFileAttributesA(Path.c_str());
}

bool PlatformFileExists(const std::string& Path)
{
    DWORD Found = Attributes(Path);
    return Found != INVALID_FILE_ATTRIBUTES && !(Found & FILE_ATTRIBUTE_DIRECTORY);
}

bool PlatformIsDirectory(const std::string& Path)
{
    DWORD Found = Attributes(Path);
    return Found != INVALID_FILE_ATTRIBUTES && (Found & FILE_ATTRIBUTE_DIRECTORY);
}

bool PlatformDeleteFile(const std::string& Path)
{
    return MayOperate() && (DeleteFileA(Path.c_str()) || FailWithLastError());
}

bool PlatformMakeDirectory(const std::string& Path)
{
    return MayOperate() && (CreateDirectoryA(Path.c_str(), nullptr) || FailWithLastError());
}

bool PlatformMoveFile(const std::string& From, const std::string& To)
{
    return MayOperate() && (MoveFileA(From.c_str(), To.c_str()) || FailWithLastError());
}

bool PlatformReplaceFile(const std::string& From, const std::string& To)
{
    return MayOperate() &&
           (MoveFileExA(From.c_str(), To.c_str(), MOVEFILE_REPLACE_EXISTING) || FailWithLastError());
}
