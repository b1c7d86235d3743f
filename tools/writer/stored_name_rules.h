// The rules a file name inside a patch must keep so that the applier on Windows accepts it and
// it names a file below the target and nothing else.
#pragma once

#include <string>

// Name uses "\" between its parts. False with a reason when it is empty, longer than 255
// bytes, absolute, names a drive, climbs out with "..", has an empty or "." part, or has a part
// that Windows cannot hold (":", control characters, <>"|?*, a trailing dot or blank, a device
// name such as CON or LPT1, also with an extension).
bool CheckStoredName(const std::string& Name, std::string& Reason);
