// The patterns of --optional: "*" and "?" that stop at "/", matched against stored names.
#pragma once

#include <string>

// Pattern and Name may use "/" or "\" between parts. A pattern without a separator is matched
// against the name's last part, one with a separator against the whole name.
bool GlobMatches(const std::string& Pattern, const std::string& Name);
