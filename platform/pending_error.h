// The pending error code and the fault-injection hook that both platform layers share.
#pragma once

#include <cstdint>

// Counts one file operation for PlatformFailAfter. True when the hook refuses this operation;
// RefusalCode is then left pending and the caller must do nothing but report failure.
bool RefusedByTestHook(int32_t RefusalCode);
