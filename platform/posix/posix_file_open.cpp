// Opens, creates and closes files as POSIX descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/posix_layer.h"

// A file object holds one descriptor: opening it again closes the one it held.
static bool OpenDescriptor(FileObject& File, const std::string& Path, int Flags)
{
    PlatformClose(File);
    File.Path = Path;
    if (!MayOperate())
        return false;
    int Fd = open(NativePath(Path).c_str(), Flags | O_CLOEXEC, 0644);
    if (Fd < 0)
        return FailWithErrno();
    // A directory opens for reading here, but is no file to the applier.
    struct stat Info;
    int Code = fstat(Fd, &Info) != 0 ? errno : S_ISDIR(Info.st_mode) ? EISDIR : 0;
    if (Code != 0) {
        close(Fd);
        return FailWith(Code);
    }
    File.Handle = Fd;
    File.IsOpen = true;
    return true;
}

bool PlatformOpenRead(FileObject& File, const std::string& Path)
{
    return OpenDescriptor(File, Path, O_RDONLY);
}

bool PlatformCreate(FileObject& File, const std::string& Path)
{
    return OpenDescriptor(File, Path, O_RDWR | O_CREAT | O_TRUNC);
}

void PlatformClose(FileObject& File)
{
    if (!File.IsOpen)
        return;
    if (close(Descriptor(File)) != 0)
        FailWithErrno();
    File.IsOpen = false;
    File.Handle = -1;
}
