// Prints the builder's errors and warnings.
#include "tools/builder/builder_messages.h"

#include <cstdio>

std::string OneLine(const std::string& Text)
{
    std::string Line;
    bool Break = false;
    for (char C : Text) {
        if (C == '\r' || C == '\n') {
            Break = true;
            continue;
        }
        if (Break && !Line.empty() && Line.back() != ' ')
            Line += ' ';
        Break = false;
        Line += C;
    }
    return Line;
}

void PrintError(const std::string& Text)
{
    std::fflush(stdout);
    std::fprintf(stderr, "tarnwel-build: error: %s\n", OneLine(Text).c_str());
}

void PrintWarning(const std::string& Text)
{
    std::fprintf(stderr, "tarnwel-build: warning: %s\n", OneLine(Text).c_str());
}
