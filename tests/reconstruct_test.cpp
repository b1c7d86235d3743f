// Tests of rebuilding a file: the worked example, every failure with its message, and the edge
// cases of tails, literal pieces, copies from the output and old-file checks.
#include <gtest/gtest.h>

#include <functional>

#include "apply/checksum.h"
#include "container/patch_block.h"
#include "core/applier_state.h"
#include "platform/platform.h"
#include "tests/support/decoder_harness.h"
#include "tests/support/recording_window.h"
#include "tests/support/scratch.h"

static std::vector<uint8_t> Repeat(const std::vector<uint8_t>& Part, int Times)
{
    std::vector<uint8_t> Result;
    for (int I = 0; I < Times; I++)
        Result.insert(Result.end(), Part.begin(), Part.end());
    return Result;
}

static std::vector<uint8_t> Pattern(size_t Count, uint32_t Seed)
{
    std::vector<uint8_t> Bytes(Count);
    for (size_t I = 0; I < Count; I++)
        Bytes[I] = (uint8_t)((I * 2654435761u + Seed) >> 13);
    return Bytes;
}

static std::vector<uint8_t> Slice(const std::vector<uint8_t>& Bytes, size_t From, size_t To)
{
    return std::vector<uint8_t>(Bytes.begin() + From, Bytes.begin() + To);
}

static std::vector<uint8_t> Join(std::vector<uint8_t> First, const std::vector<uint8_t>& Second)
{
    First.insert(First.end(), Second.begin(), Second.end());
    return First;
}

// The eight-byte example, byte for byte as it would arrive in a patch.
static DecoderCase EightByteExample()
{
    DecoderCase Case;
    Case.Old = Bytes("ABCDEFGH");
    Case.Variant.OldSize = 8;
    Case.Variant.LengthReuse = 2;
    Case.Variant.VariantFlags = 1;
    Case.Variant.BlockSize = 2;
    Case.ResultSize = 17;
    Case.SubStreams[0] = {0x04, 0x00, 0x02, 0x02, 0x05, 0x02, 0x04};
    Case.SubStreams[1] = {0x06};
    Case.SubStreams[2] = {0x0C};
    Case.SubStreams[3] = {0x01, 0x02, 0x76, 0x77, 0x78, 0x79, 0x7A};
    Case.SubStreams[4] = {0x01, 0x00, 0x00, 0x20};
    return Case;
}

TEST_F(ReconstructTest, EightByteExample)
{
    DecoderOutcome Outcome = Run(EightByteExample());
    ASSERT_EQ(Outcome.Message, -1) << Outcome.AbortText;
    EXPECT_TRUE(Outcome.Result);
    EXPECT_EQ(Outcome.Output, Bytes("ABCDFFHJvwxyzABCd"));
    EXPECT_EQ(Outcome.PositionAfter, Outcome.PayloadEnd);
    EXPECT_EQ(Recorder.Pumps, 4); // once per command
    EXPECT_FALSE(State.SourceOpen || State.OutputOpen || State.SubStreamsOpen);
    EXPECT_EQ(TempDirFiles(), std::vector<std::string>{}); // sub-streams gone, output taken away
}

// Bit readers start at the lowest bit of their first byte in every reconstruction, whatever the
// one before left unread.
TEST_F(ReconstructTest, SecondRunStartsBitReadersAfresh)
{
    DecoderCase Case = EightByteExample();
    DecoderOutcome First = Run(Case);
    DecoderOutcome Second = Run(Case);
    EXPECT_EQ(First.Output, Bytes("ABCDFFHJvwxyzABCd"));
    EXPECT_EQ(Second.Output, First.Output);
}

TEST_F(ReconstructTest, EmptyCommandStreamGivesEmptyFile)
{
    DecoderCase Case = CaseFromCommands(Bytes("old"), {}, SettingsOf(3, 0));
    Case.SubStreams[3] = {1, 2, 3}; // unused sub-streams need not be consumed
    DecoderOutcome Outcome = Run(Case);
    EXPECT_TRUE(Outcome.Result);
    EXPECT_TRUE(Outcome.Output.empty());
    EXPECT_EQ(Outcome.PositionAfter, Outcome.PayloadEnd);
    EXPECT_EQ(Recorder.Pumps, 0);
}

// Short copies that hop between blocks which share a place in the read caches, each straddling
// a block boundary with its tail: every byte must come from the block asked for, in the old file
// and in an output that is long enough to have been written out in part.
TEST_F(ReconstructTest, CopiesHoppingBetweenCachedBlocks)
{
    // blocks this far apart share a slot
    const int64_t OldSpan = (int64_t)ReadCacheBlock * OldCacheSlots;
    const int64_t OutputSpan = (int64_t)ReadCacheBlock * OutputCacheSlots;
    std::vector<uint8_t> Old = Pattern((size_t)(3 * std::max(OldSpan, OutputSpan) + 8 * ReadCacheBlock), 7);
    const int32_t BaseSize = (int32_t)Old.size();
    std::vector<DeltaCommand> Commands;
    std::vector<uint8_t> Expected;
    int64_t CopyEnd = 0;
    auto CopyAt = [&](int64_t Source, int32_t Length) {
        Commands.push_back(Copy(Length, (int32_t)(Source - CopyEnd), std::vector<uint8_t>(4, 0)));
        CopyEnd = Source + Length;
        std::vector<uint8_t> Combined = Join(Old, Expected);
        Expected.insert(Expected.end(), Combined.begin() + Source, Combined.begin() + Source + Length + 4);
    };
    CopyAt(0, BaseSize - 4); // long enough that later copies from the output find it on disk
    for (int Hop : {1, 0, 1, 1, 0})
        CopyAt(Hop * OldSpan + 5 * ReadCacheBlock - 10, 20);
    for (int Hop : {2, 0, 1, 2, 0})
        CopyAt(BaseSize + Hop * OutputSpan + 5 * ReadCacheBlock - 10, 20);
    DecoderOutcome Outcome =
        Run(CaseFromCommands(Old, Commands, SettingsOf(BaseSize, (int32_t)Expected.size(), 0)));
    ASSERT_EQ(Outcome.Message, -1) << Outcome.AbortText;
    EXPECT_TRUE(Outcome.Result);
    EXPECT_EQ(Outcome.Output, Expected);
}

struct RebuildCase {
    const char* Name;
    std::vector<uint8_t> Old;
    DeltaSettings Settings;
    std::vector<DeltaCommand> Commands;
    std::vector<uint8_t> Expected;
};

static void PrintTo(const RebuildCase& Case, std::ostream* Out)
{
    *Out << Case.Name;
}

class Rebuilds : public ReconstructTest, public ::testing::WithParamInterface<RebuildCase> {};

TEST_P(Rebuilds, ProduceExpectedBytes)
{
    const RebuildCase& Case = GetParam();
    DecoderOutcome Outcome = Run(CaseFromCommands(Case.Old, Case.Commands, Case.Settings));
    ASSERT_EQ(Outcome.Message, -1) << Outcome.AbortText;
    EXPECT_TRUE(Outcome.Result);
    EXPECT_EQ(Outcome.Output, Case.Expected);
    EXPECT_EQ(Recorder.Pumps, (int)Case.Commands.size());
}

static const std::vector<uint8_t> Digits = Bytes("0123456789");
static const std::vector<uint8_t> Thousand = Pattern(1000, 5);
static const std::vector<uint8_t> Seventy = Pattern(70000, 9);

// Each tail adds 1 to the old bytes right after its copy, so a tail that is read or skipped
// shows in the output.
const RebuildCase RebuildCases[] = {
    {"EveryCopyReadsItsLengthWithReuse1", Digits, SettingsOf(10, 12, 1),
     {Copy(2, 0, {1}), Copy(1, 1, {}), Copy(2, 0, {1, 1})},
     Bytes("013" "3" "4578")},
    {"OnlyTheFirstCopyReadsALengthWithReuse0", Digits, SettingsOf(10, 12, 0),
     {Copy(2, 0, {1}), Copy(1, 1, {1}), Copy(1, 1, {1})},
     Bytes("013" "35" "57")},
    {"SkipTakesTheCounterBelowZero", Digits, SettingsOf(10, 4, 3),
     {Skip(), Copy(2, 0, {}), Copy(2, 1, {})},
     Bytes("01" "34")},
    {"SkipBringsTheNextLengthForward", Digits, SettingsOf(10, 7, 2),
     {Copy(1, 0, {1}), Skip(), Copy(2, 0, {1, 1, 1})},
     Bytes("02" "12456")},
    {"PlainTailsIgnoreTheSource", Digits, SettingsOf(10, 4, 1, 2),
     {Copy(2, 3, {'x', 'y'})},
     Bytes("34xy")},
    {"LiteralsAddFromAfterTheLastTail", Digits, SettingsOf(10, 9, 1, 0, 2),
     {Copy(2, 0, {0}), Literal({1, 1}, {false}), Literal({2, 2, 2}, {false}), Literal({'z'}, {true})},
     Bytes("012" "45" "567" "z")},
    {"LiteralBeforeAnyCopyAddsFromTheOldStart", Digits, SettingsOf(10, 3),
     {Literal({1, 1, 1}, {false})},
     Bytes("123")},
    {"OutputCopyRepeatsShorterSource", Digits, SettingsOf(10, 4000, 1, 0, 255),
     {PlainLiteral(Thousand, 255), Copy(3000, 10)},
     Repeat(Thousand, 4)},
    {"OutputCopyAcrossTheWriteBuffer", {}, SettingsOf(0, 240000, 1, 0, 255),
     {PlainLiteral(Seventy, 255), Copy(100000, 0), Copy(70000, -100000)},
     Join(Slice(Repeat(Seventy, 3), 0, 170000), Seventy)},
    {"OldCopyAcrossTheWriteBuffer", Pattern(200000, 3), SettingsOf(200000, 199990, 1, 0, 255),
     {Copy(150000, 7, {0, 0, 0}), Copy(49987, -49990)},
     Join(Slice(Pattern(200000, 3), 7, 150010), Slice(Pattern(200000, 3), 100017, 150004))},
    {"TailFromTheOutput", Digits, SettingsOf(10, 7),
     {Literal({'a', 'b', 'c'}, {true}), Copy(2, 10, {1, 1})},
     Bytes("abcabdb")},
};

INSTANTIATE_TEST_SUITE_P(Table, Rebuilds, ::testing::ValuesIn(RebuildCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

struct PieceSplit {
    int32_t BlockSize;
    int32_t Total;
    std::vector<int32_t> Pieces;
};

static void PrintTo(const PieceSplit& Split, std::ostream* Out)
{
    *Out << "block size " << Split.BlockSize << ", literal of " << Split.Total;
}

class LiteralPieces : public ReconstructTest, public ::testing::WithParamInterface<PieceSplit> {};

// Zero literal bytes with add bits alternating from "add": the added pieces show the old bytes
// under them, the plain ones stay zero, so the output reveals every piece boundary.
TEST_P(LiteralPieces, SplitAsListed)
{
    const PieceSplit& Split = GetParam();
    std::vector<uint8_t> Old = Pattern(2000, 1);
    std::vector<bool> Plain;
    std::vector<uint8_t> Expected;
    for (size_t I = 0; I < Split.Pieces.size(); I++) {
        Plain.push_back(I % 2 == 1);
        size_t Start = Expected.size();
        for (int32_t K = 0; K < Split.Pieces[I]; K++)
            Expected.push_back(I % 2 == 1 ? 0 : Old[Start + K]);
    }
    std::vector<DeltaCommand> Commands = {Literal(std::vector<uint8_t>(Split.Total, 0), Plain)};
    DecoderOutcome Outcome =
        Run(CaseFromCommands(Old, Commands, SettingsOf(2000, Split.Total, 1, 0, (uint8_t)Split.BlockSize)));
    ASSERT_EQ(Outcome.Message, -1) << Outcome.AbortText;
    EXPECT_EQ(Outcome.Output, Expected);
}

INSTANTIATE_TEST_SUITE_P(Table, LiteralPieces,
                         ::testing::Values(PieceSplit{2, 1, {1}}, PieceSplit{2, 3, {3}}, PieceSplit{2, 4, {2, 2}},
                                           PieceSplit{2, 5, {2, 3}}, PieceSplit{255, 509, {509}},
                                           PieceSplit{255, 510, {255, 255}},
                                           PieceSplit{255, 1000, {255, 255, 490}}));
