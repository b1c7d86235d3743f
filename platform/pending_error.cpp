// Keeps the file layer's one pending error code and the test hook that refuses an operation.
#include "platform/pending_error.h"

#include "platform/platform.h"

struct PendingErrorState {
    int32_t Code = 0;           // the first failure since the last take; 0 when none
    int32_t OperationsLeft = 0; // counted operations up to the refused one; 0 when the hook is off
};

static PendingErrorState Pending;

int32_t PlatformTakeError()
{
    int32_t Code = Pending.Code;
    Pending.Code = 0;
    return Code;
}

void PlatformSetError(int32_t Code)
{
    if (Pending.Code == 0)
        Pending.Code = Code;
}

int32_t PlatformFailAfter(int32_t N)
{
    int32_t Left = Pending.OperationsLeft;
    Pending.OperationsLeft = N > 0 ? N : 0;
    return Left;
}

bool RefusedByTestHook(int32_t RefusalCode)
{
    if (Pending.OperationsLeft == 0)
        return false;
    Pending.OperationsLeft--;
    if (Pending.OperationsLeft > 0)
        return false;
    PlatformSetError(RefusalCode);
    return true;
}
