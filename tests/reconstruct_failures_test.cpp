// Tests of how a reconstruction ends when it cannot go on: the message of every failure, the
// files it leaves, and the old files it declines without a message.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "core/applier_state.h"
#include "platform/platform.h"
#include "tests/support/decoder_harness.h"
#include "tests/support/scratch.h"

static const std::vector<uint8_t> Digits = Bytes("0123456789");

// The payload is TWQ0.tmp and goes with the abort; the output, TWQ1.tmp, belongs to the caller
// and stays; sub-stream files go with the abort, also when cutting them failed halfway.
static const std::vector<std::string> OutputOnly = {"TWQ1.tmp"};

struct FailureCase {
    const char* Name;
    std::function<DecoderCase()> Build;
    int Message;
    std::vector<std::string> LeftInTempDir;
};

static std::function<DecoderCase()> FromCommands(std::vector<uint8_t> Old, std::vector<DeltaCommand> Commands,
                                                 DeltaSettings Settings,
                                                 std::function<void(DecoderCase&)> Spoil = nullptr)
{
    return [=] {
        DecoderCase Case = CaseFromCommands(Old, Commands, Settings);
        if (Spoil)
            Spoil(Case);
        return Case;
    };
}

const FailureCase FailureCases[] = {
    {"CopyPastOldEnd", FromCommands(Digits, {Copy(5, 6)}, SettingsOf(10, 5)), 1, OutputOnly},
    {"CopyBelowZero", FromCommands(Digits, {Copy(2, -1)}, SettingsOf(10, 2)), 1, OutputOnly},
    {"OutputCopyLongerThanWritten", FromCommands(Digits, {PlainLiteral(Digits, 255), Copy(20, 10)}, SettingsOf(10, 30)),
     1, OutputOnly},
    {"OutputCopyBeyondItsEnd", FromCommands(Digits, {Copy(1, 10)}, SettingsOf(10, 1)), 1, OutputOnly},
    {"TailPastOldEnd", FromCommands(Digits, {Copy(6, 2, {0, 0, 0})}, SettingsOf(10, 9)), 2, OutputOnly},
    {"PlainTailPastOldEnd", FromCommands(Digits, {Copy(6, 2, {0, 0, 0})}, SettingsOf(10, 9, 1, 2)), 2, OutputOnly},
    {"LiteralSourcePastOldEnd", FromCommands(Bytes("abcd"), {Literal({0, 0, 0, 0, 0, 0}, {false})}, SettingsOf(4, 6)),
     2, OutputOnly},
    {"LiteralSourceInEmptyOutput", FromCommands({}, {Literal({1, 2, 3}, {false})}, SettingsOf(0, 3)), 0, OutputOnly},
    {"TailFromOutputShort",
     FromCommands(Digits, {PlainLiteral(Bytes("abcd"), 255), Copy(4, 10, {0, 0, 0, 0, 0})}, SettingsOf(10, 13)), 0,
     OutputOnly},
    {"LiteralBytesMissing",
     FromCommands(Digits, {PlainLiteral(Bytes("abcde"), 255)}, SettingsOf(10, 5),
                  [](DecoderCase& Case) { Case.SubStreams[3].resize(3); }),
     3, OutputOnly},
    {"TailBytesMissing",
     FromCommands(Digits, {Copy(2, 0, {1, 2, 3})}, SettingsOf(10, 5),
                  [](DecoderCase& Case) { Case.SubStreams[4].resize(1); }),
     3, OutputOnly},
    {"NumberBytesRunOut",
     FromCommands(Digits, {}, SettingsOf(10, 1000),
                  [](DecoderCase& Case) {
                      Case.SubStreams[0] = {0x01};
                      Case.SubStreams[2] = PackBits({0, 1});
                  }),
     0, OutputOnly},
    {"LengthByteMissing",
     FromCommands(Digits, {Copy(2, 0)}, SettingsOf(10, 2), [](DecoderCase& Case) { Case.SubStreams[0].pop_back(); }),
     0, OutputOnly},
    {"SignBitsRunOut",
     FromCommands(Digits, {Copy(1, 0), Copy(1, 0), Copy(1, 0), Copy(1, 0), Copy(1, 0)}, SettingsOf(10, 5),
                  [](DecoderCase& Case) { Case.SubStreams[2].resize(1); }),
     0, OutputOnly},
    {"PieceBitsRunOut",
     FromCommands(Digits, {PlainLiteral(Bytes("abc"), 255)}, SettingsOf(10, 3),
                  [](DecoderCase& Case) { Case.SubStreams[1].clear(); }),
     0, OutputOnly},
    {"BlockSizeZero",
     FromCommands(Digits, {PlainLiteral(Bytes("abc"), 1)}, SettingsOf(10, 3, 1, 0, 1),
                  [](DecoderCase& Case) { Case.Variant.BlockSize = 0; }),
     0, OutputOnly},
    {"PayloadShorterThanStreams",
     FromCommands(Digits, {Copy(2, 0, {1})}, SettingsOf(10, 3), [](DecoderCase& Case) { Case.PayloadShortBy = 1; }),
     0, OutputOnly},
    {"OldFileMissing",
     FromCommands(Digits, {Copy(2, 0)}, SettingsOf(10, 2), [](DecoderCase& Case) { Case.OldMissing = true; }), 5,
     {}},
    {"OutputCannotBeCreated",
     FromCommands(Digits, {Copy(2, 0)}, SettingsOf(10, 2),
                  [](DecoderCase& Case) { Case.DirectoriesInTempDir = {"TWQ1.tmp"}; }),
     9, {"TWQ1.tmp"}},
    {"SubStreamCannotBeCreated",
     FromCommands(Digits, {Copy(2, 0)}, SettingsOf(10, 2),
                  [](DecoderCase& Case) { Case.DirectoriesInTempDir = {"TWQ4.tmp"}; }),
     7, {"TWQ1.tmp", "TWQ4.tmp"}}, // TWQ4.tmp is the directory in the way
};

static void PrintTo(const FailureCase& Case, std::ostream* Out)
{
    *Out << Case.Name;
}

class Failures : public ReconstructTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(Failures, EndTheRunWithTheirMessage)
{
    DecoderOutcome Outcome = Run(GetParam().Build());
    EXPECT_EQ(Outcome.Message, GetParam().Message) << Outcome.AbortText;
    EXPECT_FALSE(Outcome.Result);
    EXPECT_EQ(Outcome.PositionAfter, -1); // the payload is closed
    EXPECT_FALSE(State.SourceOpen || State.OutputOpen || State.SubStreamsOpen || State.PayloadOpen);
    EXPECT_EQ(TempDirFiles(), GetParam().LeftInTempDir);
}

INSTANTIATE_TEST_SUITE_P(Table, Failures, ::testing::ValuesIn(FailureCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

struct OldFileCheck {
    const char* Name;
    int32_t OldSize;
    uint32_t OldCrc;
    int32_t WindowStart;
    int32_t WindowLength;
    bool Accepted;
};

// The old file holds the ten digits.
const OldFileCheck OldFileCheckCases[] = {
    {"Matches", 10, StoredChecksum(Digits), 0, 0, true},
    {"SizeDiffers", 11, StoredChecksum(Digits), 0, 0, false},
    {"ChecksumDiffers", 10, StoredChecksum(Bytes("0123456780")), 0, 0, false},
    {"DiffersOnlyInsideWindow", 10, StoredChecksum(Bytes("01xx456789"), 2, 2), 2, 2, true},
    {"DiffersOutsideWindow", 10, StoredChecksum(Bytes("01xx45678x"), 2, 2), 2, 2, false},
    // Skipping the missing bytes 10 and 11 would give exactly this checksum; it must not match.
    {"WindowBeyondTheEnd", 10, StoredChecksum(Digits), 12, 3, false},
};

static void PrintTo(const OldFileCheck& Check, std::ostream* Out)
{
    *Out << Check.Name;
}

class OldFileChecks : public ReconstructTest, public ::testing::WithParamInterface<OldFileCheck> {};

// A declined old file leaves no output and the payload where it was.
TEST_P(OldFileChecks, DeclineWithoutMessage)
{
    const OldFileCheck& Check = GetParam();
    DecoderCase Case = CaseFromCommands(Digits, {Copy(10, 0)}, SettingsOf(10, 10));
    Case.Variant.OldSize = Check.OldSize;
    Case.Variant.OldCrc = Check.OldCrc;
    Case.VerifyOld = true;
    Case.MissingAllowed = true;
    Case.WindowStart = Check.WindowStart;
    Case.WindowLength = Check.WindowLength;
    DecoderOutcome Outcome = Run(Case);
    EXPECT_EQ(Outcome.Message, -1) << Outcome.AbortText;
    EXPECT_EQ(Outcome.Result, Check.Accepted);
    if (Check.Accepted) {
        EXPECT_EQ(Outcome.Output, Digits);
        EXPECT_EQ(Outcome.PositionAfter, Outcome.PayloadEnd);
    } else {
        EXPECT_EQ(Outcome.PositionAfter, Outcome.PositionBefore);
        EXPECT_EQ(Outcome.OutputName, "");
    }
    EXPECT_EQ(TempDirFiles(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Table, OldFileChecks, ::testing::ValuesIn(OldFileCheckCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(ReconstructTest, MissingOldFileMayBeDeclined)
{
    DecoderCase Case = CaseFromCommands(Digits, {Copy(2, 0)}, SettingsOf(10, 2));
    Case.OldMissing = true;
    Case.MissingAllowed = true;
    Case.VerifyOld = true;
    DecoderOutcome Outcome = Run(Case);
    EXPECT_EQ(Outcome.Message, -1) << Outcome.AbortText;
    EXPECT_FALSE(Outcome.Result);
    EXPECT_EQ(Outcome.PositionAfter, Outcome.PositionBefore);
    EXPECT_FALSE(State.SourceOpen);
}

// Every file operation of a reconstruction fails in turn: each run either still produces the
// right file (a failed output name is tried again) or ends with a message; none returns a wrong
// file or ends without one.
TEST_F(ReconstructTest, EveryFailingFileOperationEndsWithAMessage)
{
    DecoderCase Case = CaseFromCommands(Bytes("ABCDEFGH"),
                                        {Copy(4, 0, {1, 0}), Literal({1, 2}, {false}), PlainLiteral(Bytes("vwxyz"), 2),
                                         Copy(2, 4, {0, 0x20})},
                                        SettingsOf(8, 17, 2, 1, 2));
    std::set<int> Messages;
    int32_t N = 1;
    for (;; N++) {
        Case.FailAfter = N;
        DecoderOutcome Outcome = Run(Case);
        if (Outcome.Message == -1) {
            ASSERT_TRUE(Outcome.Result) << "operation " << N;
            ASSERT_EQ(Outcome.Output, Bytes("ABCDFFHJvwxyzABCd")) << "operation " << N;
            if (Outcome.FaultUnused)
                break;
        } else {
            ASSERT_GE(Outcome.Message, 0) << Outcome.AbortText;
            Messages.insert(Outcome.Message);
        }
        ASSERT_LT(N, 200);
        RemoveScratchDir(ScratchDir); // an abort leaves the output behind
        ScratchDir = MakeScratchDir();
    }
    EXPECT_EQ(Messages, (std::set<int>{0, 1, 2, 3, 5, 7})) << "after " << N << " operations";
}
