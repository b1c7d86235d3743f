// tarnwel-build list against patches made by the writer: the full listing of good patches, and
// one clear error line with a non-zero exit for every kind of damage.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/support/run_program.h"
#include "tests/support/scratch.h"
#include "tools/writer/patch_writer.h"

namespace {

namespace fs = std::filesystem;

class BuilderList : public ::testing::Test {
protected:
    std::string Folder;
    std::string Temp;

    void SetUp() override
    {
        Folder = MakeScratch("builder-list");
        Temp = Folder + "/tmp";
        fs::create_directories(Temp);
    }
    void TearDown() override
    {
        RemoveScratch(Folder);
    }

    // Runs the list command with its own temporary directory, which must be empty afterwards.
    ProgramResult List(const std::vector<std::string>& Arguments)
    {
        ProgramResult Result = RunProgram(TARNWEL_BUILD_BINARY, Arguments, "", {{"TMPDIR", Temp}});
        EXPECT_TRUE(ListFolder(Temp).empty()) << "temporary files left behind";
        return Result;
    }
};

VariantSpec Variant(uint32_t OldCrc, int32_t OldSize, std::vector<int> Lengths)
{
    VariantSpec V;
    V.OldCrc = OldCrc;
    V.OldSize = OldSize;
    for (int k = 0; k < 5; k++)
        V.Streams[k].assign((size_t)Lengths[k], (uint8_t)(0x10 + k));
    return V;
}

// A multi-file patch that uses every field the listing shows.
PatchSpec FullMultiFilePatch()
{
    PatchSpec Layout;
    Layout.Description = {'C', 'a', 'f', 0x82, 0x01, 'L', 'i', 'n', 'e', ' ', '2'};
    Layout.BackupDirName = "bak";
    Layout.HasRegistry = true;
    Layout.RegistryKeyPath = "SOFTWARE\\Vendor\\App";
    Layout.RegistryValueName = "InstallDir";
    RecordSpec Patched;
    Patched.Patched.Name = "bin\\app.exe";
    Patched.Patched.NewCrc = 0x89ABCDEF;
    Patched.Patched.NewSize = 300;
    Patched.Patched.NewTime = 0x2A210000;
    Patched.Patched.HasWindows = true;
    Patched.Patched.Optional = true;
    Patched.Patched.Window = {16, 4};
    Patched.Patched.Variants = {Variant(0x01234567, 100, {1, 2, 3, 4, 5}), Variant(0x76543210, 200, {0, 0, 0, 0, 6})};
    Patched.Patched.Variants[0].LengthReuse = 7;
    Patched.Patched.Variants[0].VariantFlags = 1;
    Patched.Patched.Variants[0].BlockSize = 250;
    Patched.Patched.Variants[0].Window = {8, 2};
    Patched.Patched.Variants[1].Name = "bin\\old.exe";
    Patched.Patched.Variants[1].LengthReuse = 0;
    Patched.Patched.Variants[1].VariantFlags = 2;
    Patched.Patched.Variants[1].BlockSize = 1;
    RecordSpec Embedded;
    Embedded.Kind = RecordKind::Embedded;
    Embedded.Embedded.Name = "readme.txt";
    Embedded.Embedded.Time = 0x585D6DAF;
    Embedded.Embedded.Content = Bytes("hello");
    Layout.Records = {Patched, Embedded};
    return Layout;
}

// Payload positions: 46 bytes of leading fields, then the record (1 + 16 + 8 + 12), variant 1's
// name, descriptor and window (1 + 32 + 8) and its 15 stream bytes, variant 2's name, descriptor
// and window (12 + 32 + 8).
const char FullMultiFileListing[] =
    "Version: 190\n"
    "Mode: 2 (multi-file)\n"
    "Flags: 0x02 (registry)\n"
    "Description:\n"
    "  Caf\xC3\xA9\n"
    "  Line 2\n"
    "Backup directory: \"bak\"\n"
    "Registry: key \"SOFTWARE\\Vendor\\App\", value \"InstallDir\"\n"
    "Patched file \"bin\\app.exe\": NewSize 300, NewCrc 0x89ABCDEF, NewTime 2001-01-01 00:00:00, RecordFlags 0x03 "
    "(optional), window start 16 length 4, 2 variants\n"
    "  Variant 1 \"bin\\app.exe\": OldSize 100, OldCrc 0x01234567, StreamLengths 1 2 3 4 5, LengthReuse 7, "
    "VariantFlags 0x01, BlockSize 250, DeltaPosition 124, window start 8 length 2\n"
    "  Variant 2 \"bin\\old.exe\": OldSize 200, OldCrc 0x76543210, StreamLengths 0 0 0 0 6, LengthReuse 0, "
    "VariantFlags 0x02, BlockSize 1, DeltaPosition 191, window start 0 length 0\n"
    "Embedded file \"readme.txt\": size 5, time 2024-02-29 13:45:30\n"
    "End of records: 1 patched, 1 embedded\n";

PatchSpec SingleFilePatch()
{
    PatchSpec Layout;
    Layout.Mode = SingleFileMode;
    RecordSpec Record;
    Record.Patched.NewCrc = 0xFFFFFFFF;
    Record.Patched.NewSize = 0;
    Record.Patched.Variants = {Variant(0xCAFEBABE, 9, {2, 0, 1, 0, 0})};
    Layout.Records = {Record};
    return Layout;
}

const char SingleFileListing[] =
    "Version: 190\n"
    "Mode: 1 (single-file)\n"
    "Flags: 0x00\n"
    "Description: (none)\n"
    "Backup directory: \"\"\n"
    "Registry: none\n"
    "Patched file: NewSize 0, NewCrc 0xFFFFFFFF, NewTime 1980-00-00 00:00:00, RecordFlags 0x00, 1 variant\n"
    "  Variant 1: OldSize 9, OldCrc 0xCAFEBABE, StreamLengths 2 0 1 0 0, LengthReuse 1, VariantFlags 0x00, "
    "BlockSize 255, DeltaPosition 49\n";

TEST_F(BuilderList, ShowsEveryFieldOfAMultiFilePatch)
{
    WritePatch(FullMultiFilePatch(), Folder + "/p.pat");
    ProgramResult Result = List({"list", Folder + "/p.pat"});
    EXPECT_EQ(Result.ExitCode, 0) << Result.Err;
    EXPECT_EQ(Result.Out, FullMultiFileListing);
    EXPECT_EQ(Result.Err, "");
}

TEST_F(BuilderList, ShowsASingleFilePatchWithoutNames)
{
    WritePatch(SingleFilePatch(), Folder + "/p.pat");
    ProgramResult Result = List({"list", Folder + "/p.pat"});
    EXPECT_EQ(Result.ExitCode, 0) << Result.Err;
    EXPECT_EQ(Result.Out, SingleFileListing);
}

TEST_F(BuilderList, FindsABlockBehindAnExecutable)
{
    std::vector<uint8_t> Block;
    std::string Error;
    ASSERT_TRUE(SerialisePatch(FullMultiFilePatch(), Block, Error)) << Error;
    WriteBytes(Folder + "/stub", std::vector<uint8_t>(5000, 0x90));
    ASSERT_TRUE(AppendPatchToExecutable(Block, Folder + "/stub", Folder + "/app.exe", Error)) << Error;
    ProgramResult Result = List({"list", Folder + "/app.exe"});
    EXPECT_EQ(Result.ExitCode, 0) << Result.Err;
    EXPECT_EQ(Result.Out, FullMultiFileListing);
}

struct DamageCase {
    const char* What;
    std::function<void(PatchSpec&)> Damage;
    const char* Says; // a phrase of the error line
};

// What the applier's messages and the lister's own refusals say, one phrase each.
const char Corrupt[] = "\xE9\x8C\xAF\xE8\xAA\xA4, \xE5\x8D\x87\xE7\xB4\x9A\xE7\xA8\x8B\xE5\xBC\x8F\xE5\xB7\xB2\xE6\xAF\x80\xE6\x90\x8D!";
const char Unreadable[] = "unreadable or not a patchfile.";
const char NotAPatch[] = "is no patchfile.";

const DamageCase DamageCases[] = {
    {"block length beyond the file", [](PatchSpec& S) { S.OverrideBlockLength = true; S.BlockLength = 1 << 20; }, Unreadable},
    {"block length pointing inside", [](PatchSpec& S) { S.OverrideBlockLength = true; S.BlockLength = 60; }, Unreadable},
    {"trailer magic", [](PatchSpec& S) { S.TrailerMagic = 0x3E7F8444; }, NotAPatch},
    {"header magic", [](PatchSpec& S) { S.HeaderMagic = 0; }, NotAPatch},
    {"version 191", [](PatchSpec& S) { S.Version = 191; }, "can't apply this patch! Find matching version at"},
    {"compressed payload", [](PatchSpec& S) { S.Flags = PatchFlagCompressed; }, "Internal compression not supported"},
    {"description beyond the payload", [](PatchSpec& S) { S.OverrideDescriptionLength = true; S.DescriptionLength = 60000; }, Corrupt},
    {"record type 3", [](PatchSpec& S) { S.WriteEndRecord = false; S.StreamTail = {3}; }, Corrupt},
    {"record cut short", [](PatchSpec& S) { S.WriteEndRecord = false; S.StreamTail = {1, 0, 0}; }, Corrupt},
    {"21 variants", [](PatchSpec& S) { S.Records[0].Patched.Variants.resize(21); }, Corrupt},
    {"negative stream length",
     [](PatchSpec& S) {
         VariantSpec& V = S.Records[0].Patched.Variants[0];
         V.OverrideLengths = true;
         V.StreamLengths[2] = -40;
     },
     Corrupt},
    {"stream beyond the payload",
     [](PatchSpec& S) {
         VariantSpec& V = S.Records[0].Patched.Variants[1];
         V.OverrideLengths = true;
         V.StreamLengths[4] = 1 << 24;
     },
     Corrupt},
    {"name climbing out", [](PatchSpec& S) { S.Records[0].Patched.Name = "..\\evil.dll"; }, Corrupt},
    {"embedded size negative", [](PatchSpec& S) { S.Records[1].Embedded.OverrideSize = true; S.Records[1].Embedded.Size = -2; },
     "embedded file \"readme.txt\" has the negative size -2"},
    {"embedded content cut short",
     [](PatchSpec& S) { S.Records[1].Embedded.OverrideSize = true; S.Records[1].Embedded.Size = 4000; },
     "embedded file \"readme.txt\" of 4000 bytes runs past the end of the patch"},
};

class BuilderListDamage : public BuilderList, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(BuilderListDamage, EndsWithOneClearLine)
{
    PatchSpec Layout = FullMultiFilePatch();
    GetParam().Damage(Layout);
    std::string Patch = Folder + "/p.pat";
    WritePatch(Layout, Patch);
    ProgramResult Result = List({"list", Patch});
    EXPECT_EQ(Result.ExitCode, 2);
    std::vector<std::string> Lines = SplitLines(Result.Err);
    ASSERT_EQ(Lines.size(), 1u) << Result.Err;
    EXPECT_EQ(Lines[0].find("tarnwel-build: error: " + Patch + ": "), 0u) << Lines[0];
    EXPECT_NE(Lines[0].find(GetParam().Says), std::string::npos) << Lines[0];
    EXPECT_EQ(Lines[0].find('\r'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cases, BuilderListDamage, ::testing::ValuesIn(DamageCases));

TEST_F(BuilderList, RefusesFilesThatAreNoPatch)
{
    WriteBytes(Folder + "/short", {1, 2, 3});
    const std::pair<std::string, std::string> Cases[] = {
        {Folder + "/short", Unreadable},
        {Folder + "/missing", "cannot open patchfile"},
    };
    for (const auto& [Path, Says] : Cases) {
        ProgramResult Result = List({"list", Path});
        EXPECT_EQ(Result.ExitCode, 2) << Path;
        EXPECT_EQ(SplitLines(Result.Err).size(), 1u) << Result.Err;
        EXPECT_NE(Result.Err.find(Says), std::string::npos) << Result.Err;
    }
}

TEST_F(BuilderList, UsageErrorsExitWithOne)
{
    for (const std::vector<std::string>& Arguments :
         {std::vector<std::string>{"list"}, {"list", "a", "b"}, {"list", ""}}) {
        ProgramResult Result = List(Arguments);
        EXPECT_EQ(Result.ExitCode, 1);
        EXPECT_NE(Result.Err.find("Usage: tarnwel-build list PATCH"), std::string::npos);
        EXPECT_EQ(Result.Out, "");
    }
}

} // namespace
