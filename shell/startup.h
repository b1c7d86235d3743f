// The program entry: where the patch comes from, the command line, the validation and the run.
#pragma once

#include <string>
#include <vector>

void ProbeOwnFile();
std::vector<std::string> SplitCommandLine(const std::string& CommandLine);
bool ParseCommandLine(const std::vector<std::string>& Tokens); // false: the usage box is due
void ShowUsage();
bool ValidatePatch();
int ApplierMain(const std::vector<std::string>& Tokens); // returns the exit code
