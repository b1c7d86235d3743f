// Runs one of our programs as a user would, and captures what it says and how it ends.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ProgramResult {
    int ExitCode = -1;
    std::string Out; // stdout
    std::string Err; // stderr
};

// Runs Program with Arguments (each passed as one word), stdin fed from Input, and with the
// Environment settings (name, value) added. Meant for the native end-to-end tests.
ProgramResult RunProgram(const std::string& Program, const std::vector<std::string>& Arguments,
                         const std::string& Input = "",
                         const std::vector<std::pair<std::string, std::string>>& Environment = {});

// The lines of a text ended by "\n"; a last line without one counts too.
std::vector<std::string> SplitLines(const std::string& Text);
