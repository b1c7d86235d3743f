// Tests of cutting the sub-streams and of reading their bits and numbers.
#include <gtest/gtest.h>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "core/patch_abort.h"
#include "delta/substreams.h"
#include "platform/platform.h"
#include "tests/support/decoder_harness.h"
#include "tests/support/recording_window.h"
#include "tests/support/scratch.h"

class SubStreamTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetApplierState();
        ResetRecorder();
        ScratchDir = MakeScratchDir();
    }
    void TearDown() override
    {
        Cleanup();
        PlatformTakeError();
        RemoveScratchDir(ScratchDir);
    }
    // The message a call ends the run with, -1 when it returns.
    template <typename Call> int MessageOf(Call Run)
    {
        try {
            Run();
        } catch (const PatchAbort& Abort) {
            return CatalogueNumberOf(Abort.Text);
        }
        return -1;
    }

    std::string ScratchDir;
};

struct NumberCase {
    int32_t NumberRange;
    std::vector<int> SignStreamBits;  // sub-stream 2, in the order read
    std::vector<int> PieceStreamBits; // sub-stream 1
    std::vector<uint8_t> Bytes;       // sub-stream 0
    int32_t Value;
};

const NumberCase NumberCases[] = {
    {100, {0}, {}, {0x2A}, 42},
    {1000, {0, 0}, {}, {0x05}, 5},
    {1000, {1, 1}, {}, {0x01, 0x2C}, -300},
    {100000, {0, 1}, {1}, {0x01, 0x86, 0xA0}, 100000},
    {20000000, {1, 1}, {0}, {0x12, 0x34}, -4660},
    {20000000, {0, 1}, {1, 1}, {0x01, 0x02, 0x03, 0x04}, 16909060},
    // A longer coding than needed, a negative zero, and magnitudes of 2^31 and more, which are
    // taken in two's complement before the sign applies.
    {1000, {0, 1}, {}, {0x00, 0x05}, 5},
    {100, {1}, {}, {0x00}, 0},
    {20000000, {0, 1}, {1, 1}, {0x80, 0x00, 0x00, 0x01}, -2147483647},
    {20000000, {1, 1}, {1, 1}, {0x80, 0x00, 0x00, 0x01}, 2147483647},
    {20000000, {1, 1}, {1, 1}, {0x80, 0x00, 0x00, 0x00}, INT32_MIN},
    // The range alone decides which continuation bits exist: 255 allows no second byte, 65535
    // no third, 16777215 no fourth.
    {255, {0}, {}, {0xFF}, 255},
    {65535, {0, 1}, {}, {0xFF, 0xFF}, 65535},
    {16777215, {1, 1}, {1}, {0xFF, 0xFF, 0xFF}, -16777215},
    {-5, {0}, {}, {0x07}, 7},
};

static void PrintTo(const NumberCase& Case, std::ostream* Out)
{
    *Out << Case.Value << " in range " << Case.NumberRange;
}

class NumberCoding : public SubStreamTest, public ::testing::WithParamInterface<NumberCase> {};

// Each number is read with exactly its bits and bytes: a second copy of it follows and must read
// the same.
TEST_P(NumberCoding, ReadsValueAndConsumesExactly)
{
    const NumberCase& Case = GetParam();
    std::vector<int> Sign = Case.SignStreamBits, Piece = Case.PieceStreamBits;
    Sign.insert(Sign.end(), Case.SignStreamBits.begin(), Case.SignStreamBits.end());
    Piece.insert(Piece.end(), Case.PieceStreamBits.begin(), Case.PieceStreamBits.end());
    std::vector<uint8_t> Bytes = Case.Bytes;
    Bytes.insert(Bytes.end(), Case.Bytes.begin(), Case.Bytes.end());
    std::vector<uint8_t> Streams[SubStreamCount] = {Bytes, PackBits(Piece), PackBits(Sign), {}, {}};
    PrepareSubStreams(Streams);
    State.Decoder.NumberRange = Case.NumberRange;
    const int32_t Width = (int32_t)Case.Bytes.size();
    EXPECT_EQ(ReadNumber(), Case.Value);
    EXPECT_EQ(State.Decoder.CommandBytesLeft, Width);
    EXPECT_EQ(ReadNumber(), Case.Value);
    EXPECT_EQ(State.Decoder.CommandBytesLeft, 0);
    EXPECT_EQ(State.Decoder.Bits[SignBits].Counter, (int)Sign.size() % 8);
    EXPECT_EQ(State.Decoder.Bits[PieceBits].Counter, (int)Piece.size() % 8);
}

INSTANTIATE_TEST_SUITE_P(Table, NumberCoding, ::testing::ValuesIn(NumberCases));

TEST_F(SubStreamTest, BitsComeLowestFirst)
{
    std::vector<uint8_t> Streams[SubStreamCount] = {{}, {0xA5}, {0x0C, 0x01}, {}, {}};
    PrepareSubStreams(Streams);
    std::vector<int> SignBitsRead, PieceBitsRead;
    for (int I = 0; I < 9; I++)
        SignBitsRead.push_back(ReadBit(SignBits));
    for (int I = 0; I < 8; I++)
        PieceBitsRead.push_back(ReadBit(PieceBits));
    EXPECT_EQ(SignBitsRead, (std::vector<int>{0, 0, 1, 1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(PieceBitsRead, (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1}));
}

struct ExhaustedCase {
    const char* Name;
    int32_t NumberRange;
    std::vector<uint8_t> Bytes;
    std::vector<int> PieceStreamBits;
    std::vector<int> SignStreamBits;
};

static void PrintTo(const ExhaustedCase& Case, std::ostream* Out)
{
    *Out << Case.Name;
}

class ExhaustedStreams : public SubStreamTest, public ::testing::WithParamInterface<ExhaustedCase> {};

TEST_P(ExhaustedStreams, EndTheRunWithMessage0)
{
    const ExhaustedCase& Case = GetParam();
    std::vector<uint8_t> Streams[SubStreamCount] = {Case.Bytes, PackBits(Case.PieceStreamBits),
                                                    PackBits(Case.SignStreamBits), {}, {}};
    PrepareSubStreams(Streams);
    State.Decoder.NumberRange = Case.NumberRange;
    EXPECT_EQ(MessageOf([] { ReadNumber(); }), 0);
    EXPECT_FALSE(State.SubStreamsOpen);
    EXPECT_FALSE(State.PayloadOpen);
}

INSTANTIATE_TEST_SUITE_P(Table, ExhaustedStreams,
                         ::testing::Values(ExhaustedCase{"NoSignBit", 100, {0x01}, {}, {}},
                                           ExhaustedCase{"NoFirstByte", 100, {}, {}, {0}},
                                           ExhaustedCase{"NoSecondByte", 1000, {0x01}, {}, {0, 1}},
                                           ExhaustedCase{"NoSecondContinuation", 100000, {0x01, 0x02}, {}, {0, 1}},
                                           ExhaustedCase{"NoFourthByte", 20000000, {1, 2, 3}, {1, 1}, {0, 1}}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// The cut leaves every sub-stream in its own file, whole, and the payload just behind the last.
TEST_F(SubStreamTest, CutCopiesEachStreamWhole)
{
    std::vector<uint8_t> Large(65536 + 7);
    for (size_t I = 0; I < Large.size(); I++)
        Large[I] = (uint8_t)(I * 7 + I / 256);
    std::vector<uint8_t> Streams[SubStreamCount] = {{1, 2, 3}, {}, Large, {9}, {}};
    PrepareSubStreams(Streams);
    int32_t Expected = 5 + 3 + (int32_t)Large.size() + 1;
    EXPECT_EQ(PlatformFilePosition(State.PayloadBuffer), Expected);
    EXPECT_TRUE(State.SubStreamsOpen);
    for (int I = 0; I < SubStreamCount; I++)
        EXPECT_EQ(ReadBytes(State.SubStreamFiles[I].Path), Streams[I]) << "sub-stream " << I;
    std::vector<uint8_t> Read(Large.size());
    ASSERT_TRUE(TakeSubStreamBytes(SignBitStream, Read.data(), (int32_t)Read.size()));
    EXPECT_EQ(Read, Large);
    uint8_t Byte = 0;
    EXPECT_FALSE(TakeSubStreamBytes(SignBitStream, &Byte, 1));
    EXPECT_FALSE(TakeSubStreamBytes(PieceBitStream, &Byte, 1));
}

TEST_F(SubStreamTest, ExtractOfNothingMakesEmptyFileAndReadsNothing)
{
    std::vector<uint8_t> Payload = {1, 2, 3};
    std::string PayloadName = State.TempDir + "payload.bin";
    WriteBytes(PayloadName, Payload);
    ASSERT_TRUE(PlatformOpenRead(State.PayloadBuffer, PayloadName));
    State.PayloadOpen = true;
    FileObject File;
    for (int32_t Length : {0, -4}) {
        ASSERT_TRUE(ExtractSubStream(Length, File, State.TempDir + "empty.bin"));
        PlatformClose(File);
        EXPECT_TRUE(ReadBytes(State.TempDir + "empty.bin").empty());
        EXPECT_EQ(PlatformFilePosition(State.PayloadBuffer), 0);
    }
    EXPECT_EQ(MessageOf([&] { ExtractSubStream(4, File, State.TempDir + "short.bin"); }), 0);
    EXPECT_FALSE(State.PayloadOpen);
    EXPECT_FALSE(PlatformFileExists(PayloadName));
}
