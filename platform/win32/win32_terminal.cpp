// Tells whether standard error is a console on Win32.
#include <io.h>

#include <cstdio>

#include "platform/terminal.h"

bool PlatformStderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}
