// How tarnwel-build words its errors and warnings: one line each, on stderr.
#pragma once

#include <string>

// A text on one line: line breaks become single blanks, none at either end.
std::string OneLine(const std::string& Text);

void PrintError(const std::string& Text);   // "tarnwel-build: error: ..."
void PrintWarning(const std::string& Text); // "tarnwel-build: warning: ..."
