// Checks that a delta keeps away from the bytes a checksum window leaves out: those bytes differ
// from one installation to the next, so a delta that read them would rebuild different files.
#pragma once

#include <vector>

#include "tools/writer/delta_commands.h"
#include "tools/writer/patch_writer.h"

// True when a copy, an added tail or an added literal piece takes old-file bytes inside Window.
bool CommandsReadWindow(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings,
                        const CrcWindowSpec& Window);
