// Tests, deletes, creates and renames files and directories by name.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/platform.h"
#include "platform/posix/posix_layer.h"

static bool StatIs(const std::string& Path, mode_t Kind)
{
    struct stat Info;
    return stat(NativePath(Path).c_str(), &Info) == 0 && (Info.st_mode & S_IFMT) == Kind;
}

bool PlatformFileExists(const std::string& Path)
{
    return StatIs(Path, S_IFREG);
}

bool PlatformIsDirectory(const std::string& Path)
{
    return StatIs(Path, S_IFDIR);
}

bool PlatformDeleteFile(const std::string& Path)
{
    if (!MayOperate())
        return false;
    return unlink(NativePath(Path).c_str()) == 0 || FailWithErrno();
}

bool PlatformMakeDirectory(const std::string& Path)
{
    if (!MayOperate())
        return false;
    return mkdir(NativePath(Path).c_str(), 0777) == 0 || FailWithErrno();
}

// rename(2) would silently replace the destination; a move must not.
bool PlatformMoveFile(const std::string& From, const std::string& To)
{
    if (!MayOperate())
        return false;
    struct stat Info;
    if (lstat(NativePath(To).c_str(), &Info) == 0)
        return FailWith(EEXIST);
    return std::rename(NativePath(From).c_str(), NativePath(To).c_str()) == 0 || FailWithErrno();
}

bool PlatformReplaceFile(const std::string& From, const std::string& To)
{
    if (!MayOperate())
        return false;
    return std::rename(NativePath(From).c_str(), NativePath(To).c_str()) == 0 || FailWithErrno();
}
