// The numbered message texts, their placeholders, and how emitted texts become output lines.
#include "shell/message_catalogue.h"

#include "core/applier_state.h"
#include "shell/fixed_texts.h"
#include "shell/window_ops.h"

static const char* const MessageCatalogue[] = {
#define CATALOGUE(N, Text) Text,
#define FIXED_TEXT(Name, Text)
#include "encoded_texts.inc" // shell/texts.inc in the build's character set
#undef CATALOGUE
#undef FIXED_TEXT
};
static_assert(sizeof MessageCatalogue / sizeof MessageCatalogue[0] == 38, "the catalogue has 38 entries");

std::string FormatCatalogueMessage(int N)
{
    return ExpandPlaceholders(MessageCatalogue[N]);
}

// A path of "." or ".\" reads as the current folder; a leading ".\" is dropped from longer ones.
static void AppendValue(std::string& Result, const std::string& Value)
{
    if (Value.empty())
        return;
    if (Value == "." || Value == ".\\")
        Result += CurrentFolderText;
    else if (Value.size() > 2 && Value.compare(0, 2, ".\\") == 0)
        Result.append(Value, 2, std::string::npos);
    else
        Result += Value;
}

std::string ExpandPlaceholders(const std::string& Template)
{
    std::string Result;
    size_t I = 0;
    while (I < Template.size()) {
        if (Template[I] != '%') {
            Result += Template[I++];
            continue;
        }
        char Next = I + 1 < Template.size() ? Template[I + 1] : '\0';
        switch (Next) {
        case 'n': AppendValue(Result, "\r\n"); break;
        case 'p': AppendValue(Result, State.PatchPath); break;
        case 'm': AppendValue(Result, State.CurrentFileName); break;
        case 's': AppendValue(Result, State.TargetPath); break;
        default:
            AppendValue(Result, "%");
            I += 1;
            continue;
        }
        I += 2;
    }
    return Result;
}

std::string IntToDecimal(int32_t Value)
{
    if (Value == 0)
        return "0";
    uint32_t Magnitude = Value < 0 ? 0u - (uint32_t)Value : (uint32_t)Value;
    std::string Digits;
    for (; Magnitude > 0; Magnitude /= 10)
        Digits.insert(Digits.begin(), (char)('0' + Magnitude % 10));
    return Value < 0 ? "-" + Digits : Digits;
}

static void CompleteLine(const std::string& Line)
{
    State.LastLine = Line;
    AddLine(Line);
}

void EmitText(const std::string& Text)
{
    std::string Line;
    for (char C : Text) {
        if (C == ReopenMarker) {
            Line = State.LastLine;
            RemoveLastLine();
        } else if (C == '\r') {
            CompleteLine(Line);
            Line.clear();
        } else if (C != '\n') {
            Line += C;
        }
    }
    if (!Line.empty())
        CompleteLine(Line);
    PumpMessages();
}

void EmitMessage(int N)
{
    EmitText(FormatCatalogueMessage(N));
}

bool AskYesNo(int N, const std::string& Caption)
{
    return AskYesNoBox(FormatCatalogueMessage(N), Caption);
}

void ShowRunError(const std::string& Text)
{
    EmitText(Text);
    ShowBox(Text + " ", RunErrorCaption, BoxKind::Plain);
}
