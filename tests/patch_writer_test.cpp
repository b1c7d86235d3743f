// Checks the byte layout the patch writer produces against blocks written out by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/writer/dos_time.h"
#include "tools/writer/patch_writer.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& Text)
{
    return std::vector<uint8_t>(Text.begin(), Text.end());
}

std::vector<uint8_t> Serialise(const PatchSpec& Layout)
{
    std::vector<uint8_t> Block;
    std::string Error;
    EXPECT_TRUE(SerialisePatch(Layout, Block, Error)) << Error;
    return Block;
}

// The 76-byte header the tests below expect, with every other byte of it zero.
std::vector<uint8_t> ExpectedHeader(uint8_t Mode, uint8_t Flags, uint16_t DescriptionLength)
{
    std::vector<uint8_t> Header(76, 0);
    const uint8_t Head[] = {0x43, 0x84, 0x7F, 0x3E, 190, 0, 0, 0, Mode, Flags};
    std::copy(std::begin(Head), std::end(Head), Header.begin());
    Header[74] = (uint8_t)DescriptionLength;
    Header[75] = (uint8_t)(DescriptionLength >> 8);
    return Header;
}

void Append(std::vector<uint8_t>& Out, std::initializer_list<uint8_t> More)
{
    Out.insert(Out.end(), More);
}

void AppendTrailer(std::vector<uint8_t>& Out)
{
    uint32_t Length = (uint32_t)Out.size() + 8;
    Append(Out, {(uint8_t)Length, (uint8_t)(Length >> 8), (uint8_t)(Length >> 16), (uint8_t)(Length >> 24), 0x43, 0x84,
                 0x7F, 0x3E});
}

VariantSpec TwoStreamVariant()
{
    VariantSpec Variant;
    Variant.Name = "old.dll";
    Variant.OldCrc = 0x11223344;
    Variant.OldSize = 0x0102;
    Variant.Streams[0] = {0xA0, 0xA1};
    Variant.Streams[3] = {0xD0};
    Variant.LengthReuse = 0x0203;
    Variant.VariantFlags = 3;
    Variant.BlockSize = 9;
    Variant.Window = {5, 6};
    return Variant;
}

TEST(PatchWriterLayout, MultiFileBlockMatchesHandLayout)
{
    PatchSpec Layout;
    Layout.Opaque[0] = 0x77;
    Layout.Opaque[63] = 0x88;
    Layout.Description = Bytes("Hi");
    Layout.BackupDirName = "bak";
    Layout.HasRegistry = true;
    Layout.RegistryKeyPath = "K";
    Layout.RegistryValueName = "V";
    RecordSpec Patched;
    Patched.Patched.Name = "a.dll";
    Patched.Patched.NewCrc = 0xAABBCCDD;
    Patched.Patched.NewSize = 0x0304;
    Patched.Patched.NewTime = 0x2A210000;
    Patched.Patched.HasWindows = true;
    Patched.Patched.Optional = true;
    Patched.Patched.Reserved = 0x5A;
    Patched.Patched.Window = {1, 2};
    Patched.Patched.Variants.push_back(TwoStreamVariant());
    Layout.Records.push_back(Patched);
    RecordSpec Embedded;
    Embedded.Kind = RecordKind::Embedded;
    Embedded.Embedded.Name = "e";
    Embedded.Embedded.Time = 0x01020304;
    Embedded.Embedded.Content = {0xEE, 0xEF};
    Layout.Records.push_back(Embedded);

    std::vector<uint8_t> Expected = ExpectedHeader(2, 0x02, 2);
    Expected[10] = 0x77;
    Expected[73] = 0x88;
    Append(Expected, {'H', 'i', 3, 'b', 'a', 'k', 1, 'K', 1, 'V'});
    // Patched-file record: type, fixed block, record window, name.
    Append(Expected, {1, 0xDD, 0xCC, 0xBB, 0xAA, 0x04, 0x03, 0, 0, 0x00, 0x00, 0x21, 0x2A, 1, 0, 0x03, 0x5A});
    Append(Expected, {1, 0, 0, 0, 2, 0, 0, 0, 5, 'a', '.', 'd', 'l', 'l'});
    // Its variant: name, descriptor, window, sub-streams 0 and 3.
    Append(Expected, {7, 'o', 'l', 'd', '.', 'd', 'l', 'l', 0x44, 0x33, 0x22, 0x11, 0x02, 0x01, 0, 0});
    Append(Expected, {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x02, 3, 9});
    Append(Expected, {5, 0, 0, 0, 6, 0, 0, 0, 0xA0, 0xA1, 0xD0});
    // Embedded-file record, then the end record.
    Append(Expected, {2, 1, 'e', 2, 0, 0, 0, 0x04, 0x03, 0x02, 0x01, 0xEE, 0xEF, 0});
    AppendTrailer(Expected);

    EXPECT_EQ(Serialise(Layout), Expected);
}

TEST(PatchWriterLayout, SingleFileRecordHasNoTypeNamesOrEndRecord)
{
    PatchSpec Layout;
    Layout.Mode = SingleFileMode;
    RecordSpec Record;
    Record.Patched.Name = "ignored";
    Record.Patched.NewSize = 1;
    Record.Patched.Variants.push_back(TwoStreamVariant());
    Record.Patched.Variants[0].Window = {};
    Layout.Records.push_back(Record);

    std::vector<uint8_t> Expected = ExpectedHeader(1, 0, 0);
    Append(Expected, {0});
    Append(Expected, {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0});
    Append(Expected, {0x44, 0x33, 0x22, 0x11, 0x02, 0x01, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Append(Expected, {1, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x02, 3, 9, 0xA0, 0xA1, 0xD0});
    AppendTrailer(Expected);

    EXPECT_EQ(Serialise(Layout), Expected);
}

TEST(PatchWriterLayout, EmptyMultiFileStreamIsTheEndRecordAlone)
{
    PatchSpec Layout;
    std::vector<uint8_t> Expected = ExpectedHeader(2, 0, 0);
    Append(Expected, {0, 0});
    AppendTrailer(Expected);
    EXPECT_EQ(Serialise(Layout), Expected);
}

// Damage that tests of the reader need: each override lands at its field and nowhere else.
TEST(PatchWriterLayout, OverridesReplaceDerivedFields)
{
    PatchSpec Layout;
    Layout.HeaderMagic = 0x01020304;
    Layout.TrailerMagic = 0x05060708;
    Layout.Version = -1;
    Layout.Flags = PatchFlagCompressed;
    Layout.Description = Bytes("abc");
    Layout.OverrideDescriptionLength = true;
    Layout.DescriptionLength = 0xFFFF;
    Layout.OverrideBlockLength = true;
    Layout.BlockLength = -5;
    Layout.WriteEndRecord = false;
    Layout.StreamTail = {3, 9};
    RecordSpec Record;
    Record.Patched.Variants.resize(1);
    Record.Patched.Variants[0].Streams[1] = {1, 2, 3};
    Record.Patched.Variants[0].OverrideLengths = true;
    Record.Patched.Variants[0].StreamLengths[2] = -100;
    Record.Patched.OverrideVariantCount = true;
    Record.Patched.VariantCount = 21;
    RecordSpec Embedded;
    Embedded.Kind = RecordKind::Embedded;
    Embedded.Embedded.OverrideSize = true;
    Embedded.Embedded.Size = -1;
    Layout.Records = {Record, Embedded};

    std::vector<uint8_t> Block = Serialise(Layout);
    std::vector<uint8_t> Expected = {0x04, 0x03, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 2, 1};
    EXPECT_TRUE(std::equal(Expected.begin(), Expected.end(), Block.begin()));
    EXPECT_EQ(Block[74], 0xFF);
    EXPECT_EQ(Block[75], 0xFF);
    size_t Record0 = 76 + 3 + 1;
    EXPECT_EQ(Block[Record0 + 13], 21);                     // VariantCount low byte
    size_t Variant0 = Record0 + 1 + 16 + 1 + 1;             // type, fixed block, empty name, empty variant name
    EXPECT_EQ(Block[Variant0 + 8 + 4], 0);                  // sub-stream 1 length overridden to 0
    EXPECT_EQ(Block[Variant0 + 8 + 8], 0x9C);               // -100
    EXPECT_EQ(Block[Variant0 + 8 + 11], 0xFF);
    size_t Embedded0 = Variant0 + 32 + 3;                   // the stream bytes are still stored
    EXPECT_EQ(Block[Embedded0], 2);
    EXPECT_EQ(Block[Embedded0 + 2], 0xFF);                  // size -1
    size_t Tail = Embedded0 + 2 + 8;
    ASSERT_EQ(Block.size(), Tail + 2 + 8);
    EXPECT_EQ(Block[Tail], 3);
    EXPECT_EQ(Block[Tail + 1], 9);
    const std::vector<uint8_t> Trailer = {0xFB, 0xFF, 0xFF, 0xFF, 0x08, 0x07, 0x06, 0x05};
    EXPECT_TRUE(std::equal(Trailer.begin(), Trailer.end(), Block.end() - 8));
}

struct InexpressibleCase {
    const char* What;
    void (*Damage)(PatchSpec&);
};

const InexpressibleCase InexpressibleCases[] = {
    {"backup name of 256 bytes", [](PatchSpec& S) { S.BackupDirName.assign(256, 'b'); }},
    {"registry key of 256 bytes", [](PatchSpec& S) { S.HasRegistry = true; S.RegistryKeyPath.assign(256, 'k'); }},
    {"registry value of 256 bytes", [](PatchSpec& S) { S.HasRegistry = true; S.RegistryValueName.assign(256, 'v'); }},
    {"file name of 256 bytes", [](PatchSpec& S) { S.Records[0].Patched.Name.assign(256, 'f'); }},
    {"variant name of 256 bytes",
     [](PatchSpec& S) { S.Records[0].Patched.Variants.resize(1); S.Records[0].Patched.Variants[0].Name.assign(256, 'v'); }},
    {"description of 65536 bytes", [](PatchSpec& S) { S.Description.assign(65536, 'd'); }},
    {"65536 variants", [](PatchSpec& S) { S.Records[0].Patched.Variants.resize(65536); }},
    {"single-file patch with two records", [](PatchSpec& S) { S.Mode = 0; S.Records.push_back(S.Records[0]); }},
    {"single-file patch of an embedded file", [](PatchSpec& S) { S.Mode = 3; S.Records[0].Kind = RecordKind::Embedded; }},
};

class Inexpressible : public testing::TestWithParam<InexpressibleCase> {};

TEST_P(Inexpressible, IsRefusedWithAReason)
{
    PatchSpec Layout;
    Layout.Records.resize(1);
    GetParam().Damage(Layout);
    std::vector<uint8_t> Block;
    std::string Error;
    EXPECT_FALSE(SerialisePatch(Layout, Block, Error)) << GetParam().What;
    EXPECT_FALSE(Error.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, Inexpressible, testing::ValuesIn(InexpressibleCases));

TEST(PatchWriterLayout, LongestStringsFit)
{
    PatchSpec Layout;
    Layout.BackupDirName.assign(255, 'b');
    Layout.Description.assign(65535, 'd');
    std::vector<uint8_t> Block = Serialise(Layout);
    EXPECT_EQ(Block[74], 0xFF);
    EXPECT_EQ(Block[75], 0xFF);
    EXPECT_EQ(Block[76 + 65535], 255);
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
}

TEST(PatchWriterFiles, PatchFileHoldsTheBlockAndExecutableComesFirst)
{
    std::filesystem::path Dir = std::filesystem::temp_directory_path() / "tarnwel_writer_test";
    std::filesystem::create_directories(Dir);
    std::vector<uint8_t> Block = Serialise(PatchSpec());
    std::vector<uint8_t> Stub = {'M', 'Z', 0, 1, 2};
    {
        std::ofstream Out(Dir / "stub.exe", std::ios::binary);
        Out.write((const char*)Stub.data(), (std::streamsize)Stub.size());
    }
    std::string Error;
    ASSERT_TRUE(WritePatchFile(Block, (Dir / "p.twp").string(), Error)) << Error;
    ASSERT_TRUE(AppendPatchToExecutable(Block, (Dir / "stub.exe").string(), (Dir / "out.exe").string(), Error)) << Error;
    EXPECT_EQ(ReadFileBytes(Dir / "p.twp"), Block);
    std::vector<uint8_t> Joined = Stub;
    Joined.insert(Joined.end(), Block.begin(), Block.end());
    EXPECT_EQ(ReadFileBytes(Dir / "out.exe"), Joined);

    EXPECT_FALSE(AppendPatchToExecutable(Block, (Dir / "missing.exe").string(), (Dir / "x.exe").string(), Error));
    EXPECT_NE(Error.find("missing.exe"), std::string::npos);
    EXPECT_FALSE(WritePatchFile(Block, (Dir / "no" / "such" / "dir.twp").string(), Error));
    std::filesystem::remove_all(Dir);
}

struct DosTimeCase {
    DosDateTime Time;
    uint32_t Packed;
    const char* Text;
};

const DosTimeCase DosTimeCases[] = {
    {{2001, 1, 1, 0, 0, 0}, 0x2A210000, "2001-01-01 00:00:00"},
    {{1980, 1, 1, 0, 0, 0}, 0x00210000, "1980-01-01 00:00:00"},
    {{2107, 12, 31, 23, 59, 58}, 0xFF9FBF7D, "2107-12-31 23:59:58"},
    {{2024, 2, 29, 13, 45, 30}, 0x585D6DAF, "2024-02-29 13:45:30"},
};

TEST(DosTime, PacksUnpacksAndFormats)
{
    for (const DosTimeCase& Case : DosTimeCases) {
        EXPECT_EQ(PackDosTime(Case.Time), Case.Packed) << Case.Text;
        EXPECT_EQ(FormatDosTime(Case.Packed), Case.Text);
    }
}

TEST(DosTime, ClampsOutOfRangeYearsAndRoundsOddSecondsDown)
{
    EXPECT_EQ(PackDosTime({1970, 6, 1, 12, 0, 0}), 0x00210000u);
    EXPECT_EQ(PackDosTime({2200, 6, 1, 12, 0, 0}), 0xFF9FBF7Du);
    EXPECT_EQ(FormatDosTime(PackDosTime({2024, 2, 29, 13, 45, 31})), "2024-02-29 13:45:30");
}

} // namespace
