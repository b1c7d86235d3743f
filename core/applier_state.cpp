// Defines the single global state record.
#include "core/applier_state.h"

ApplierState State;

void ResetApplierState()
{
    State = ApplierState();
}
