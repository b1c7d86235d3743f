// Reading and checking the patch block: every refusal with its message, the description, the
// payload copy and the temporary names.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "core/patch_abort.h"
#include "platform/platform.h"
#include "shell/fixed_texts.h"
#include "shell/message_catalogue.h"
#include "tests/support/recording_window.h"
#include "tests/support/scratch.h"

namespace {

PatchSpec MinimalPatch();

class PatchBlock : public ::testing::Test {
protected:
    std::string Folder;
    std::string PatchPath;

    void SetUp() override
    {
        ResetApplierState();
        ResetRecorder();
        Folder = MakeScratch("block");
        State.TempDir = Folder + "/tmp/";
        WriteBytes(State.TempDir + "keep", {});
        PatchPath = Folder + "/p.pat";
        State.PatchPath = PatchPath;
    }
    void TearDown() override
    {
        Cleanup();
        PlatformClose(State.PatchFile); // Windows deletes no file that is still open
        RemoveScratch(Folder);
    }

    // The text of the abort that reading the patch ends with, or "" when it reads.
    std::string ReadFailure()
    {
        try {
            ReadPatchBlock();
        } catch (const PatchAbort& Abort) {
            return Abort.Text;
        }
        return "";
    }

    // Reads, as at program start, a minimal patch with this stored description; the abort
    // text, or "" when it reads.
    std::string ReadFreshPatchWithDescription(const std::string& Stored)
    {
        Cleanup(); // the reset below would drop the open handles, which Windows keeps
        PlatformClose(State.PatchFile);
        ResetApplierState();
        State.TempDir = Folder + "/tmp/";
        State.PatchPath = PatchPath;
        PatchSpec Layout = MinimalPatch();
        Layout.Description = Bytes(Stored);
        WritePatch(Layout, PatchPath);
        return ReadFailure();
    }

    std::vector<std::string> TempFiles()
    {
        std::vector<std::string> Names = ListFolder(State.TempDir);
        Names.erase(std::find(Names.begin(), Names.end(), "keep"));
        return Names;
    }
};

PatchSpec MinimalPatch()
{
    PatchSpec Layout;
    Layout.BackupDirName = "backup";
    return Layout;
}

std::vector<uint8_t> Serialised(const PatchSpec& Layout)
{
    std::vector<uint8_t> Block;
    std::string Error;
    EXPECT_TRUE(SerialisePatch(Layout, Block, Error)) << Error;
    return Block;
}

// The minimal patch with one damage done to it.
std::function<std::vector<uint8_t>()> Damaged(std::function<void(PatchSpec&)> Damage)
{
    return [Damage] {
        PatchSpec Layout = MinimalPatch();
        Damage(Layout);
        return Serialised(Layout);
    };
}

// The header and the backup name's length byte, then the trailer: the payload ends inside the
// backup name.
std::vector<uint8_t> CutInsideBackupName()
{
    PatchSpec Layout = MinimalPatch();
    Layout.BackupDirName = "longer than the trailer";
    std::vector<uint8_t> Block = Serialised(Layout);
    std::vector<uint8_t> Cut(77 + 8);
    std::copy(Block.begin(), Block.begin() + 77, Cut.begin());
    std::copy(Block.end() - 8, Block.end(), Cut.begin() + 77);
    uint32_t Length = (uint32_t)Cut.size();
    for (int I = 0; I < 4; I++)
        Cut[Cut.size() - 8 + I] = (uint8_t)(Length >> (8 * I));
    return Cut;
}

TEST_F(PatchBlock, RefusalsCarryTheirMessage)
{
    struct Case {
        const char* Name;
        std::function<std::vector<uint8_t>()> Make;
        int Message;
    };
    const Case Cases[] = {
        {"shorter than a trailer", [] { return std::vector<uint8_t>{1, 2, 3, 4, 5}; }, 12},
        {"block longer than file", Damaged([](PatchSpec& L) { L.OverrideBlockLength = true, L.BlockLength = 100000; }), 12},
        {"block shorter than a header", Damaged([](PatchSpec& L) { L.OverrideBlockLength = true, L.BlockLength = 20; }), 12},
        {"block length points at no header",
         Damaged([](PatchSpec& L) {
             L.Description = Bytes(std::string(200, 'x'));
             L.OverrideBlockLength = true;
             L.BlockLength = 150;
         }),
         14},
        {"trailer magic", Damaged([](PatchSpec& L) { L.TrailerMagic = 0x3E7F8444; }), 14},
        {"header magic", Damaged([](PatchSpec& L) { L.HeaderMagic = 0; }), 14},
        {"payload ends inside the description",
         Damaged([](PatchSpec& L) { L.OverrideDescriptionLength = true, L.DescriptionLength = 60000; }), 0},
        {"payload ends inside the backup name", CutInsideBackupName, 0},
        {"backup folder outside the target", Damaged([](PatchSpec& L) { L.BackupDirName = "..\\old"; }), 0},
        {"absolute backup folder", Damaged([](PatchSpec& L) { L.BackupDirName = "C:\\old"; }), 0},
    };
    for (const Case& C : Cases) {
        WriteBytes(PatchPath, C.Make());
        EXPECT_EQ(ReadFailure(), FormatCatalogueMessage(C.Message)) << C.Name;
        EXPECT_TRUE(TempFiles().empty()) << C.Name;
        EXPECT_FALSE(State.PayloadOpen) << C.Name;
    }
}

TEST_F(PatchBlock, MissingPatchFile)
{
    EXPECT_EQ(ReadFailure(), "\r\nError, cannot open patchfile \"" + PatchPath + "\" for reading!");
}

TEST_F(PatchBlock, VersionIsNamedInTheMessage)
{
    const struct {
        int32_t Version;
        const char* Shown;
    } Cases[] = {{191, "191"}, {-1, "-1"}, {0, "0"}};
    for (const auto& Case : Cases) {
        PatchSpec Layout = MinimalPatch();
        Layout.Version = Case.Version;
        WritePatch(Layout, PatchPath);
        std::string Text = ReadFailure();
        EXPECT_EQ(State.TargetPath, Case.Shown);
        EXPECT_EQ(Text, FormatCatalogueMessage(15));
        EXPECT_NE(Text.find(std::string("tarnw") + Case.Shown + ".htm"), std::string::npos) << Text;
    }
}

TEST_F(PatchBlock, CompressionIsRefusedBeforeTheVersion)
{
    PatchSpec Layout = MinimalPatch();
    Layout.Version = 5;
    Layout.Flags = PatchFlagCompressed;
    WritePatch(Layout, PatchPath);
    EXPECT_EQ(ReadFailure(), CompressionText);
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(PatchBlock, ModeByteChoosesMultiFileOnlyForTwo)
{
    const struct {
        uint8_t Mode;
        bool Multi;
    } Cases[] = {{0, false}, {1, false}, {2, true}, {3, false}, {255, false}};
    for (const auto& Case : Cases) {
        PatchSpec Layout = MinimalPatch();
        Layout.Mode = Case.Mode;
        RecordSpec Record;
        Record.Patched.Name = "f";
        Layout.Records.push_back(Record);
        WritePatch(Layout, PatchPath);
        ASSERT_EQ(ReadFailure(), "");
        EXPECT_EQ(State.MultiFileMode, Case.Multi) << (int)Case.Mode;
    }
}

TEST_F(PatchBlock, LeadingFieldsAndStreamStart)
{
    PatchSpec Layout = MinimalPatch();
    Layout.Description = Bytes("hello");
    Layout.HasRegistry = true;
    Layout.RegistryKeyPath = "SOFTWARE\\Vendor\\App";
    Layout.RegistryValueName = "InstallDir";
    Layout.Flags = 0xFC; // unused bits change nothing
    WritePatch(Layout, PatchPath);
    ASSERT_EQ(ReadFailure(), "");
    EXPECT_EQ(State.BackupDirName, "backup");
    EXPECT_EQ(State.RegistryKeyPath, "SOFTWARE\\Vendor\\App");
    EXPECT_EQ(State.RegistryValueName, "InstallDir");
    EXPECT_EQ(State.StreamStart, 5 + 7 + 20 + 11);
    EXPECT_EQ(Recorder.InfoBox, "hello");
    EXPECT_EQ(TempFiles(), (std::vector<std::string>{"TWQ0.tmp"}));
}

TEST_F(PatchBlock, DescriptionDecoding)
{
    const struct {
        std::string Stored;
        std::string Shown;
    } Cases[] = {
        {"", ""},
        {"#%gone", ""},
        {"abc#%rest", "abc"},
        {"ends with #", "ends with #"},
        {std::string("a\0b\x01" "c", 5), "a\r\r\nb\r\r\nc"},
        {"\x80\x14\x15", "\xC7\xB6\xA7"},
    };
    for (const auto& Case : Cases) {
        ASSERT_EQ(ReadFreshPatchWithDescription(Case.Stored), "");
        EXPECT_EQ(Recorder.InfoBox, Case.Shown) << Case.Stored;
    }
}

// Descriptions beyond the buffers are cut to what fits; nothing is written past them.
TEST_F(PatchBlock, OverlongDescriptionsAreCut)
{
    const struct {
        std::string Stored;
        size_t ShownLength;
    } Cases[] = {
        {std::string(1000, 'a'), 1000},
        {std::string(1001, 'a'), 1000},
        {std::string(5000, 'a'), 1000},
        {std::string(667, '\x01'), 2001},
        {std::string(668, '\x01'), 2001},
        {std::string(1000, '\x01'), 2001},
        {std::string(667, '\x01') + "ab", 2003},
    };
    for (const auto& Case : Cases) {
        ASSERT_EQ(ReadFreshPatchWithDescription(Case.Stored), "") << Case.Stored.size();
        EXPECT_EQ(Recorder.InfoBox.size(), Case.ShownLength) << Case.Stored.size();
        EXPECT_EQ(State.BackupDirName, "backup");
    }
}

TEST_F(PatchBlock, SecondReadKeepsTheInfoBox)
{
    PatchSpec Layout = MinimalPatch();
    Layout.Description = Bytes("first");
    WritePatch(Layout, PatchPath);
    ASSERT_EQ(ReadFailure(), "");
    EXPECT_EQ(Recorder.InfoBoxSets, 2); // the wait text, then the description
    ASSERT_EQ(ReadFailure(), "");
    EXPECT_EQ(Recorder.InfoBoxSets, 2);
    EXPECT_EQ(Recorder.InfoBox, "first");
    EXPECT_EQ(TempFiles().size(), 1u); // the earlier read's payload copy was given up
}

TEST_F(PatchBlock, TempNamesSkipExistingFilesOnly)
{
    WriteBytes(State.TempDir + "TWQ0.tmp", {});
    WriteBytes(State.TempDir + "TWQ1.tmp", {});
    EXPECT_EQ(MakeTempName(), State.TempDir + "TWQ2.tmp");
    for (int N = 2; N < 10; N++)
        WriteBytes(State.TempDir + "TWQ" + std::to_string(N) + ".tmp", {});
    EXPECT_EQ(MakeTempName(), State.TempDir + "TWQ10.tmp");
}

TEST_F(PatchBlock, PayloadBufferThatCannotBeCreatedEndsWithMessage7)
{
    State.TempDir = Folder + "/no such folder/";
    WritePatch(MinimalPatch(), PatchPath);
    EXPECT_EQ(ReadFailure(), FormatCatalogueMessage(7));
}

TEST_F(PatchBlock, PayloadIsCopiedWhole)
{
    for (size_t Size : {0u, 2047u, 2048u, 2049u, 130000u}) {
        PatchSpec Layout = MinimalPatch();
        Layout.WriteEndRecord = false;
        Layout.StreamTail.assign(Size, 0);
        for (size_t I = 0; I < Size; I++)
            Layout.StreamTail[I] = (uint8_t)(I * 7);
        WritePatch(Layout, PatchPath);
        ASSERT_EQ(ReadFailure(), "");
        std::vector<uint8_t> Copy = ReadBytes(State.PayloadBuffer.Path);
        std::vector<uint8_t> Block = ReadBytes(PatchPath);
        EXPECT_EQ(Copy, std::vector<uint8_t>(Block.begin() + 76, Block.end())) << Size;
    }
}

} // namespace
