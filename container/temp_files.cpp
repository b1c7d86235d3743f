// The temporary directory and the names of temporary files in it.
#include "container/patch_block.h"

#include "core/applier_state.h"
#include "platform/platform.h"
#include "shell/message_catalogue.h"

static bool EndsWithSeparator(const std::string& Path)
{
    return !Path.empty() && (Path.back() == '\\' || Path.back() == '/');
}

void InitTempDir()
{
    State.TempDir = PlatformTempPath();
    if (!State.TempDir.empty() && !EndsWithSeparator(State.TempDir))
        State.TempDir += '\\';
}

// The name is not reserved: the caller creates the file at once.
std::string MakeTempName()
{
    for (int32_t N = 0;; N++) {
        std::string Name = State.TempDir + "TWQ" + IntToDecimal(N) + ".tmp";
        if (!PlatformFileExists(Name))
            return Name;
    }
}
