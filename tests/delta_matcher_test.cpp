// Round trips of the delta matcher through a model of the decoder's command semantics and
// through the real encoder and decoder, and the coded-size count against known codings.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/support/decoder_harness.h"
#include "tools/builder/command_cost.h"
#include "tools/builder/compressed_size.h"
#include "tools/builder/delta_matcher.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Independent model of the decoder: runs the commands on byte vectors and fails, with a reason,
// wherever the decoder would refuse a read or could not code a number.
struct CommandModel {
    CommandModel(const Bytes& OldFile, const DeltaSettings& Chosen) : Old(OldFile), Settings(Chosen) {}

    const Bytes& Old;
    const DeltaSettings& Settings;
    int64_t HiddenStart = 0, HiddenEnd = 0; // old bytes that no command may read
    Bytes Out;
    int64_t CopyPosition = 0, CopyLength = 0;
    int32_t DeltaLength = 0, ReuseCounter = 0;
    std::string Why;

    bool Fail(const std::string& Reason)
    {
        Why = Reason + " at output " + std::to_string(Out.size());
        return false;
    }

    bool Codable(int64_t Value)
    {
        return std::llabs(Value) <= LargestMagnitude(NumberRangeOf(Settings)) || Fail("number too wide");
    }

    // Reads Count bytes of the combined source at Pos for the command that follows CopyPosition.
    bool ReadSource(int64_t Pos, int64_t Count, Bytes& Into)
    {
        int64_t Base = (int64_t)Old.size();
        if (CopyPosition < Base) {
            if (Pos < 0 || Pos + Count > Base)
                return Fail("old read out of range");
            if (Pos < HiddenEnd && HiddenStart < Pos + Count)
                return Fail("read of hidden old bytes");
            Into.assign(Old.begin() + Pos, Old.begin() + Pos + Count);
        } else {
            if (Pos - Base < 0 || Pos - Base + Count > (int64_t)Out.size())
                return Fail("output read out of range");
            Into.assign(Out.begin() + (Pos - Base), Out.begin() + (Pos - Base + Count));
        }
        return true;
    }

    bool CopyFromSource(int64_t Pos, int64_t Count)
    {
        int64_t Base = (int64_t)Old.size();
        if (Pos < Base) {
            if (Pos < 0 || Pos + Count > Base)
                return Fail("copy out of the old file");
            if (Pos < HiddenEnd && HiddenStart < Pos + Count)
                return Fail("copy of hidden old bytes");
            Out.insert(Out.end(), Old.begin() + Pos, Old.begin() + Pos + Count);
            return true;
        }
        for (int64_t Done = 0; Done < Count; Done += 1000) {
            int64_t Piece = std::min<int64_t>(1000, Count - Done), From = Pos - Base + Done;
            if (From + Piece > (int64_t)Out.size())
                return Fail("copy from unwritten output");
            Bytes Chunk(Out.begin() + From, Out.begin() + From + Piece);
            Out.insert(Out.end(), Chunk.begin(), Chunk.end());
        }
        return true;
    }

    bool Copy(const DeltaCommand& Command)
    {
        if (Command.Length <= 0 || !Codable(Command.Length) || !Codable(Command.Offset))
            return Fail("bad copy");
        int64_t Pos = CopyPosition + Command.Offset + CopyLength;
        if (ReuseCounter == 0) {
            if (Command.Tail.size() > 255)
                return Fail("tail too long");
            DeltaLength = (int32_t)Command.Tail.size();
            ReuseCounter = Settings.LengthReuse;
        } else if ((int32_t)Command.Tail.size() != DeltaLength) {
            return Fail("tail length differs from the shared one");
        }
        ReuseCounter--;
        CopyLength = Command.Length;
        CopyPosition = Pos;
        if (!CopyFromSource(Pos, Command.Length))
            return false;
        Bytes Source;
        if (DeltaLength == 0 || !ReadSource(CopyPosition + CopyLength, DeltaLength, Source))
            return DeltaLength == 0;
        bool AddDeltas = !(Settings.VariantFlags & 2);
        for (int32_t Index = 0; Index < DeltaLength; Index++)
            Out.push_back((uint8_t)(Command.Tail[Index] + (AddDeltas ? Source[Index] : 0)));
        return true;
    }

    bool Literal(const DeltaCommand& Command)
    {
        int32_t Total = Command.Length, Block = Settings.BlockSize;
        if (Total <= 0 || !Codable(Total) || (int32_t)Command.Bytes.size() != Total || Block == 0)
            return Fail("bad literal");
        size_t PieceIndex = 0;
        for (int32_t Done = 0; Done < Total; Done += Block, PieceIndex++) {
            int32_t Rest = Total - Done;
            int32_t Piece = Rest >= Block && Rest < 2 * Block ? Rest : std::min(Block, Rest);
            if (PieceIndex >= Command.PlainPieces.size())
                return Fail("missing piece bit");
            Bytes Source(Piece, 0);
            if (!Command.PlainPieces[PieceIndex] &&
                !ReadSource(CopyPosition + CopyLength + DeltaLength + Done, Piece, Source))
                return false;
            for (int32_t Index = 0; Index < Piece; Index++)
                Out.push_back((uint8_t)(Command.Bytes[Done + Index] + Source[Index]));
            if (Piece == Rest)
                break;
        }
        return PieceIndex + 1 == Command.PlainPieces.size() || Fail("extra piece bits");
    }

    bool Run(const std::vector<DeltaCommand>& Commands)
    {
        for (const DeltaCommand& Command : Commands) {
            bool Done = Command.Kind == CommandKind::Copy      ? Copy(Command)
                        : Command.Kind == CommandKind::Literal ? Literal(Command)
                                                                : (ReuseCounter--, true);
            if (!Done)
                return false;
        }
        return true;
    }
};

Bytes RandomBytes(std::mt19937& Random, size_t Count, int Alphabet = 256)
{
    Bytes Data(Count);
    for (uint8_t& Byte : Data)
        Byte = (uint8_t)(Random() % Alphabet);
    return Data;
}

// Changes Width bytes every Spacing bytes or so, as moved addresses do in a rebuilt program.
Bytes Substituted(std::mt19937& Random, Bytes Data, int Spacing, int Width)
{
    for (size_t Pos = Random() % Spacing; Pos + Width <= Data.size(); Pos += 1 + Random() % (2 * Spacing))
        for (int Index = 0; Index < Width; Index++)
            Data[Pos + Index] += (uint8_t)(1 + Random() % 255);
    return Data;
}

Bytes Inserted(std::mt19937& Random, Bytes Data, int Count, int MaxLength)
{
    for (int Step = 0; Step < Count; Step++) {
        Bytes Piece = RandomBytes(Random, 1 + Random() % MaxLength);
        Data.insert(Data.begin() + Random() % (Data.size() + 1), Piece.begin(), Piece.end());
    }
    return Data;
}

Bytes Deleted(std::mt19937& Random, Bytes Data, int Count, int MaxLength)
{
    for (int Step = 0; Step < Count && !Data.empty(); Step++) {
        size_t Pos = Random() % Data.size();
        size_t Length = std::min<size_t>(1 + Random() % MaxLength, Data.size() - Pos);
        Data.erase(Data.begin() + Pos, Data.begin() + Pos + Length);
    }
    return Data;
}

Bytes Shuffled(std::mt19937& Random, const Bytes& Data, int Blocks)
{
    std::vector<Bytes> Parts;
    for (int Index = 0; Index < Blocks; Index++)
        Parts.emplace_back(Data.begin() + Data.size() * Index / Blocks, Data.begin() + Data.size() * (Index + 1) / Blocks);
    std::shuffle(Parts.begin(), Parts.end(), Random);
    Bytes Result;
    for (const Bytes& Part : Parts)
        Result.insert(Result.end(), Part.begin(), Part.end());
    return Result;
}

Bytes Concatenated(std::initializer_list<Bytes> Parts)
{
    Bytes Result;
    for (const Bytes& Part : Parts)
        Result.insert(Result.end(), Part.begin(), Part.end());
    return Result;
}

// A table of eight-byte entries, a rising address and a rising offset, as programs carry them.
// Shift moves the entries down by that many places and adds Delta to every offset.
Bytes EntryTable(uint32_t Seed, int Count, int Shift, int Delta)
{
    std::mt19937 Steps(Seed);
    Bytes Table;
    uint32_t Address = 0x42a10, Offset = 0x1c9ec;
    for (int Entry = 0; Entry < Count + Shift; Entry++) {
        Address += 0x30 + Steps() % 0x400;
        Offset += 0x30 + Steps() % 0x60;
        if (Entry < Shift)
            continue;
        for (uint32_t Word : {Address, Offset + Delta})
            for (int Byte = 0; Byte < 4; Byte++)
                Table.push_back((uint8_t)(Word >> (8 * Byte)));
    }
    return Table;
}

struct FilePair {
    Bytes Old, New;
};

struct RoundTripCase {
    const char* Name;
    std::function<FilePair(std::mt19937&)> Make;
    double MaxShare; // the largest size allowed, as a share of the new file (plus 64 bytes)
};

const RoundTripCase RoundTripCases[] = {
    {"BothEmpty", [](std::mt19937&) { return FilePair{}; }, 0},
    {"EmptyNew", [](std::mt19937& R) { return FilePair{RandomBytes(R, 3000), {}}; }, 0},
    {"EmptyOld", [](std::mt19937& R) { return FilePair{{}, RandomBytes(R, 3000)}; }, 1.05},
    {"Identical", [](std::mt19937& R) { Bytes A = RandomBytes(R, 70000); return FilePair{A, A}; }, 0},
    {"TinyFiles", [](std::mt19937& R) { Bytes A = RandomBytes(R, 120, 4); return FilePair{A, Substituted(R, A, 30, 1)}; }, 1.1},
    {"Insertions", [](std::mt19937& R) { Bytes A = RandomBytes(R, 30000); return FilePair{A, Inserted(R, A, 20, 300)}; }, 0.2},
    {"Deletions", [](std::mt19937& R) { Bytes A = RandomBytes(R, 30000); return FilePair{A, Deleted(R, A, 20, 300)}; }, 0.02},
    {"SparseSubstitutions", [](std::mt19937& R) { Bytes A = RandomBytes(R, 40000, 16); return FilePair{A, Substituted(R, A, 40, 2)}; }, 0.2},
    {"DenseSubstitutions", [](std::mt19937& R) { Bytes A = RandomBytes(R, 40000); return FilePair{A, Substituted(R, A, 4, 1)}; }, 1.05},
    {"MovedBlocks", [](std::mt19937& R) { Bytes A = RandomBytes(R, 50000); return FilePair{A, Shuffled(R, A, 12)}; }, 0.01},
    {"RepeatsFromOutput", [](std::mt19937& R) {
         Bytes Block = RandomBytes(R, 5000);
         return FilePair{RandomBytes(R, 2000), Concatenated({Block, RandomBytes(R, 100), Block, Substituted(R, Block, 50, 1)})};
     }, 0.5},
    {"ChangesAtBothEnds", [](std::mt19937& R) {
         Bytes A = RandomBytes(R, 20000);
         Bytes B = A;
         B.front() ^= 1;
         B[B.size() - 2] ^= 1;
         return FilePair{A, Concatenated({RandomBytes(R, 7), B, A, RandomBytes(R, 5)})};
     }, 0.05},
    // every entry differs in one byte, so no eight bytes in a row match
    {"EveryTableEntryChanged", [](std::mt19937& R) {
         uint32_t Seed = R();
         return FilePair{EntryTable(Seed, 3000, 0, 0), EntryTable(Seed, 3000, 2, -16)};
     }, 0.5},
    {"LowEntropy", [](std::mt19937& R) { Bytes A = RandomBytes(R, 30000, 2); return FilePair{A, Inserted(R, Substituted(R, A, 100, 3), 5, 50)}; }, 0.5},
    {"BeyondSixteenBits", [](std::mt19937& R) {
         Bytes A = RandomBytes(R, 150000);
         return FilePair{A, Shuffled(R, Inserted(R, Substituted(R, A, 300, 2), 10, 100), 7)};
     }, 0.1},
};

void PrintTo(const RoundTripCase& Case, std::ostream* Out)
{
    *Out << Case.Name;
}

class MatcherRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

const SizeGoal Goals[] = {SizeGoal::Compressed, SizeGoal::Stored};

std::string GoalName(SizeGoal Goal)
{
    return Goal == SizeGoal::Stored ? "stored" : "compressed";
}

TEST_P(MatcherRoundTrip, RebuildsTheNewFileExactly)
{
    for (int Trip = 0; Trip < 6; Trip++) {
        uint32_t Seed = 1 + Trip / 2;
        SizeGoal Goal = Goals[Trip % 2];
        SCOPED_TRACE("seed " + std::to_string(Seed) + ", " + GoalName(Goal));
        std::mt19937 Random(Seed);
        FilePair Pair = GetParam().Make(Random);
        DeltaSettings Settings = SettingsOf((int32_t)Pair.Old.size(), (int32_t)Pair.New.size());
        std::vector<DeltaCommand> Commands = MatchDelta(Pair.Old, Pair.New, Settings, CrcWindowSpec(), Goal);
        EXPECT_EQ(Settings.BaseSize, (int32_t)Pair.Old.size());
        EXPECT_EQ(Settings.ResultSize, (int32_t)Pair.New.size());
        CommandModel Model(Pair.Old, Settings);
        ASSERT_TRUE(Model.Run(Commands)) << Model.Why;
        ASSERT_TRUE(Model.Out == Pair.New) << "rebuilt " << Model.Out.size() << " of " << Pair.New.size() << " bytes";
        // each goal is held to its own measure of size
        int64_t Size = Goal == SizeGoal::Stored ? CodedSizes(Commands, Settings).Total()
                                                : CompressedSize(Commands, Settings);
        EXPECT_LE(Size, GetParam().MaxShare * Pair.New.size() + 64);
    }
}

INSTANTIATE_TEST_SUITE_P(Pairs, MatcherRoundTrip, ::testing::ValuesIn(RoundTripCases),
                         [](const ::testing::TestParamInfo<RoundTripCase>& Info) { return std::string(Info.param.Name); });

// The same pairs through the command encoder and the decoder; the size that the matcher
// counted must be the size that the encoder writes.
class MatcherThroughDecoder : public ReconstructTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(MatcherThroughDecoder, RebuildsTheNewFileExactly)
{
    for (SizeGoal Goal : Goals) {
        SCOPED_TRACE(GoalName(Goal));
        std::mt19937 Random(11);
        FilePair Pair = GetParam().Make(Random);
        DeltaSettings Settings = SettingsOf((int32_t)Pair.Old.size(), (int32_t)Pair.New.size());
        std::vector<DeltaCommand> Commands = MatchDelta(Pair.Old, Pair.New, Settings, CrcWindowSpec(), Goal);
        DecoderCase Case = CaseFromCommands(Pair.Old, Commands, Settings);
        StreamSizes Counted = CodedSizes(Commands, Settings);
        for (int Stream = 0; Stream < SubStreamCount; Stream++)
            EXPECT_EQ(Counted.Bytes[Stream], (int64_t)Case.SubStreams[Stream].size()) << "sub-stream " << Stream;
        DecoderOutcome Outcome = Run(Case);
        ASSERT_TRUE(Outcome.Result) << Outcome.AbortText;
        EXPECT_TRUE(Outcome.Output == Pair.New) << "rebuilt " << Outcome.Output.size() << " of " << Pair.New.size()
                                                << " bytes";
    }
}

// Stretches whose changes want different tail lengths (one byte, then three): made smallest as
// stored, the tail length changes between them, with value-0 commands ending a group early,
// and the result is smaller than with one tail length for the whole file.
TEST(MatcherStoredGoal, ChangesTailLengthBetweenStretches)
{
    std::mt19937 Random(23);
    Bytes Old = RandomBytes(Random, 120000);
    Bytes New = Concatenated({Substituted(Random, Bytes(Old.begin(), Old.begin() + 60000), 40, 1),
                              Substituted(Random, Bytes(Old.begin() + 60000, Old.end()), 40, 3)});
    DeltaSettings Stored = SettingsOf((int32_t)Old.size(), (int32_t)New.size()), Compressed = Stored;
    std::vector<DeltaCommand> Commands = MatchDelta(Old, New, Stored, CrcWindowSpec(), SizeGoal::Stored);
    std::vector<DeltaCommand> Shared = MatchDelta(Old, New, Compressed, CrcWindowSpec(), SizeGoal::Compressed);
    CommandModel Model(Old, Stored);
    ASSERT_TRUE(Model.Run(Commands)) << Model.Why;
    EXPECT_TRUE(Model.Out == New);
    std::set<size_t> TailLengths;
    int Skips = 0;
    for (const DeltaCommand& Command : Commands) {
        if (Command.Kind == CommandKind::Copy)
            TailLengths.insert(Command.Tail.size());
        Skips += Command.Kind == CommandKind::Skip;
    }
    EXPECT_GE(TailLengths.size(), 2u);
    EXPECT_GT(Skips, 0);
    EXPECT_LT(CodedSizes(Commands, Stored).Total(), CodedSizes(Shared, Compressed).Total());
}

INSTANTIATE_TEST_SUITE_P(Pairs, MatcherThroughDecoder, ::testing::ValuesIn(RoundTripCases),
                         [](const ::testing::TestParamInfo<RoundTripCase>& Info) { return std::string(Info.param.Name); });

// Sizes whose sum passes 16777215 while each stays below: the repeat of the block comes from
// late in the output right after a copy from the start of the old file, an offset that only
// the summed number range can code.
TEST(MatcherLargeRange, OffsetsFitTheChosenRange)
{
    std::mt19937 Random(7);
    Bytes Old = RandomBytes(Random, 8500000);
    Bytes Block = RandomBytes(Random, 4000);
    Bytes New = Concatenated({Bytes(Old.begin() + 100000, Old.begin() + 8400000), Block,
                              Bytes(Old.begin(), Old.begin() + 1000), Substituted(Random, Block, 500, 1)});
    DeltaSettings Settings = SettingsOf((int32_t)Old.size(), (int32_t)New.size());
    std::vector<DeltaCommand> Commands = MatchDelta(Old, New, Settings);
    CommandModel Model(Old, Settings);
    ASSERT_TRUE(Model.Run(Commands)) << Model.Why;
    EXPECT_TRUE(Model.Out == New);
    EXPECT_EQ(Settings.VariantFlags & 1, 1);
    EXPECT_LE(CodedSizes(Commands, Settings).Total(), (int64_t)Block.size() + 200);
}

// Old bytes inside a checksum window differ between installations, so no command may read
// them, whether it copies them, adds a tail to them or adds a literal piece to them.
TEST(MatcherWindow, ReadsNoHiddenOldByte)
{
    const CrcWindowSpec Windows[] = {{0, 300}, {10000, 1}, {10000, 700}, {29500, 500}, {5000, 40000}};
    for (const CrcWindowSpec& Window : Windows) {
        SCOPED_TRACE("window " + std::to_string(Window.Start) + "+" + std::to_string(Window.Length));
        std::mt19937 Random(3);
        Bytes Old = RandomBytes(Random, 30000, 16);
        Bytes New = Inserted(Random, Substituted(Random, Old, 60, 2), 3, 40);
        DeltaSettings Settings = SettingsOf((int32_t)Old.size(), (int32_t)New.size());
        std::vector<DeltaCommand> Commands = MatchDelta(Old, New, Settings, Window);
        CommandModel Model(Old, Settings);
        Model.HiddenStart = Window.Start;
        Model.HiddenEnd = (int64_t)Window.Start + Window.Length;
        ASSERT_TRUE(Model.Run(Commands)) << Model.Why;
        EXPECT_TRUE(Model.Out == New);
        EXPECT_LE(CodedSizes(Commands, Settings).Total(), (int64_t)New.size() / 5 + std::min(Window.Length, 30000) + 64);
    }
}

bool SameCommands(const std::vector<DeltaCommand>& A, const std::vector<DeltaCommand>& B)
{
    auto Same = [](const DeltaCommand& X, const DeltaCommand& Y) {
        return X.Kind == Y.Kind && X.Length == Y.Length && X.Offset == Y.Offset && X.Tail == Y.Tail &&
               X.Bytes == Y.Bytes && X.PlainPieces == Y.PlainPieces;
    };
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), Same);
}

// An old file large enough to be sorted in two halves on two threads, with blocks that straddle
// the middle: the result must still rebuild the file and must not depend on thread timing.
TEST(MatcherTwoHalves, RebuildsAndRepeatsItself)
{
    std::mt19937 Random(5);
    Bytes Old = RandomBytes(Random, 1500000, 64);
    Bytes New = Substituted(Random, Shuffled(Random, Old, 5), 200, 2);
    DeltaSettings Settings = SettingsOf((int32_t)Old.size(), (int32_t)New.size());
    std::vector<DeltaCommand> First = MatchDelta(Old, New, Settings);
    CommandModel Model(Old, Settings);
    ASSERT_TRUE(Model.Run(First)) << Model.Why;
    EXPECT_TRUE(Model.Out == New);
    EXPECT_LE(CodedSizes(First, Settings).Total(), (int64_t)New.size() / 20);
    DeltaSettings Again = Settings;
    EXPECT_TRUE(SameCommands(First, MatchDelta(Old, New, Again)));
    EXPECT_EQ(Again.LengthReuse, Settings.LengthReuse);
    EXPECT_EQ(Again.VariantFlags, Settings.VariantFlags);
}

DeltaCommand CopyOf(int32_t Length, int32_t Offset, size_t Tail = 0)
{
    DeltaCommand Command;
    Command.Length = Length;
    Command.Offset = Offset;
    Command.Tail.assign(Tail, 0);
    return Command;
}

DeltaCommand SkipCommand()
{
    DeltaCommand Command;
    Command.Kind = CommandKind::Skip;
    return Command;
}

DeltaCommand LiteralOf(int32_t Length)
{
    DeltaCommand Command;
    Command.Kind = CommandKind::Literal;
    Command.Length = Length;
    Command.Bytes.assign(Length, 0);
    return Command;
}

struct NumberCase {
    int32_t Range;
    int64_t Value;
    int32_t Bytes;
    int32_t Bits;
};

// Widths of known codings: the sign and first continuation bit, then one more bit per width
// step that the range allows.
const NumberCase NumberCases[] = {
    {100, 42, 1, 1},           {1000, 5, 1, 2},          {1000, -300, 2, 2},     {100000, 100000, 3, 3},
    {20000000, -4660, 2, 3},   {20000000, 16909060, 4, 4}, {100000, 255, 1, 2},  {100000, 256, 2, 3},
    {16777215, 16777215, 3, 3}, {16777216, 16777215, 3, 4}, {255, 255, 1, 1},     {256, 255, 1, 2},
};

TEST(NumberCost, MatchesTheCodedWidths)
{
    for (const NumberCase& Case : NumberCases) {
        SCOPED_TRACE("range " + std::to_string(Case.Range) + " value " + std::to_string(Case.Value));
        EXPECT_EQ(NumberCostBits(Case.Value, Case.Range), 8 * Case.Bytes + Case.Bits);
    }
}

TEST(LiteralPieces, LastPieceTakesRemainderBelowTwoBlocks)
{
    const int32_t Cases[][3] = {{2, 1, 1}, {2, 3, 1}, {2, 4, 2}, {2, 5, 2}, {255, 509, 1}, {255, 510, 2}, {255, 1000, 3}};
    for (const auto& Case : Cases)
        EXPECT_EQ(LiteralPieceCount(Case[1], Case[0]), Case[2]) << Case[0] << " " << Case[1];
}

TEST(CodedSizes, CountsLengthBytesBitsAndPayloads)
{
    DeltaSettings Settings;
    Settings.BaseSize = 1000;
    Settings.ResultSize = 900;
    Settings.LengthReuse = 2;
    Settings.BlockSize = 2;
    // Copies read a length byte at counter 0 only; a skip brings the next one sooner.
    std::vector<DeltaCommand> Commands = {CopyOf(300, 0, 3), CopyOf(4, 3, 3), CopyOf(4, -5, 1),
                                          SkipCommand(), LiteralOf(5), CopyOf(4, 2, 1)};
    Commands[4].PlainPieces = {true, false};
    StreamSizes Sizes = CodedSizes(Commands, Settings);
    EXPECT_EQ(Sizes.Bytes[0], (2 + 1 + 1) + (1 + 1) + (1 + 1 + 1) + 1 + 1 + (1 + 1 + 1));
    EXPECT_EQ(Sizes.Bytes[1], 1); // two piece bits
    EXPECT_EQ(Sizes.Bytes[2], 3); // ten numbers, two bits each
    EXPECT_EQ(Sizes.Bytes[3], 5);
    EXPECT_EQ(Sizes.Bytes[4], 3 + 3 + 1 + 1);
    Settings.VariantFlags = 1; // range 1900: still two bits per number
    EXPECT_EQ(CodedSizes(Commands, Settings).Total(), Sizes.Total());
}

} // namespace
