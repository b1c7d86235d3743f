// Starts one patch run; until runs exist, a validated patch is all there is to do.
#include "shell/run_starter.h"

int StartRun()
{
    return 0;
}
