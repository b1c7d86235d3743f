// Draws the builder's progress bar on stderr.
#include "tools/builder/create_progress.h"

#include <cstdio>

namespace {

constexpr size_t BarWidth = 30;

void Draw(const ProgressBar& Bar)
{
    size_t Filled = Bar.Total == 0 ? BarWidth : Bar.Done * BarWidth / Bar.Total;
    std::string Line = "\r" + Bar.Label + " [" + std::string(Filled, '#') + std::string(BarWidth - Filled, ' ') + "] " +
                       std::to_string(Bar.Done) + "/" + std::to_string(Bar.Total);
    std::fputs(Line.c_str(), stderr);
    std::fflush(stderr);
}

} // namespace

void StartProgress(ProgressBar& Bar, bool Enabled, const std::string& Label, size_t Total)
{
    Bar = ProgressBar{Enabled, Label, Total, 0};
    if (Bar.Enabled)
        Draw(Bar);
}

void StepProgress(ProgressBar& Bar)
{
    Bar.Done++;
    if (Bar.Enabled)
        Draw(Bar);
}

void EndProgress(ProgressBar& Bar)
{
    if (!Bar.Enabled)
        return;
    std::fputs(("\r" + std::string(Bar.Label.size() + BarWidth + 30, ' ') + "\r").c_str(), stderr);
    std::fflush(stderr);
    Bar.Enabled = false;
}
