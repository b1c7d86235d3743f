// The one exception type: it ends a startup validation or a run and carries the text to show.
#pragma once

#include <string>

struct PatchAbort {
    std::string Text;
};
