// Keeps deltas away from the bytes a checksum window leaves out: those bytes differ from one
// installation to the next, so a delta that reads them would rebuild different files.
#pragma once

#include <vector>

#include "tools/writer/delta_commands.h"
#include "tools/writer/patch_writer.h"

// True when a copy, an added tail or an added literal piece takes old-file bytes inside Window.
bool CommandsReadWindow(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings,
                        const CrcWindowSpec& Window);

// Turns every tail and every added literal piece into plain bytes of New, so that the commands
// read the old file only where they copy it exactly, and sets the plain-tail flag. False when
// the commands do not fit New; they are then unusable.
bool MakeAddedBytesPlain(std::vector<DeltaCommand>& Commands, DeltaSettings& Settings, const std::vector<uint8_t>& New);

// A delta that reads nothing of the old file: the new bytes as plain literal pieces. Sets the
// settings it needs.
std::vector<DeltaCommand> PlainLiteralCommands(const std::vector<uint8_t>& New, DeltaSettings& Settings);
