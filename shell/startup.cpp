// The program entry: where the patch comes from, the command line, the validation and the run.
#include "shell/startup.h"

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "core/byte_order.h"
#include "core/patch_abort.h"
#include "platform/platform.h"
#include "shell/fixed_texts.h"
#include "shell/message_catalogue.h"
#include "shell/run_starter.h"
#include "shell/window_ops.h"

constexpr int ExitUsage = 1;
constexpr int ExitBadPatch = 255;

// Only the last four bytes are looked at; the block itself is validated later.
void ProbeOwnFile()
{
    State.EmbeddedPatch = false;
    FileObject Own;
    if (PlatformOpenRead(Own, PlatformOwnPath())) {
        uint8_t Magic[4];
        PlatformSeek(Own, PlatformFileSize(Own) - 4);
        PlatformRead(Own, Magic, 4);
        if (PlatformTakeError() == 0 && ReadLe32(Magic) == PatchMagic) {
            State.PatchPath = Own.Path;
            State.EmbeddedPatch = true;
        }
        PlatformClose(Own);
    }
    PlatformTakeError();
}

// Blanks separate tokens outside quotes; a quote toggles quoting wherever it stands and is
// dropped. A token still inside an unclosed quote at the end is lost.
std::vector<std::string> SplitCommandLine(const std::string& CommandLine)
{
    std::vector<std::string> Tokens;
    std::string Token;
    bool Quoted = false;
    for (char C : CommandLine + " ") {
        if (C == '"') {
            Quoted = !Quoted;
        } else if (C == ' ' && !Quoted) {
            if (!Token.empty())
                Tokens.push_back(Token);
            Token.clear();
        } else {
            Token += C;
        }
    }
    return Tokens;
}

// A token's position decides its meaning: the program's name, the patch file (only when no
// patch is embedded), the target. Empty tokens take no position.
bool ParseCommandLine(const std::vector<std::string>& Tokens)
{
    State.TargetPath = ".";
    int K = State.EmbeddedPatch ? 1 : 0;
    for (const std::string& Token : Tokens) {
        if (Token.empty())
            continue;
        if (Token == "-h")
            return false;
        if (K == 1 && !State.EmbeddedPatch)
            State.PatchPath = Token;
        else if (K == 2)
            State.TargetPath = Token;
        else if (K >= 3)
            return false;
        K++;
    }
    State.TargetBase = State.TargetPath;
    return !State.PatchPath.empty();
}

void ShowUsage()
{
    ShowBox(FormatCatalogueMessage(29), UsageCaption, BoxKind::Plain);
}

bool ValidatePatch()
{
    try {
        ReadPatchBlock();
        return true;
    } catch (const PatchAbort& Abort) {
        ShowBox(Abort.Text + " ", PatchErrorCaption, BoxKind::Plain);
        return false;
    }
}

// Whatever happened, no payload copy outlives the program.
static int EndProgram(int Code)
{
    Cleanup();
    if (State.PatchFile.IsOpen)
        PlatformClose(State.PatchFile);
    PlatformTakeError();
    return Code;
}

int ApplierMain(const std::vector<std::string>& Tokens)
{
    ProbeOwnFile();
    InitTempDir();
    if (!ParseCommandLine(Tokens)) {
        ShowUsage();
        return EndProgram(ExitUsage);
    }
    if (!ValidatePatch())
        return EndProgram(ExitBadPatch);
    State.SearchMode = true;
    int Code = StartRun();
    State.SearchMode = false;
    return EndProgram(Code);
}
