// Defines the single global state record.
#include "core/applier_state.h"

ApplierState State;

void ResetApplierState()
{
    // In place: a temporary of this size would not fit every stack.
    State.~ApplierState();
    new (&State) ApplierState();
}
