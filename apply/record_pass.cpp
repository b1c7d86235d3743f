// One pass over the record stream: check that every file can be produced, or apply the patch.
#include "apply/record_pass.h"

#include "apply/checksum.h"
#include "apply/file_ops.h"
#include "container/patch_block.h"
#include "container/record_stream.h"
#include "core/applier_state.h"
#include "delta/reconstruct.h"
#include "platform/platform.h"
#include "shell/message_catalogue.h"
#include "shell/window_ops.h"

// Where one patched file's new version comes from.
struct FileSource {
    bool AlreadyUpdated = false; // the file at its place already is the new version
    bool NewAtSource = false;    // the file under TargetPath already is the new version
    bool HaveOutput = false;     // OutputPath holds the new or an intermediate version
    std::string InputPath;
    std::string OutputPath;
};

// In single-file mode the target is the file itself; else the name is joined to the folder.
static std::string PathUnder(const std::string& Folder, const std::string& Name)
{
    return State.MultiFileMode ? Folder + "\\" + Name : Folder;
}

static bool IsNewVersion(const std::string& Path)
{
    FileObject File;
    PlatformOpenRead(File, Path);
    if (PlatformTakeError() != 0) {
        PlatformClose(File);
        return false;
    }
    bool Match = PlatformFileSize(File) == State.Record.NewSize &&
                 WindowedCrcMatches(File, State.CrcWindowStart, State.CrcWindowLength, State.Record.NewCrc);
    PlatformClose(File);
    PlatformTakeError();
    return Match;
}

// The rebuilt versions are temporary files of ours; while a record is processed they are named
// in the state, so that an abort removes them too.
static bool Reconstruct(FileSource& Source, int I, int32_t ResultSize)
{
    bool Fresh = !Source.HaveOutput;
    State.RebuiltInput = Fresh ? "" : Source.InputPath;
    State.RebuiltOutput.clear();
    bool Made = ReconstructFile(State.Variants[I], State.DeltaPosition[I], Source.InputPath, State.RebuiltOutput,
                                Fresh, Fresh, ResultSize, State.VariantWindowStart[I], State.VariantWindowLength[I]);
    if (Made)
        Source.OutputPath = State.RebuiltOutput;
    return Made;
}

// Walks the chain from the first variant whose old file (at its place or in the backup folder)
// matches; every later variant is then applied to the previous output.
static void RunChain(FileSource& Source)
{
    int Count = State.Record.VariantCount;
    for (int I = 0; I < Count; I++) {
        int32_t ResultSize = I == Count - 1 ? State.Record.NewSize : State.Variants[I + 1].OldSize;
        if (!Source.HaveOutput)
            Source.InputPath = PathUnder(State.TargetPath, State.VariantNames[I]);
        bool Ok = Reconstruct(Source, I, ResultSize);
        if (!Ok) {
            Source.InputPath = State.TargetPath + "\\" + State.BackupDirName + "\\" + State.VariantNames[I];
            Ok = Reconstruct(Source, I, ResultSize);
        }
        if (!Ok)
            continue;
        if (Source.HaveOutput)
            DeleteQuietly(Source.InputPath);
        State.RebuiltInput.clear();
        Source.HaveOutput = true;
        Source.InputPath = Source.OutputPath;
    }
}

// Verifies the produced file and, in the apply pass, puts it in place. False only when quiet
// and the checksum differs.
static bool PlaceOutput(const FileSource& Source, bool CheckOnly, bool Quiet)
{
    // The code taken here may be one the reconstruction's cleanup left (a sub-stream file it
    // could not delete); it says nothing about this file, whose checksum alone decides.
    FileObject File;
    PlatformOpenRead(File, Source.OutputPath);
    PlatformTakeError();
    bool Match = WindowedCrcMatches(File, State.CrcWindowStart, State.CrcWindowLength, State.Record.NewCrc);
    PlatformClose(File);
    PlatformTakeError();
    if (!Match) {
        if (!Source.NewAtSource)
            DeleteQuietly(Source.OutputPath);
        State.RebuiltOutput.clear();
        if (Quiet)
            return false;
        AbortWithMessage(11);
    }
    if (!CheckOnly) {
        if (State.MultiFileMode && !Source.NewAtSource)
            MoveToBackup(State.RecordPath);
        if (!State.MultiFileMode)
            DeleteQuietly(State.RecordPath);
        if (Source.OutputPath != State.RecordPath)
            CopyIntoPlace(Source.OutputPath, State.RecordPath);
    }
    if (!Source.NewAtSource)
        DeleteQuietly(Source.OutputPath);
    State.RebuiltOutput.clear();
    return true;
}

// Returns false when the pass ends here.
static bool ProcessPatchedFile(bool CheckOnly, bool Quiet)
{
    bool ShowsResult = !Quiet && (!CheckOnly || State.MultiFileMode);
    if (ShowsResult)
        EmitMessage(CheckOnly ? 18 : 21);
    FileSource Source;
    Source.AlreadyUpdated = IsNewVersion(PathUnder(State.TargetBase, State.CurrentFileName));
    if (!Source.AlreadyUpdated) {
        Source.OutputPath = PathUnder(State.TargetPath, State.CurrentFileName);
        Source.NewAtSource = Source.HaveOutput = IsNewVersion(Source.OutputPath);
    }
    if (!Source.AlreadyUpdated && !Source.HaveOutput)
        RunChain(Source);
    if (Source.HaveOutput) {
        if (!PlaceOutput(Source, CheckOnly, Quiet))
            return false;
        if (ShowsResult)
            EmitMessage(37);
    } else if (Source.AlreadyUpdated) {
        if (ShowsResult)
            EmitMessage(36);
    } else if (State.FileOptional) {
        if (!Quiet)
            EmitMessage(34);
    } else {
        if (!Quiet && State.MultiFileMode)
            EmitMessage(35);
        return false;
    }
    return true;
}

bool RecordPass(bool CheckOnly, bool Quiet)
{
    PlatformSeek(State.PayloadBuffer, State.StreamStart);
    for (;;) {
        PumpMessages();
        uint8_t Type = ReadFileRecord();
        if (Type == RecordEnd)
            return true;
        if (Type == RecordPatched && !ProcessPatchedFile(CheckOnly, Quiet))
            return false;
        if (Type == RecordEmbedded) {
            if (!Quiet)
                EmitMessage(CheckOnly ? 19 : 20);
            HandleEmbeddedFile(CheckOnly);
        }
        if (!State.MultiFileMode)
            return true;
    }
}
