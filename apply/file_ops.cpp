// The operations through which an apply pass changes the target's files.
#include "apply/file_ops.h"

#include <algorithm>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "core/byte_order.h"
#include "platform/platform.h"
#include "shell/message_catalogue.h"

constexpr int32_t CopyPiece = 65536;

// Creates every directory before the last separator; failures (existing ones, drives) are
// ignored and the next one is still tried.
void MakeDirectories(const std::string& Path)
{
    std::string Prefix;
    for (char C : Path) {
        if (C == '\\' || C == '/') {
            PlatformMakeDirectory(Prefix);
            Prefix += '\\';
        } else {
            Prefix += C;
        }
    }
    PlatformTakeError();
}

void SetWriteTime(FileObject& File, uint32_t DosTime)
{
    PlatformSetWriteTime(File, DosTime);
    PlatformTakeError();
}

void DeleteQuietly(const std::string& Path)
{
    FileObject File;
    if (PlatformOpenRead(File, Path))
        PlatformClose(File);
    PlatformDeleteFile(Path);
    PlatformTakeError();
}

// A backup folder name of nothing but "." parts is the target itself: the backup path would be
// the file's own path.
static bool BackupIsTargetItself()
{
    for (char C : State.BackupDirName)
        if (C != '.' && C != '\\' && C != '/')
            return false;
    return true;
}

void MoveToBackup(const std::string& Path)
{
    if (!PlatformFileExists(Path))
        return;
    if (BackupIsTargetItself())
        AbortWithMessage(31);
    std::string Backup = State.TargetBase + "\\" + State.BackupDirName + "\\" + State.CurrentFileName;
    MakeDirectories(Backup);
    DeleteQuietly(Backup);
    PlatformMoveFile(Path, Backup);
    if (PlatformTakeError() != 0)
        AbortWithMessage(31);
}

// A name beside the destination that no file has yet: the new content is written there and
// renamed over the destination only when it is complete.
static std::string PlacingName(const std::string& Destination)
{
    for (int32_t N = 0;; N++) {
        std::string Name = Destination + ".~tw" + IntToDecimal(N);
        if (!PlatformFileExists(Name) && !PlatformIsDirectory(Name))
            return Name;
    }
}

// The written file gets its time, reaches the disk and takes the destination's place at once.
static bool FinishPlacing(FileObject& File, const std::string& Destination, uint32_t DosTime)
{
    PlatformFlush(File);
    bool Flushed = PlatformTakeError() == 0;
    SetWriteTime(File, DosTime);
    PlatformClose(File);
    State.OutputOpen = false;
    if (!Flushed)
        return false;
    PlatformReplaceFile(State.PlacingPath, Destination);
    if (PlatformTakeError() != 0)
        return false;
    State.PlacingPath.clear();
    return true;
}

// Copies the next Size payload bytes into State.OutputFile; false when a write came out short.
static bool CopyFromPayload(int32_t Size)
{
    uint8_t Buffer[CopyPiece];
    bool Ok = true;
    for (int32_t Left = Size; Left > 0 && Ok; Left -= CopyPiece) {
        int32_t Piece = std::min(Left, CopyPiece);
        ReadPayload(Buffer, Piece);
        Ok = WriteBlock(State.OutputFile, Buffer, Piece);
    }
    return Ok;
}

void HandleEmbeddedFile(bool CheckOnly)
{
    PlatformTakeError();
    uint8_t Raw[8];
    ReadPayload(Raw, 8);
    int32_t Size = (int32_t)ReadLe32(Raw);
    uint32_t Time = ReadLe32(Raw + 4);
    if (Size < 0)
        AbortWithMessage(0);
    if (CheckOnly) {
        PlatformSeek(State.PayloadBuffer, PlatformFilePosition(State.PayloadBuffer) + Size);
        return;
    }
    MoveToBackup(State.EmbeddedPath);
    MakeDirectories(State.EmbeddedPath);
    State.PlacingPath = PlacingName(State.EmbeddedPath);
    PlatformCreate(State.OutputFile, State.PlacingPath);
    State.OutputOpen = true;
    if (PlatformTakeError() != 0 || !CopyFromPayload(Size) || !FinishPlacing(State.OutputFile, State.EmbeddedPath, Time))
        AbortWithMessage(8);
}

// Copies Source into State.OutputFile; false when any read or write came out short.
static bool CopyWhole(int32_t Size)
{
    uint8_t Buffer[CopyPiece];
    bool Ok = true;
    for (int32_t Left = Size; Left > 0 && Ok; Left -= CopyPiece) {
        int32_t Piece = std::min(Left, CopyPiece);
        Ok = ReadBlock(State.SourceFile, Buffer, Piece) && WriteBlock(State.OutputFile, Buffer, Piece);
    }
    return Ok;
}

void CopyIntoPlace(const std::string& Source, const std::string& Destination)
{
    PlatformOpenRead(State.SourceFile, Source);
    State.SourceOpen = true;
    if (PlatformTakeError() != 0)
        AbortWithMessage(9);
    int32_t Size = PlatformFileSize(State.SourceFile);
    MakeDirectories(Destination);
    State.PlacingPath = PlacingName(Destination);
    PlatformCreate(State.OutputFile, State.PlacingPath);
    State.OutputOpen = true;
    if (PlatformTakeError() != 0)
        AbortWithMessage(10);
    if (!CopyWhole(Size) || !FinishPlacing(State.OutputFile, Destination, State.Record.NewTime))
        AbortWithMessage(10);
    PlatformClose(State.SourceFile);
    State.SourceOpen = false;
}
