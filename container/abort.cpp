// Closing the working files, the cleanup of a read or run, and the abort that ends it.
#include "container/patch_block.h"
#include "core/applier_state.h"
#include "core/patch_abort.h"
#include "platform/platform.h"
#include "shell/message_catalogue.h"

// The old file is the user's and the output belongs to the caller: both are only closed.
// Sub-stream files are ours alone and go away with the reconstruction.
void CloseWorkFiles()
{
    if (State.SourceOpen)
        PlatformClose(State.SourceFile);
    if (State.OutputOpen)
        PlatformClose(State.OutputFile);
    if (State.SubStreamsOpen) {
        for (FileObject& File : State.SubStreamFiles) {
            PlatformClose(File);
            PlatformDeleteFile(File.Path);
        }
    }
    State.SourceOpen = false;
    State.OutputOpen = false;
    State.SubStreamsOpen = false;
}

void Cleanup()
{
    CloseWorkFiles();
    if (State.PayloadOpen) {
        PlatformClose(State.PayloadBuffer);
        PlatformDeleteFile(State.PayloadBuffer.Path);
    }
    State.PayloadOpen = false;
    for (std::string* Path : {&State.PlacingPath, &State.RebuiltInput, &State.RebuiltOutput}) {
        if (!Path->empty())
            PlatformDeleteFile(*Path);
        Path->clear();
    }
}

void AbortWithText(const std::string& Text)
{
    Cleanup();
    throw PatchAbort{Text};
}

void AbortWithMessage(int N)
{
    std::string Text = FormatCatalogueMessage(N);
    AbortWithText(Text);
}
