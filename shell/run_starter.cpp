// Starts one patch run and turns its abort into a shown error.
#include "shell/run_starter.h"

#include "apply/patch_run.h"
#include "core/applier_state.h"
#include "core/patch_abort.h"
#include "shell/message_catalogue.h"

constexpr int ExitRunAborted = 2;

int StartRun()
{
    if (State.TargetPath.empty())
        State.TargetPath = ".\\";
    int Code = 0;
    State.Ui = UiState::Busy;
    try {
        State.TargetBase = State.TargetPath;
        RunPatch();
    } catch (const PatchAbort& Abort) {
        ShowRunError(Abort.Text);
        Code = ExitRunAborted;
    }
    State.Ui = UiState::Idle;
    return Code;
}
