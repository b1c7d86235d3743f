// Tells whether standard error is a terminal on POSIX.
#include <unistd.h>

#include "platform/terminal.h"

bool PlatformStderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}
