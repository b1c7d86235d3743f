// Finds the old-file bytes a list of delta commands reads, the way the decoder positions them.
#include "tools/builder/create_window_guard.h"

#include <algorithm>

#include "tools/writer/command_encoder.h"

namespace {

constexpr uint8_t PlainTailsFlag = 0x02; // tails are taken as stored, not added to the source

// Positions are 64-bit here so that hostile sums cannot wrap.
struct ReadTracker {
    int64_t BaseSize = 0;
    int64_t WindowStart = 0;
    int64_t WindowEnd = 0;
    bool Hit = false;

    void OldRange(int64_t SourcePosition, int64_t Start, int64_t Count)
    {
        if (SourcePosition < BaseSize && Count > 0 && Start < WindowEnd && WindowStart < Start + Count)
            Hit = true;
    }
};

} // namespace

bool CommandsReadWindow(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings,
                        const CrcWindowSpec& Window)
{
    ReadTracker Reads{Settings.BaseSize, Window.Start, (int64_t)Window.Start + Window.Length};
    bool AddDeltas = (Settings.VariantFlags & PlainTailsFlag) == 0;
    int64_t CopyPosition = 0, CopyLength = 0, DeltaLength = 0;
    for (const DeltaCommand& Command : Commands) {
        if (Command.Kind == CommandKind::Copy) {
            CopyPosition += Command.Offset + CopyLength;
            CopyLength = Command.Length;
            DeltaLength = (int64_t)Command.Tail.size();
            Reads.OldRange(CopyPosition, CopyPosition, CopyLength + (AddDeltas ? DeltaLength : 0));
        } else if (Command.Kind == CommandKind::Literal) {
            int64_t Done = 0;
            std::vector<int32_t> Pieces = LiteralPieceSizes(Command.Length, Settings.BlockSize);
            for (size_t i = 0; i < Pieces.size(); i++) {
                if (i < Command.PlainPieces.size() && !Command.PlainPieces[i])
                    Reads.OldRange(CopyPosition, CopyPosition + CopyLength + DeltaLength + Done, Pieces[i]);
                Done += Pieces[i];
            }
        }
    }
    return Reads.Hit;
}

bool MakeAddedBytesPlain(std::vector<DeltaCommand>& Commands, DeltaSettings& Settings, const std::vector<uint8_t>& New)
{
    size_t Output = 0;
    auto Take = [&](std::vector<uint8_t>& Bytes, size_t At) {
        if (At > New.size() || Bytes.size() > New.size() - At)
            return false;
        std::copy(New.begin() + (std::ptrdiff_t)At, New.begin() + (std::ptrdiff_t)(At + Bytes.size()), Bytes.begin());
        return true;
    };
    for (DeltaCommand& Command : Commands) {
        if (Command.Kind == CommandKind::Copy) {
            Output += (size_t)Command.Length;
            if (!Take(Command.Tail, Output))
                return false;
            Output += Command.Tail.size();
        } else if (Command.Kind == CommandKind::Literal) {
            if (!Take(Command.Bytes, Output))
                return false;
            Command.PlainPieces.assign(Command.PlainPieces.size(), true);
            Output += Command.Bytes.size();
        }
    }
    Settings.VariantFlags |= PlainTailsFlag;
    return true;
}

std::vector<DeltaCommand> PlainLiteralCommands(const std::vector<uint8_t>& New, DeltaSettings& Settings)
{
    Settings.LengthReuse = 1;
    Settings.VariantFlags = 0;
    Settings.BlockSize = 255;
    if (New.empty())
        return {};
    DeltaCommand Literal;
    Literal.Kind = CommandKind::Literal;
    Literal.Length = (int32_t)New.size();
    Literal.Bytes = New;
    Literal.PlainPieces.assign(LiteralPieceSizes(Literal.Length, Settings.BlockSize).size(), true);
    return {Literal};
}
