// One complete patch run: read the patch, find the target, check it, apply it.
#include "apply/patch_run.h"

#include <vector>

#include "apply/record_pass.h"
#include "container/patch_block.h"
#include "core/applier_state.h"
#include "platform/platform.h"
#include "shell/fixed_texts.h"
#include "shell/message_catalogue.h"
#include "shell/window_ops.h"

// The registry value, when the patch names one and it can be read, says where the old
// versions are; the new files still go where the run was pointed.
static void ApplyRegistryValue()
{
    if (State.RegistryKeyPath.empty())
        return;
    int32_t Length = 0;
    if (!PlatformReadRegistry(State.RegistryKeyPath, State.RegistryValueName, State.DescriptionBuffer,
                              DescriptionCapacity + 1, Length))
        return;
    std::string Value((const char*)State.DescriptionBuffer, (size_t)Length);
    State.TargetPath = Value.substr(0, Value.find('\0'));
}

// A file given as the target of a multi-file patch stands for the folder it is in.
static void ResolveTarget()
{
    bool IsFile = PlatformFileExists(State.TargetPath);
    if (!State.MultiFileMode) {
        if (!IsFile)
            State.SearchMode = true;
        return;
    }
    if (!IsFile || State.TargetPath != State.TargetBase)
        return;
    size_t Cut = State.TargetPath.rfind('\\');
    State.TargetPath = Cut == std::string::npos ? "" : State.TargetPath.substr(0, Cut + 1);
    if (State.TargetPath.empty())
        State.TargetPath = ".";
    State.TargetBase = State.TargetPath;
}

static bool OfferCandidate(const std::string& Path)
{
    State.TargetPath = Path;
    State.TargetBase = Path;
    return RecordPass(true, true) && AskYesNo(28, SearchCaption);
}

bool SearchTarget(const std::string& Directory, int Depth)
{
    SetControlText(Control::TargetEdit, Directory);
    if (Depth == 0 && OfferCandidate(Directory))
        return true;
    std::vector<DirectoryEntry> Entries;
    PlatformListDirectory(Directory, Entries);
    PlatformTakeError();
    for (const DirectoryEntry& Entry : Entries) {
        if (State.AbortRequested)
            return false;
        if (Entry.Name == "." || Entry.Name == "..")
            continue;
        if (Entry.IsDirectory != State.MultiFileMode)
            continue;
        if (OfferCandidate(Directory + Entry.Name))
            return true;
    }
    return false;
}

// An empty target (an empty registry value) is searched from the current folder.
static void Search()
{
    if (State.TargetPath != "." && RecordPass(true, true))
        return;
    std::string Saved = State.TargetPath;
    std::string Start = State.TargetPath.empty() ? "." : State.TargetPath;
    if (Start.back() != '\\')
        Start += '\\';
    if (!SearchTarget(Start, 0)) {
        State.TargetPath = Saved;
        AbortWithMessage(16);
    }
}

void RunPatch()
{
    InitTempDir();
    ReadPatchBlock();
    ApplyRegistryValue();
    ResolveTarget();
    EmitMessage(33);
    if (State.SearchMode)
        Search();
    SetControlText(Control::TargetEdit, State.TargetPath);
    if (!State.SearchMode && !RecordPass(true, false))
        AbortWithMessage(17);
    EmitMessage(24);
    RecordPass(false, false);
    EmitMessage(26);
    PlatformClose(State.PatchFile);
    Cleanup();
}
