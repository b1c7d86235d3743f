// The window operations for tarnwel-build: the applier's reader and decoder run here without a
// window, so texts meant for the user of a patch are dropped and every question is answered No.
#include "shell/window_ops.h"

void AddLine(const std::string&)
{
}

void RemoveLastLine()
{
}

void PumpMessages()
{
}

void SetControlText(Control, const std::string&)
{
}

void ShowBox(const std::string&, const std::string&, BoxKind)
{
}

bool AskYesNoBox(const std::string&, const std::string&)
{
    return false;
}
