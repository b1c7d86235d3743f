// Tests of the command encoder: exact sub-stream bytes, literal pieces, tail lengths and errors.
#include <gtest/gtest.h>

#include "tests/support/decoder_harness.h"
#include "tools/writer/command_encoder.h"

static EncodedDelta Encode(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings)
{
    EncodedDelta Encoded;
    std::string Error;
    EXPECT_TRUE(EncodeCommands(Commands, Settings, Encoded, Error)) << Error;
    return Encoded;
}

// The eight-byte example: a copy with a tail, an added literal, a plain literal in two pieces,
// and a copy from the output that shares the tail length.
TEST(CommandEncoder, CodesTheEightByteExample)
{
    std::vector<DeltaCommand> Commands = {Copy(4, 0, {0x01, 0x00}), Literal({0x01, 0x02}, {false}),
                                          Literal({0x76, 0x77, 0x78, 0x79, 0x7A}, {true, true}),
                                          Copy(2, 4, {0x00, 0x20})};
    EncodedDelta Encoded = Encode(Commands, SettingsOf(8, 17, 2, 1, 2));
    const std::vector<uint8_t> Expected[SubStreamCount] = {{0x04, 0x00, 0x02, 0x02, 0x05, 0x02, 0x04},
                                                           {0x06},
                                                           {0x0C},
                                                           {0x01, 0x02, 0x76, 0x77, 0x78, 0x79, 0x7A},
                                                           {0x01, 0x00, 0x00, 0x20}};
    for (int I = 0; I < SubStreamCount; I++) {
        EXPECT_EQ(Encoded.SubStreams[I], Expected[I]) << "sub-stream " << I;
        EXPECT_EQ(Encoded.StreamLengths[I], (int32_t)Expected[I].size());
    }
}

struct CodedNumber {
    int32_t NumberRange;
    std::vector<int> SignStreamBits;
    std::vector<int> PieceStreamBits;
    std::vector<uint8_t> Bytes;
    int32_t Value;
};

// A copy of 1 byte at offset Value: the number 1, then Value, then a tail length byte of 0.
TEST(CommandEncoder, CodesNumbersAtEveryWidth)
{
    const CodedNumber Cases[] = {
        {100, {0}, {}, {0x2A}, 42},
        {1000, {0, 0}, {}, {0x05}, 5},
        {1000, {1, 1}, {}, {0x01, 0x2C}, -300},
        {100000, {0, 1}, {1}, {0x01, 0x86, 0xA0}, 100000},
        {20000000, {1, 1}, {0}, {0x12, 0x34}, -4660},
        {20000000, {0, 1}, {1, 1}, {0x01, 0x02, 0x03, 0x04}, 16909060},
        {20000000, {1, 1}, {1, 1}, {0x80, 0x00, 0x00, 0x00}, INT32_MIN},
        {100, {1}, {}, {0x07}, -7},
    };
    for (const CodedNumber& Case : Cases) {
        std::vector<int> Sign = {0};
        if (Case.NumberRange > 255)
            Sign.push_back(0); // the 1 needs no second byte
        Sign.insert(Sign.end(), Case.SignStreamBits.begin(), Case.SignStreamBits.end());
        std::vector<uint8_t> Bytes = {0x01};
        Bytes.insert(Bytes.end(), Case.Bytes.begin(), Case.Bytes.end());
        Bytes.push_back(0x00);
        EncodedDelta Encoded = Encode({Copy(1, Case.Value)}, SettingsOf(Case.NumberRange, 0, 1, 0, 255));
        EXPECT_EQ(Encoded.SubStreams[0], Bytes) << Case.Value;
        EXPECT_EQ(Encoded.SubStreams[1], PackBits(Case.PieceStreamBits)) << Case.Value;
        EXPECT_EQ(Encoded.SubStreams[2], PackBits(Sign)) << Case.Value;
    }
}

struct PieceCase {
    int32_t BlockSize;
    int32_t Total;
    std::vector<int32_t> Pieces;
};

// The pieces a literal falls into; the decoder tests check the same table against real output.
const PieceCase PieceCases[] = {
    {2, 1, {1}},     {2, 3, {3}},           {2, 4, {2, 2}},           {2, 5, {2, 3}},
    {255, 509, {509}}, {255, 510, {255, 255}}, {255, 1000, {255, 255, 490}}, {1, 3, {1, 1, 1}},
    {0, 3, {}},
};

TEST(CommandEncoder, CutsLiteralsIntoPieces)
{
    for (const PieceCase& Case : PieceCases)
        EXPECT_EQ(LiteralPieceSizes(Case.Total, Case.BlockSize), Case.Pieces)
            << "block size " << Case.BlockSize << ", literal of " << Case.Total;
}

struct TailLengthCase {
    const char* Name;
    uint16_t LengthReuse;
    std::vector<DeltaCommand> Commands;
    std::vector<uint8_t> NumberStream; // sub-stream 0: numbers and length bytes
};

// Length bytes appear exactly where the reuse counter stands at 0.
TEST(CommandEncoder, WritesTailLengthsWhenDue)
{
    const TailLengthCase Cases[] = {
        {"ReuseOne", 1, {Copy(1, 0, {7}), Copy(1, 0, {}), Copy(1, 0, {8, 9})}, {1, 0, 1, 1, 0, 0, 1, 0, 2}},
        {"ReuseZero", 0, {Copy(1, 0, {7}), Copy(1, 0, {8}), Copy(1, 0, {9})}, {1, 0, 1, 1, 0, 1, 0}},
        {"ReuseTwo", 2, {Copy(1, 0, {7}), Copy(1, 0, {8}), Copy(1, 0, {})}, {1, 0, 1, 1, 0, 1, 0, 0}},
        {"SkipBringsLengthForward", 2, {Copy(1, 0, {7}), Skip(), Copy(1, 0, {})}, {1, 0, 1, 0, 1, 0, 0}},
        {"SkipBelowZero", 3, {Skip(), Copy(1, 0, {}), Copy(1, 0, {})}, {0, 1, 0, 1, 0}},
    };
    for (const TailLengthCase& Case : Cases)
        EXPECT_EQ(Encode(Case.Commands, SettingsOf(100, 100, Case.LengthReuse, 0, 255)).SubStreams[0],
                  Case.NumberStream)
            << Case.Name;
}

struct EncodingError {
    const char* Name;
    DeltaSettings Settings;
    std::vector<DeltaCommand> Commands;
};

TEST(CommandEncoder, RefusesWhatTheDecoderCannotRead)
{
    DeltaCommand Uneven = Literal({1, 2, 3}, {true});
    Uneven.Length = 4;
    const EncodingError Cases[] = {
        {"TailDiffersFromLengthInForce", SettingsOf(100, 100, 2, 0, 255), {Copy(1, 0, {1}), Copy(1, 0, {1, 2})}},
        {"TailAfterNegativeCounter", SettingsOf(100, 100, 1, 0, 255), {Skip(), Copy(1, 0, {1})}},
        {"TailTooLong", SettingsOf(100, 100, 1, 0, 255), {Copy(1, 0, std::vector<uint8_t>(256))}},
        {"NumberTooWide", SettingsOf(200, 255, 1, 0, 255), {Copy(256, 0)}},
        {"NegativeTooWide", SettingsOf(65535, 0, 1, 0, 255), {Copy(1, -65536)}},
        {"EmptyCopy", SettingsOf(100, 100, 1, 0, 255), {Copy(0, 0)}},
        {"LiteralBytesMissing", SettingsOf(100, 100, 1, 0, 255), {Uneven}},
        {"PieceBitsMissing", SettingsOf(100, 100, 1, 0, 2), {Literal({1, 2, 3, 4}, {true})}},
        {"BlockSizeZero", SettingsOf(100, 100, 1, 0, 0), {Literal({1}, {true})}},
    };
    for (const EncodingError& Case : Cases) {
        EncodedDelta Encoded;
        std::string Error;
        EXPECT_FALSE(EncodeCommands(Case.Commands, Case.Settings, Encoded, Error)) << Case.Name;
        EXPECT_FALSE(Error.empty()) << Case.Name;
    }
}

TEST(CommandEncoder, NumberRangeFollowsFlagBit0)
{
    EXPECT_EQ(NumberRangeOf(SettingsOf(8, 17, 1, 1, 2)), 25);
    EXPECT_EQ(NumberRangeOf(SettingsOf(8, 17, 1, 0, 2)), 17);
    EXPECT_EQ(NumberRangeOf(SettingsOf(300, 17, 1, 2, 2)), 300);
}
