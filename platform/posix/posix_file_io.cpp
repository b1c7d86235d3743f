// Moves bytes between open files and memory, and positions and measures the files: the one
// place a buffered implementation would replace (FileObject::Slot is kept free for it).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/posix/posix_layer.h"

int32_t PlatformFileSize(FileObject& File)
{
    if (!IsUsable(File))
        return 0;
    struct stat Info;
    if (fstat(Descriptor(File), &Info) != 0) {
        FailWithErrno();
        return 0;
    }
    if (Info.st_size > INT32_MAX) {
        FailWith(EFBIG);
        return 0;
    }
    return static_cast<int32_t>(Info.st_size);
}

int32_t PlatformFilePosition(FileObject& File)
{
    if (!IsUsable(File))
        return 0;
    off_t Position = lseek(Descriptor(File), 0, SEEK_CUR);
    if (Position < 0) {
        FailWithErrno();
        return 0;
    }
    if (Position > INT32_MAX) {
        FailWith(EFBIG);
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
        FailWith(EINVAL);
    else if (lseek(Descriptor(File), Position, SEEK_SET) < 0)
        FailWithErrno();
}

// Repeats Transfer (one read or write of the bytes from an offset on; returns what moved, or
// -1) until Count bytes have moved. Moving nothing leaves ShortCode pending.
template <typename TransferStep>
static void TransferAll(FileObject& File, int32_t Count, int ShortCode, TransferStep Transfer)
{
    if (!MayOperateOn(File))
        return;
    if (Count < 0) {
        FailWith(EINVAL);
        return;
    }
    int32_t Done = 0;
    while (Done < Count) {
        ssize_t Moved = Transfer(Done, static_cast<size_t>(Count - Done));
        if (Moved < 0 && errno == EINTR)
            continue;
        if (Moved <= 0) {
            FailWith(Moved < 0 ? errno : ShortCode);
            return;
        }
        Done += static_cast<int32_t>(Moved);
    }
}

void PlatformRead(FileObject& File, void* Buffer, int32_t Count)
{
    auto* Bytes = static_cast<uint8_t*>(Buffer);
    TransferAll(File, Count, EndOfFileCode, [&](int32_t Offset, size_t Size) {
        return read(Descriptor(File), Bytes + Offset, Size);
    });
}

void PlatformReadAt(FileObject& File, int32_t Position, void* Buffer, int32_t Count)
{
    if (Position < 0) {
        if (MayOperateOn(File))
            FailWith(EINVAL);
        return;
    }
    auto* Bytes = static_cast<uint8_t*>(Buffer);
    TransferAll(File, Count, EndOfFileCode, [&](int32_t Offset, size_t Size) {
        return pread(Descriptor(File), Bytes + Offset, Size, static_cast<off_t>(Position) + Offset);
    });
}

void PlatformWrite(FileObject& File, const void* Buffer, int32_t Count)
{
    auto* Bytes = static_cast<const uint8_t*>(Buffer);
    TransferAll(File, Count, NoRoomCode, [&](int32_t Offset, size_t Size) {
        return write(Descriptor(File), Bytes + Offset, Size);
    });
}

void PlatformFlush(FileObject& File)
{
    if (MayOperateOn(File) && fsync(Descriptor(File)) != 0)
        FailWithErrno();
}
