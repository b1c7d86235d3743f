// Walking the record stream in both modes, with and without windows, and refusing bad records.
#include <gtest/gtest.h>

#include "container/patch_block.h"
#include "container/record_stream.h"
#include "core/applier_state.h"
#include "core/patch_abort.h"
#include "platform/platform.h"
#include "shell/message_catalogue.h"
#include "tests/support/recording_window.h"
#include "tests/support/scratch.h"

namespace {

class RecordStream : public ::testing::Test {
protected:
    std::string Folder;

    void SetUp() override
    {
        ResetApplierState();
        ResetRecorder();
        Folder = MakeScratch("records");
        State.TempDir = Folder + "/";
        State.PatchPath = Folder + "/p.pat";
        State.TargetPath = "T";
        State.TargetBase = "B";
    }
    void TearDown() override
    {
        Cleanup();
        PlatformClose(State.PatchFile); // Windows deletes no file that is still open
        RemoveScratch(Folder);
    }

    void Open(const PatchSpec& Layout)
    {
        WritePatch(Layout, State.PatchPath);
        ReadPatchBlock();
    }

    // The abort text of the next ReadFileRecord, or "" when it returns.
    std::string NextFailure()
    {
        try {
            ReadFileRecord();
        } catch (const PatchAbort& Abort) {
            return Abort.Text;
        }
        return "";
    }

    int32_t Position()
    {
        return PlatformFilePosition(State.PayloadBuffer);
    }
};

VariantSpec Variant(const std::string& Name, size_t DeltaBytes)
{
    VariantSpec V;
    V.Name = Name;
    V.OldCrc = 0x11223344;
    V.OldSize = 77;
    V.Streams[0].assign(DeltaBytes, 0xAB);
    V.LengthReuse = 3;
    V.VariantFlags = 2;
    V.BlockSize = 9;
    return V;
}

RecordSpec Patched(const std::string& Name, std::vector<VariantSpec> Variants = {})
{
    RecordSpec R;
    R.Patched.Name = Name;
    R.Patched.NewCrc = 0xCAFEBABE;
    R.Patched.NewSize = 1234;
    R.Patched.NewTime = 0x2A210000;
    R.Patched.Variants = std::move(Variants);
    return R;
}

RecordSpec Embedded(const std::string& Name)
{
    RecordSpec R;
    R.Kind = RecordKind::Embedded;
    R.Embedded.Name = Name;
    R.Embedded.Content = Bytes("data");
    return R;
}

TEST_F(RecordStream, EndRecordAlone)
{
    Open(PatchSpec());
    EXPECT_EQ(ReadFileRecord(), RecordEnd);
}

TEST_F(RecordStream, UnknownTypeIsRefused)
{
    PatchSpec Layout;
    Layout.WriteEndRecord = false;
    Layout.StreamTail = {3};
    Open(Layout);
    EXPECT_EQ(NextFailure(), FormatCatalogueMessage(0));
}

TEST_F(RecordStream, MultiFileRecordsWithVariants)
{
    PatchSpec Layout;
    Layout.Records = {Patched("dir\\a.dll", {Variant("", 100), Variant("old.dll", 200)}), Patched("b", {}),
                    Embedded("c.txt")};
    Open(Layout);
    ASSERT_EQ(ReadFileRecord(), RecordPatched);
    EXPECT_EQ(State.CurrentFileName, "dir\\a.dll");
    EXPECT_EQ(State.RecordPath, "B\\dir\\a.dll");
    EXPECT_EQ(State.Record.NewCrc, 0xCAFEBABEu);
    EXPECT_EQ(State.Record.NewSize, 1234);
    EXPECT_EQ(State.Record.NewTime, 0x2A210000u);
    EXPECT_EQ(State.Record.VariantCount, 2);
    EXPECT_EQ(State.CrcWindowLength, 0);
    EXPECT_EQ(State.VariantNames[0], "dir\\a.dll"); // an empty name stands for the record's own
    EXPECT_EQ(State.VariantNames[1], "old.dll");
    EXPECT_EQ(State.Variants[1].OldCrc, 0x11223344u);
    EXPECT_EQ(State.Variants[1].OldSize, 77);
    EXPECT_EQ(State.Variants[1].StreamLengths[0], 200);
    EXPECT_EQ(State.Variants[1].LengthReuse, 3);
    EXPECT_EQ(State.Variants[1].VariantFlags, 2);
    EXPECT_EQ(State.Variants[1].BlockSize, 9);
    EXPECT_EQ(State.DeltaPosition[1], State.DeltaPosition[0] + 100 + 1 + 7 + 32);
    EXPECT_EQ(Position(), State.DeltaPosition[1] + 200);

    ASSERT_EQ(ReadFileRecord(), RecordPatched);
    EXPECT_EQ(State.CurrentFileName, "b");
    EXPECT_EQ(State.Record.VariantCount, 0);

    int32_t Before = Position();
    ASSERT_EQ(ReadFileRecord(), RecordEmbedded);
    EXPECT_EQ(State.CurrentFileName, "c.txt");
    EXPECT_EQ(State.EmbeddedPath, "B\\c.txt");
    EXPECT_EQ(Position(), Before + 1 + 6); // left at the size field
}

TEST_F(RecordStream, WindowsAreReadWhenFlagged)
{
    PatchSpec Layout;
    RecordSpec R = Patched("w", {Variant("", 4)});
    R.Patched.HasWindows = true;
    R.Patched.Window = {10, 20};
    R.Patched.Variants[0].Window = {30, 40};
    R.Patched.UnusedFlags = 0xFC;
    R.Patched.Reserved = 0x55;
    Layout.Records = {R};
    Open(Layout);
    ASSERT_EQ(ReadFileRecord(), RecordPatched);
    EXPECT_EQ(State.CrcWindowStart, 10);
    EXPECT_EQ(State.CrcWindowLength, 20);
    EXPECT_EQ(State.VariantWindowStart[0], 30);
    EXPECT_EQ(State.VariantWindowLength[0], 40);
    EXPECT_FALSE(State.FileOptional);
    EXPECT_EQ(ReadFileRecord(), RecordEnd);
}

TEST_F(RecordStream, SingleFileRecordHasNoNames)
{
    PatchSpec Layout;
    Layout.Mode = SingleFileMode;
    RecordSpec R = Patched("", {Variant("", 8), Variant("", 8)});
    R.Patched.Optional = true;
    Layout.Records = {R};
    Layout.StreamTail = {9, 9, 9}; // never read
    Open(Layout);
    ASSERT_EQ(ReadFileRecord(), RecordPatched);
    EXPECT_EQ(State.CurrentFileName, "T");
    EXPECT_EQ(State.RecordPath, "B");
    EXPECT_TRUE(State.FileOptional);
    EXPECT_EQ(State.VariantNames[0], "");
    EXPECT_EQ(State.DeltaPosition[1], State.DeltaPosition[0] + 8 + 32);
}

TEST_F(RecordStream, MoreVariantsThanSlotsAreRefused)
{
    PatchSpec Layout;
    RecordSpec R = Patched("many", {});
    for (int I = 0; I < 21; I++)
        R.Patched.Variants.push_back(Variant("", 1));
    Layout.Records = {R};
    std::vector<uint8_t> Block;
    std::string Error;
    if (SerialisePatch(Layout, Block, Error)) {
        WriteBytes(State.PatchPath, Block);
    } else {
        // The writer keeps to the limit; state the count by hand.
        R.Patched.Variants.resize(20);
        R.Patched.OverrideVariantCount = true;
        R.Patched.VariantCount = 21;
        Layout.Records = {R};
        WritePatch(Layout, State.PatchPath);
    }
    ReadPatchBlock();
    EXPECT_EQ(NextFailure(), FormatCatalogueMessage(0));
}

TEST_F(RecordStream, NegativeStreamLengthIsRefused)
{
    PatchSpec Layout;
    RecordSpec R = Patched("loop", {Variant("", 0)});
    R.Patched.Variants[0].OverrideLengths = true;
    int32_t Lengths[SubStreamCount] = {0, 0, -60, 0, 0};
    std::copy(Lengths, Lengths + SubStreamCount, R.Patched.Variants[0].StreamLengths);
    Layout.Records = {R};
    Open(Layout);
    EXPECT_EQ(NextFailure(), FormatCatalogueMessage(0));
}

TEST_F(RecordStream, StreamEndingInsideARecord)
{
    PatchSpec Layout;
    Layout.WriteEndRecord = false;
    Layout.StreamTail = {1, 0, 0}; // a patched-file record cut inside its fixed block
    Open(Layout);
    EXPECT_EQ(NextFailure(), FormatCatalogueMessage(0));
}

// Names that would leave the target or reach a device refuse the patch, wherever they stand.
TEST_F(RecordStream, NamesOutsideTheTargetAreRefused)
{
    const char* Bad[] = {"..\\x", "a/../b", "\\abs", "/abs", "C:\\x", "c:x", "\\\\server\\share\\x", "a\\\\b", "a\\",
                         ".",     "a\\.\\b", "CON",  "nul.txt", "Com1", "lpt9.log", "x:stream", "dot.", "blank ",
                         "a\tb",  "q?",     "s*",   "p|q",  "l<",   "g>",   "\"q\"",   ""};
    for (const char* Name : Bad) {
        for (int Where = 0; Where < 3; Where++) {
            PatchSpec Layout;
            if (Where == 0)
                Layout.Records = {Patched(Name)};
            else if (Where == 1)
                Layout.Records = {Patched("ok", {Variant(Name, 0)})};
            else
                Layout.Records = {Embedded(Name)};
            if (Where == 1 && !*Name)
                continue; // an empty variant name means the record's own
            Open(Layout);
            EXPECT_EQ(NextFailure(), FormatCatalogueMessage(0)) << "'" << Name << "' at " << Where;
        }
    }
}

TEST_F(RecordStream, OrdinaryNamesAreAccepted)
{
    for (const char* Name : {"a", "dir\\sub\\file.dll", "dir/sub/x", "CONFIG.SYS", "com10", "..a", "a..b", ".hidden"}) {
        PatchSpec Layout;
        Layout.Records = {Patched(Name, {Variant(Name, 0)}), Embedded(Name)};
        Open(Layout);
        EXPECT_EQ(NextFailure(), "") << Name;
        EXPECT_EQ(NextFailure(), "") << Name;
    }
}

} // namespace
