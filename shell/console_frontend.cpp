// The console front end: the output list on stdout, boxes and questions on stderr and stdin.
//
// The last output line is held back until the next one arrives, because a later text may still
// take it back and complete it; stdout thus carries every line only in its final form.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/startup.h"
#include "shell/windows_1252.h"
#include "shell/window_ops.h"

struct ConsoleState {
    std::string HeldLine; // the last output line, not yet printed
    bool HoldingLine = false;
};

static ConsoleState Console;

static void PrintHeldLine()
{
    if (!Console.HoldingLine)
        return;
    std::fwrite(Console.HeldLine.data(), 1, Console.HeldLine.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    Console.HoldingLine = false;
}

// Box texts use CR LF (and the description CR CR LF) for line ends; a console wants LF.
static std::string ConsoleLines(const std::string& Text)
{
    std::string Out;
    for (char C : Text)
        if (C != '\r')
            Out += C;
    return Out;
}

#ifdef TARNWEL_UTF8_CONSOLE
// The description arrives in Windows-1252, the character set the window shows it in.
static std::string Cp1252ToUtf8(const std::string& Text)
{
    std::string Out;
    for (char C : Text)
        Out += Windows1252ToUtf8((uint8_t)C);
    return Out;
}
#else
static std::string Cp1252ToUtf8(const std::string& Text)
{
    return Text;
}
#endif

static void PrintBox(const std::string& Caption, const std::string& Text)
{
    PrintHeldLine();
    std::string Body = ConsoleLines(Text);
    std::fprintf(stderr, "%s:\n%s\n", Caption.c_str(), Body.c_str());
    std::fflush(stderr);
}

void AddLine(const std::string& Text)
{
    PrintHeldLine();
    Console.HeldLine = Text;
    Console.HoldingLine = true;
}

void RemoveLastLine()
{
    Console.HoldingLine = false;
}

void PumpMessages()
{
}

void SetControlText(Control Which, const std::string& Text)
{
    if (Which != Control::InfoBox)
        return;
    PrintHeldLine();
    std::string Body = ConsoleLines(Cp1252ToUtf8(Text));
    std::fprintf(stderr, "%s\n", Body.c_str());
    std::fflush(stderr);
}

void ShowBox(const std::string& Text, const std::string& Caption, BoxKind)
{
    PrintBox(Caption, Text);
}

bool AskYesNoBox(const std::string& Text, const std::string& Caption)
{
    PrintBox(Caption, Text + " [y/N]");
    char Line[64];
    if (!std::fgets(Line, sizeof Line, stdin))
        return false;
    std::string Answer(Line);
    while (!Answer.empty() && (Answer.back() == '\n' || Answer.back() == '\r'))
        Answer.pop_back();
    for (char& C : Answer)
        if (C >= 'A' && C <= 'Z')
            C = (char)(C - 'A' + 'a');
    return Answer == "y" || Answer == "yes";
}

int main(int argc, char** argv)
{
    std::string Line = PlatformCommandLine();
    std::vector<std::string> Tokens;
    if (!Line.empty())
        Tokens = SplitCommandLine(Line);
    else
        Tokens.assign(argv, argv + argc);
    int Code = ApplierMain(Tokens);
    PrintHeldLine();
    return Code;
}
