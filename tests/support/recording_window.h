// A window stand-in for tests: it records every line, box and question, and answers questions
// from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

struct RecordedBox {
    std::string Text;
    std::string Caption;
};

struct RecordingWindow {
    std::vector<std::string> Lines;  // the output list as it stands
    std::vector<RecordedBox> Boxes;  // boxes and questions, in order
    std::string InfoBox;             // last text of the info box
    std::string TargetEdit;          // last text of the target edit
    std::deque<bool> Answers;        // answers to the next questions; No when empty
    int Pumps = 0;                   // PumpMessages calls
    int InfoBoxSets = 0;             // texts given to the info box
};

extern RecordingWindow Recorder;

void ResetRecorder();
