// How a UTF-8 description becomes stored bytes, and which descriptions a patch cannot carry.
#include <gtest/gtest.h>

#include "container/patch_block.h"
#include "shell/windows_1252.h"
#include "tools/writer/description_encoding.h"

namespace {

std::vector<uint8_t> Encode(const std::string& Utf8)
{
    std::vector<uint8_t> Stored;
    std::string Error;
    EXPECT_TRUE(EncodeDescription(Utf8, Stored, Error)) << Error;
    return Stored;
}

struct StoredCase {
    const char* Utf8;
    std::vector<uint8_t> Stored;
};

// Stored bytes picked from the applier's table: the byte whose decoded form is the character.
const StoredCase StoredCases[] = {
    {"Plain ASCII #1 100%", {'P', 'l', 'a', 'i', 'n', ' ', 'A', 'S', 'C', 'I', 'I', ' ', '#', '1', ' ', '1', '0', '0', '%'}},
    {"\xC3\x87", {0x80}},            // C-cedilla, Windows-1252 0xC7
    {"\xC2\xB6\xC2\xA7", {0x14, 0x15}}, // pilcrow and section sign
    {"\xE2\x82\xAC", {0xC7}},        // euro sign, Windows-1252 0x80
    {"\xC2\xA0\xC3\xBF", {0xFF, 0x98}},
    {"\xC2\x81", {0xFC}},            // an unassigned Windows-1252 code stands for itself
    {"\x14\x15", {0xB6, 0xBA}},      // the controls the table moved
    {"a\nb\r\nc\rd", {'a', 0x01, 'b', 0x01, 'c', 0x01, 'd'}},
    {"tab\there", {'t', 'a', 'b', 0x09, 'h', 'e', 'r', 'e'}},
    {"", {}},
    {"#", {'#'}},
    {"%#", {'%', '#'}},
};

TEST(DescriptionEncoding, StoresTheBytesTheApplierDecodesIntoTheText)
{
    for (const StoredCase& Case : StoredCases)
        EXPECT_EQ(Encode(Case.Utf8), Case.Stored) << Case.Utf8;
}

// Every Windows-1252 character makes the trip UTF-8 -> stored byte; the decoded form shows it
// again as the same UTF-8.
TEST(DescriptionEncoding, EveryWindows1252CharacterSurvives)
{
    for (int Byte = 0x02; Byte < 256; Byte++) {
        if (Byte == '\r' || Byte == '\n')
            continue;
        std::string Utf8 = Windows1252ToUtf8((uint8_t)Byte);
        std::vector<uint8_t> Stored = Encode(Utf8);
        ASSERT_EQ(Stored.size(), 1u) << Byte;
        const uint8_t Shown[2] = {(uint8_t)Byte, 0};
        EXPECT_EQ(DecodedDescriptionToUtf8(Shown), Utf8) << Byte;
    }
}

// The encoder carries its own copy of the display table; it must be the applier's inverse.
TEST(DescriptionEncoding, AgreesWithTheApplierTable)
{
    for (int Stored = 0x02; Stored < 256; Stored++) {
        uint8_t Shown = OemToAnsi((uint8_t)Stored);
        if (Shown <= 0x01 || Shown == '\r' || Shown == '\n')
            continue;
        EXPECT_EQ(Encode(Windows1252ToUtf8(Shown)), std::vector<uint8_t>{(uint8_t)Stored}) << Stored;
    }
}

TEST(DescriptionEncoding, DecodedLineBreaksBecomeNewlines)
{
    const uint8_t Decoded[] = {'a', 0x01, 0xC7, 0x80, 0};
    EXPECT_EQ(DecodedDescriptionToUtf8(Decoded), "a\n\xC3\x87\xE2\x82\xAC");
}

struct RefusedCase {
    const char* What;
    std::string Utf8;
};

const RefusedCase RefusedCases[] = {
    {"hash percent", "50#%"},
    {"hash percent after a line", "a\n#%"},
    {"character beyond Windows-1252", "\xE2\x98\x83"},
    {"CJK character", "\xE4\xB8\xAD"},
    {"zero character", std::string("a\0b", 3)},
    {"character 1", "a\x01" "b"},
    {"truncated sequence", "abc\xC3"},
    {"stray continuation byte", "\x80"},
    {"overlong slash", "\xC0\xAF"},
    {"surrogate", "\xED\xA0\x80"},
    {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
    {"1001 bytes", std::string(1001, 'x')},
    {"1000 bytes that expand beyond 2003", std::string(502, '\n') + std::string(498, 'x')},
};

class RefusedDescription : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedDescription, GivesAReason)
{
    std::vector<uint8_t> Stored;
    std::string Error;
    EXPECT_FALSE(EncodeDescription(GetParam().Utf8, Stored, Error)) << GetParam().What;
    EXPECT_FALSE(Error.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedDescription, testing::ValuesIn(RefusedCases));

// 1000 stored bytes at most, and 2003 on screen where a line break takes three: 502 line breaks
// and 497 characters fill the screen exactly.
TEST(DescriptionEncoding, LimitsAreExact)
{
    EXPECT_EQ(Encode(std::string(1000, 'x')).size(), 1000u);
    EXPECT_EQ(Encode(std::string(502, '\n') + std::string(497, 'x')).size(), 999u);
}

} // namespace
