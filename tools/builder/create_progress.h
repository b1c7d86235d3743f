// A one-line progress bar on stderr, redrawn in place; silent unless enabled.
#pragma once

#include <cstddef>
#include <string>

struct ProgressBar {
    bool Enabled = false;
    std::string Label;
    size_t Total = 0;
    size_t Done = 0;
};

void StartProgress(ProgressBar& Bar, bool Enabled, const std::string& Label, size_t Total);
void StepProgress(ProgressBar& Bar);
void EndProgress(ProgressBar& Bar); // clears the line
