// A window stand-in for tests: it records every line, box and question.
#include "tests/support/recording_window.h"

#include "shell/window_ops.h"

RecordingWindow Recorder;

void ResetRecorder()
{
    Recorder = RecordingWindow();
}

void AddLine(const std::string& Text)
{
    Recorder.Lines.push_back(Text);
}

void RemoveLastLine()
{
    if (!Recorder.Lines.empty())
        Recorder.Lines.pop_back();
}

void PumpMessages()
{
    Recorder.Pumps++;
}

void SetControlText(Control Which, const std::string& Text)
{
    if (Which == Control::InfoBox) {
        Recorder.InfoBox = Text;
        Recorder.InfoBoxSets++;
    } else {
        Recorder.TargetEdit = Text;
    }
    PumpMessages();
}

void ShowBox(const std::string& Text, const std::string& Caption, BoxKind)
{
    Recorder.Boxes.push_back({Text, Caption});
}

bool AskYesNoBox(const std::string& Text, const std::string& Caption)
{
    Recorder.Boxes.push_back({Text, Caption});
    if (Recorder.Answers.empty())
        return false;
    bool Answer = Recorder.Answers.front();
    Recorder.Answers.pop_front();
    return Answer;
}
