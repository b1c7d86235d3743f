// Checks the file layer on whichever system the tests are built for: transfers and positions,
// the pending error code, names, listings, time stamps and the fault-injection hook.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/scratch.h"

namespace {

// A folder label unique to the running test (parameterised names hold "/").
std::string ScratchLabel(const std::string& Prefix)
{
    const ::testing::TestInfo* Test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string Label = Prefix + "-" + Test->test_suite_name() + "-" + Test->name();
    for (char& C : Label)
        if (C == '/')
            C = '-';
    return Label;
}

class FileLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatformFailAfter(0);
        PlatformTakeError();
        Dir = MakeScratch(ScratchLabel("file-layer")) + "/";
    }

    void TearDown() override
    {
        PlatformFailAfter(0);
        PlatformClose(File);
        PlatformClose(Other);
        PlatformTakeError();
        RemoveScratch(Dir);
    }

    // Creates Name in the scratch directory holding Bytes, and closes it again.
    void MakeFile(const std::string& Name, const std::string& Bytes)
    {
        FileObject Made;
        ASSERT_TRUE(PlatformCreate(Made, Dir + Name));
        PlatformWrite(Made, Bytes.data(), static_cast<int32_t>(Bytes.size()));
        PlatformClose(Made);
        ASSERT_EQ(PlatformTakeError(), 0);
    }

    // The whole content of Name, read through the layer; "<missing>" when it cannot be opened.
    std::string ContentOf(const std::string& Name)
    {
        FileObject Reader;
        if (!PlatformOpenRead(Reader, Dir + Name)) {
            PlatformTakeError();
            return "<missing>";
        }
        std::string Bytes(static_cast<size_t>(PlatformFileSize(Reader)), '\0');
        PlatformRead(Reader, &Bytes[0], static_cast<int32_t>(Bytes.size()));
        PlatformClose(Reader);
        EXPECT_EQ(PlatformTakeError(), 0) << "reading " << Name;
        return Bytes;
    }

    std::string Dir; // ends with a separator, so names can be appended
    FileObject File;
    FileObject Other;
};

TEST_F(FileLayerTest, WritesReadsAndPositions)
{
    ASSERT_TRUE(PlatformCreate(File, Dir + "data.bin"));
    EXPECT_TRUE(File.IsOpen);
    EXPECT_EQ(File.Path, Dir + "data.bin");
    PlatformWrite(File, "0123456789", 10);
    EXPECT_EQ(PlatformFileSize(File), 10);
    EXPECT_EQ(PlatformFilePosition(File), 10);
    PlatformSeek(File, 3);
    char Piece[5] = {};
    PlatformRead(File, Piece, 4);
    EXPECT_STREQ(Piece, "3456");
    EXPECT_EQ(PlatformFilePosition(File), 7);
    PlatformRead(File, Piece, 0);
    PlatformReadAt(File, 6, Piece, 3);
    Piece[3] = 0;
    EXPECT_STREQ(Piece, "678");
    PlatformSeek(File, 1); // a plain read after a positioned one goes where the seek says
    PlatformRead(File, Piece, 2);
    Piece[2] = 0;
    EXPECT_STREQ(Piece, "12");
    PlatformFlush(File);
    EXPECT_EQ(PlatformTakeError(), 0);

    PlatformSeek(File, 25); // behind the end: allowed, and the file does not grow by it
    EXPECT_EQ(PlatformTakeError(), 0);
    EXPECT_EQ(PlatformFilePosition(File), 25);
    EXPECT_EQ(PlatformFileSize(File), 10);

    PlatformClose(File);
    EXPECT_FALSE(File.IsOpen);
    PlatformClose(File);
    EXPECT_EQ(PlatformTakeError(), 0);
    EXPECT_EQ(ContentOf("data.bin"), "0123456789");
}

TEST_F(FileLayerTest, CreateTruncatesAnExistingFile)
{
    MakeFile("data.bin", "a longer content");
    ASSERT_TRUE(PlatformCreate(File, Dir + "data.bin"));
    EXPECT_EQ(PlatformFileSize(File), 0);
    PlatformWrite(File, "new", 3);
    PlatformClose(File);
    EXPECT_EQ(ContentOf("data.bin"), "new");
}

// Each operation fails on "ten.bin" (ten bytes, opened for reading only) or on a closed file.
struct FailingOperation {
    const char* Name;
    void (*Run)(FileObject& File);
};

const FailingOperation FailingOperations[] = {
    {"ReadOverTheEnd", [](FileObject& F) { char B[4]; PlatformSeek(F, 8); PlatformRead(F, B, 4); }},
    {"ReadBehindTheEnd", [](FileObject& F) { char B[1]; PlatformSeek(F, 20); PlatformRead(F, B, 1); }},
    {"SeekToNegative", [](FileObject& F) { PlatformSeek(F, -1); }},
    {"ReadAtOverTheEnd", [](FileObject& F) { char B[4]; PlatformReadAt(F, 8, B, 4); }},
    {"ReadAtNegative", [](FileObject& F) { char B[1]; PlatformReadAt(F, -1, B, 1); }},
    {"ReadAtClosed", [](FileObject& F) { char B[1]; PlatformClose(F); PlatformReadAt(F, 0, B, 1); }},
    {"ReadNegativeCount", [](FileObject& F) { char B[1]; PlatformRead(F, B, -1); }},
    {"WriteToReadOnly", [](FileObject& F) { PlatformWrite(F, "x", 1); }},
    {"ReadClosed", [](FileObject& F) { char B[1]; PlatformClose(F); PlatformRead(F, B, 1); }},
    {"WriteClosed", [](FileObject& F) { PlatformClose(F); PlatformWrite(F, "x", 1); }},
    {"SeekClosed", [](FileObject& F) { PlatformClose(F); PlatformSeek(F, 0); }},
    {"FlushClosed", [](FileObject& F) { PlatformClose(F); PlatformFlush(F); }},
    {"SizeOfClosed", [](FileObject& F) { PlatformClose(F); PlatformFileSize(F); }},
    {"PositionOfClosed", [](FileObject& F) { PlatformClose(F); PlatformFilePosition(F); }},
};

class FailingOperationTest : public FileLayerTest, public ::testing::WithParamInterface<FailingOperation> {
};

TEST_P(FailingOperationTest, LeavesOneCodeUntilTaken)
{
    MakeFile("ten.bin", "0123456789");
    ASSERT_TRUE(PlatformOpenRead(File, Dir + "ten.bin"));
    GetParam().Run(File);
    EXPECT_NE(PlatformTakeError(), 0);
    EXPECT_EQ(PlatformTakeError(), 0);
}

INSTANTIATE_TEST_SUITE_P(Operations, FailingOperationTest, ::testing::ValuesIn(FailingOperations),
                         [](const ::testing::TestParamInfo<FailingOperation>& Info) { return Info.param.Name; });

TEST_F(FileLayerTest, ShortReadStaysPendingThroughLaterSuccess)
{
    MakeFile("ten.bin", "0123456789");
    ASSERT_TRUE(PlatformOpenRead(File, Dir + "ten.bin"));
    char Bytes[5] = {};
    PlatformSeek(File, 8);
    PlatformRead(File, Bytes, 4);
    PlatformSeek(File, 0);
    PlatformRead(File, Bytes, 4);
    EXPECT_STREQ(Bytes, "0123");
    EXPECT_NE(PlatformTakeError(), 0);
    EXPECT_EQ(PlatformTakeError(), 0);
}

TEST_F(FileLayerTest, FirstCodeIsKept)
{
    PlatformSetError(4242);
    EXPECT_FALSE(PlatformOpenRead(File, Dir + "missing.bin"));
    PlatformSetError(77);
    EXPECT_EQ(PlatformTakeError(), 4242);
    EXPECT_EQ(PlatformTakeError(), 0);
}

TEST_F(FileLayerTest, PathsThatCannotBeOpenedForReading)
{
    ASSERT_TRUE(PlatformMakeDirectory(Dir + "folder"));
    for (const char* Name : {"missing.bin", "folder", "nowhere/missing.bin"}) {
        SCOPED_TRACE(Name);
        EXPECT_FALSE(PlatformOpenRead(File, Dir + Name));
        EXPECT_FALSE(File.IsOpen);
        EXPECT_NE(PlatformTakeError(), 0);
    }
}

// A file object holds one handle; the one it held before must not stay open behind it.
TEST_F(FileLayerTest, OpeningAgainClosesTheEarlierHandle)
{
    MakeFile("second.bin", "second");
    ASSERT_TRUE(PlatformCreate(File, Dir + "first.bin"));
    ASSERT_TRUE(PlatformOpenRead(File, Dir + "second.bin"));
    char Bytes[7] = {};
    PlatformRead(File, Bytes, 6);
    EXPECT_STREQ(Bytes, "second");
    EXPECT_TRUE(PlatformDeleteFile(Dir + "first.bin"));
    EXPECT_EQ(PlatformTakeError(), 0);
}

// The applier reads files that other programs may hold open, and reads back what it writes.
TEST_F(FileLayerTest, ReadersAndWritersShareAFile)
{
    MakeFile("shared.bin", "old");
    ASSERT_TRUE(PlatformOpenRead(File, Dir + "shared.bin"));
    ASSERT_TRUE(PlatformCreate(Other, Dir + "shared.bin"));
    PlatformWrite(Other, "fresh", 5);
    FileObject Reader;
    ASSERT_TRUE(PlatformOpenRead(Reader, Dir + "shared.bin"));
    char Bytes[6] = {};
    PlatformRead(Reader, Bytes, 5);
    PlatformClose(Reader);
    EXPECT_STREQ(Bytes, "fresh");
    EXPECT_EQ(PlatformTakeError(), 0);
}

TEST_F(FileLayerTest, FilesAreToldFromDirectories)
{
    MakeFile("plain.txt", "x");
    ASSERT_TRUE(PlatformMakeDirectory(Dir + "folder"));
    struct Case {
        const char* Name;
        bool IsFile;
        bool IsDirectory;
    };
    for (const Case& C : {Case{"plain.txt", true, false}, Case{"folder", false, true},
                          Case{"missing", false, false}, Case{"folder/missing", false, false}}) {
        SCOPED_TRACE(C.Name);
        EXPECT_EQ(PlatformFileExists(Dir + C.Name), C.IsFile);
        EXPECT_EQ(PlatformIsDirectory(Dir + C.Name), C.IsDirectory);
    }
    EXPECT_EQ(PlatformTakeError(), 0); // asking is no failing operation
}

TEST_F(FileLayerTest, MoveRefusesAnExistingDestinationAndReplaceDoesNot)
{
    MakeFile("a", "A");
    MakeFile("b", "B");
    EXPECT_FALSE(PlatformMoveFile(Dir + "a", Dir + "b"));
    EXPECT_NE(PlatformTakeError(), 0);
    EXPECT_EQ(ContentOf("a"), "A");
    EXPECT_EQ(ContentOf("b"), "B");

    EXPECT_TRUE(PlatformMoveFile(Dir + "a", Dir + "c"));
    EXPECT_EQ(PlatformTakeError(), 0);
    EXPECT_FALSE(PlatformFileExists(Dir + "a"));
    EXPECT_EQ(ContentOf("c"), "A");

    EXPECT_TRUE(PlatformReplaceFile(Dir + "c", Dir + "b"));
    EXPECT_EQ(PlatformTakeError(), 0);
    EXPECT_FALSE(PlatformFileExists(Dir + "c"));
    EXPECT_EQ(ContentOf("b"), "A");

    EXPECT_FALSE(PlatformMoveFile(Dir + "missing", Dir + "d"));
    EXPECT_NE(PlatformTakeError(), 0);
    EXPECT_FALSE(PlatformReplaceFile(Dir + "missing", Dir + "b"));
    EXPECT_NE(PlatformTakeError(), 0);
    EXPECT_EQ(ContentOf("b"), "A");
}

TEST_F(FileLayerTest, MakesDirectoriesOnce)
{
    EXPECT_TRUE(PlatformMakeDirectory(Dir + "sub"));
    EXPECT_EQ(PlatformTakeError(), 0);
    EXPECT_TRUE(PlatformIsDirectory(Dir + "sub"));
    EXPECT_FALSE(PlatformMakeDirectory(Dir + "sub"));
    EXPECT_NE(PlatformTakeError(), 0);
    EXPECT_FALSE(PlatformMakeDirectory(Dir + "missing/sub"));
    EXPECT_NE(PlatformTakeError(), 0);
}

TEST_F(FileLayerTest, DeletesFilesButNotDirectories)
{
    MakeFile("doomed.bin", "x");
    EXPECT_TRUE(PlatformDeleteFile(Dir + "doomed.bin"));
    EXPECT_EQ(PlatformTakeError(), 0);
    EXPECT_FALSE(PlatformFileExists(Dir + "doomed.bin"));
    EXPECT_FALSE(PlatformDeleteFile(Dir + "doomed.bin"));
    EXPECT_NE(PlatformTakeError(), 0);
    ASSERT_TRUE(PlatformMakeDirectory(Dir + "folder"));
    EXPECT_FALSE(PlatformDeleteFile(Dir + "folder"));
    EXPECT_NE(PlatformTakeError(), 0);
    EXPECT_TRUE(PlatformIsDirectory(Dir + "folder"));
}

// Patches name their files with "\"; both separators must reach the same file.
TEST_F(FileLayerTest, BothSeparatorsNameTheSameFile)
{
    ASSERT_TRUE(PlatformMakeDirectory(Dir + "sub"));
    ASSERT_TRUE(PlatformMakeDirectory(Dir + "sub\\deeper"));
    EXPECT_TRUE(PlatformIsDirectory(Dir + "sub/deeper"));
    struct Case {
        const char* WrittenAs;
        const char* ReadAs;
    };
    for (const Case& C : {Case{"sub\\one.txt", "sub/one.txt"}, Case{"sub/two.txt", "sub\\two.txt"},
                          Case{"sub\\deeper\\three.txt", "sub/deeper/three.txt"}}) {
        SCOPED_TRACE(C.WrittenAs);
        MakeFile(C.WrittenAs, C.WrittenAs);
        EXPECT_TRUE(PlatformFileExists(Dir + C.ReadAs));
        EXPECT_EQ(ContentOf(C.ReadAs), C.WrittenAs);
    }
}

TEST_F(FileLayerTest, ListsEveryEntrySortedByName)
{
    for (const char* Name : {"b.txt", "c9", "a.txt", "c10"})
        MakeFile(Name, "x");
    ASSERT_TRUE(PlatformMakeDirectory(Dir + "d"));
    const std::vector<std::string> Names = {".", "..", "a.txt", "b.txt", "c10", "c9", "d"};
    const std::vector<bool> Directories = {true, true, false, false, false, false, true};
    std::string WithoutSeparator = Dir.substr(0, Dir.size() - 1);
    for (const std::string& Listed : {Dir, WithoutSeparator}) {
        SCOPED_TRACE(Listed);
        std::vector<DirectoryEntry> Entries;
        ASSERT_TRUE(PlatformListDirectory(Listed, Entries));
        std::vector<std::string> GotNames;
        std::vector<bool> GotDirectories;
        for (const DirectoryEntry& Entry : Entries) {
            GotNames.push_back(Entry.Name);
            GotDirectories.push_back(Entry.IsDirectory);
        }
        EXPECT_EQ(GotNames, Names);
        EXPECT_EQ(GotDirectories, Directories);
    }
    std::vector<DirectoryEntry> Entries(1);
    EXPECT_FALSE(PlatformListDirectory(Dir + "missing", Entries));
    EXPECT_TRUE(Entries.empty());
}

// Seconds since the epoch of a file's last-write time.
double WriteTimeOf(const std::string& Path)
{
    using namespace std::chrono;
    auto Written = std::filesystem::last_write_time(std::filesystem::path(Path));
    auto Age = duration_cast<system_clock::duration>(std::filesystem::file_time_type::clock::now() - Written);
    return duration<double>((system_clock::now() - Age).time_since_epoch()).count();
}

class WriteTimeTest : public FileLayerTest {
protected:
    // Creates Name and gives it DosTime while it is open; returns its write time as read back.
    double Stamp(const std::string& Name, uint32_t DosTime)
    {
        EXPECT_TRUE(PlatformCreate(File, Dir + Name));
        PlatformWrite(File, "x", 1);
        PlatformSetWriteTime(File, DosTime);
        PlatformClose(File);
        EXPECT_EQ(PlatformTakeError(), 0);
        return WriteTimeOf(Dir + Name);
    }
};

TEST_F(WriteTimeTest, DosValuesSetLocalTimesThatDifferAsTheyDo)
{
    struct Case {
        const char* What;
        uint32_t Earlier;
        uint32_t Later;
        double Seconds;
    };
    const Case Cases[] = {
        {"one minute", 0x2A210000, 0x2A210020, 60},         // 2001-01-01 00:00 and 00:01
        {"two seconds", 0x2A210000, 0x2A210001, 2},         // the seconds field counts pairs
        {"one hour", 0x2A210000, 0x2A210800, 3600},
        {"one day", 0x2A210000, 0x2A220000, 86400},         // 1 and 2 January 2001
        {"one month", 0x2A210000, 0x2A410000, 31 * 86400},  // 1 January and 1 February 2001
        {"leap day", 0x285C0000, 0x28610000, 2 * 86400},    // 28 February and 1 March 2000
        {"one year", 0x2A210000, 0x2C210000, 365 * 86400},  // 2001 and 2002
        {"last second of a day", 0x2A21BF7D, 0x2A220000, 2}, // 23:59:58 and the next midnight
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        double Earlier = Stamp("earlier", C.Earlier);
        double Later = Stamp("later", C.Later);
        EXPECT_NEAR(Later - Earlier, C.Seconds, 0.01);
    }
}

TEST_F(WriteTimeTest, ValuesThatNameNoMomentLeaveTheTime)
{
    const uint32_t Valid = 0x2A210000;
    struct Case {
        const char* What;
        uint32_t DosTime;
    };
    const Case Cases[] = {
        {"month 0", 0x2A010000},     {"month 13", 0x2BA10000}, {"day 0", 0x2A200000},
        {"30 February", 0x2A5E0000}, {"hour 24", 0x2A21C000},  {"minute 60", 0x2A210780},
        {"second 60", 0x2A21001E},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.What);
        double Before = Stamp(C.What, Valid);
        ASSERT_TRUE(PlatformOpenRead(File, Dir + C.What));
        PlatformSetWriteTime(File, C.DosTime);
        PlatformClose(File);
        EXPECT_NEAR(WriteTimeOf(Dir + C.What), Before, 0.01);
    }
}

// Windows programs are the ones whose own file ends with ".exe".
bool RunningOnWindows()
{
    std::string Own = PlatformOwnPath();
    return Own.size() > 4 && Own.compare(Own.size() - 4, 4, ".exe") == 0;
}

TEST(ProcessTest, OwnPathTempPathAndCommandLine)
{
    EXPECT_TRUE(PlatformFileExists(PlatformOwnPath()));
    EXPECT_TRUE(PlatformIsDirectory(PlatformTempPath()));
    if (RunningOnWindows()) {
        EXPECT_NE(PlatformCommandLine().find("tarnwel_tests"), std::string::npos) << PlatformCommandLine();
    }
}

TEST(RegistryReadTest, MissingKeysAndValuesReadAsFalse)
{
    uint8_t Buffer[1001];
    int32_t Length = -1;
    EXPECT_FALSE(PlatformReadRegistry("Software\\Tarnwel Test\\Missing", "Target", Buffer, 1001, Length));
    EXPECT_EQ(Length, 0);
    EXPECT_FALSE(PlatformReadRegistry("Software", "Tarnwel Test Missing Value", Buffer, 1001, Length));
    EXPECT_EQ(Length, 0);
}

// Only Windows has a machine-wide registry to read; the POSIX stand-in has tests of its own.
TEST(RegistryReadTest, ReadsAMachineValueIgnoringCase)
{
    if (!RunningOnWindows())
        GTEST_SKIP() << "no system registry on this platform";
    const std::string Key = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    uint8_t Expected[1001] = {};
    int32_t ExpectedLength = 0;
    ASSERT_TRUE(PlatformReadRegistry(Key, "SystemRoot", Expected, 1001, ExpectedLength));
    ASSERT_GT(ExpectedLength, 1);
    EXPECT_EQ(Expected[ExpectedLength - 1], 0); // a string value, with its terminating zero
    EXPECT_TRUE(PlatformIsDirectory(reinterpret_cast<const char*>(Expected)));

    struct Case {
        const char* KeyPath;
        const char* ValueName;
        int32_t Size;
        bool Fits;
    };
    const Case Cases[] = {
        {"SOFTWARE\\microsoft\\windows nt\\CURRENTVERSION", "systemroot", 1001, true},
        {Key.c_str(), "SystemRoot", ExpectedLength, true},
        {Key.c_str(), "SystemRoot", ExpectedLength - 1, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.KeyPath) + " " + C.ValueName + " " + std::to_string(C.Size));
        uint8_t Buffer[1001] = {};
        int32_t Length = 0;
        ASSERT_EQ(PlatformReadRegistry(C.KeyPath, C.ValueName, Buffer, C.Size, Length), C.Fits);
        if (C.Fits) {
            EXPECT_EQ(Length, ExpectedLength);
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(Buffer)), reinterpret_cast<const char*>(Expected));
        }
    }
}

// The operations the hook counts, each independent of the others' success; Run returns whether
// the operation's effect is visible afterwards.
struct HookScene {
    std::string Dir;
    FileObject Data; // "data.bin", ten bytes, open for reading and writing at position 0
    FileObject Opened;
    FileObject Created;
};

struct CountedOperation {
    const char* Name;
    bool (*Run)(HookScene& Scene);
    bool EffectVisible; // false when no effect can be seen from outside
};

const CountedOperation CountedOperations[] = {
    {"Seek", [](HookScene& S) { PlatformSeek(S.Data, 5); return PlatformFilePosition(S.Data) == 5; }, true},
    {"Read",
     [](HookScene& S) {
         char Byte;
         int32_t Before = PlatformFilePosition(S.Data);
         PlatformRead(S.Data, &Byte, 1);
         return PlatformFilePosition(S.Data) == Before + 1;
     },
     true},
    {"Write",
     [](HookScene& S) {
         int32_t Before = PlatformFilePosition(S.Data);
         PlatformWrite(S.Data, "w", 1);
         return PlatformFilePosition(S.Data) == Before + 1;
     },
     true},
    {"Flush", [](HookScene& S) { PlatformFlush(S.Data); return true; }, false},
    {"OpenRead", [](HookScene& S) { return PlatformOpenRead(S.Opened, S.Dir + "source.bin"); }, true},
    {"Create",
     [](HookScene& S) {
         PlatformCreate(S.Created, S.Dir + "created.bin");
         return PlatformFileExists(S.Dir + "created.bin");
     },
     true},
    {"Delete",
     [](HookScene& S) {
         PlatformDeleteFile(S.Dir + "doomed.bin");
         return !PlatformFileExists(S.Dir + "doomed.bin");
     },
     true},
    {"MakeDirectory",
     [](HookScene& S) {
         PlatformMakeDirectory(S.Dir + "made");
         return PlatformIsDirectory(S.Dir + "made");
     },
     true},
    {"Move",
     [](HookScene& S) {
         PlatformMoveFile(S.Dir + "moving.bin", S.Dir + "moved.bin");
         return PlatformFileExists(S.Dir + "moved.bin");
     },
     true},
    {"Replace",
     [](HookScene& S) {
         PlatformReplaceFile(S.Dir + "replacing.bin", S.Dir + "replaced.bin");
         return !PlatformFileExists(S.Dir + "replacing.bin");
     },
     true},
};

constexpr int CountedOperationCount = sizeof CountedOperations / sizeof CountedOperations[0];

class FailAfterTest : public FileLayerTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        FileLayerTest::SetUp();
        Scene.Dir = Dir;
        for (const char* Name : {"source.bin", "doomed.bin", "moving.bin", "replacing.bin", "replaced.bin"})
            MakeFile(Name, "x");
        ASSERT_TRUE(PlatformCreate(Scene.Data, Dir + "data.bin"));
        PlatformWrite(Scene.Data, "0123456789", 10);
        PlatformSeek(Scene.Data, 0);
        ASSERT_EQ(PlatformTakeError(), 0);
    }

    void TearDown() override
    {
        PlatformClose(Scene.Data);
        PlatformClose(Scene.Opened);
        PlatformClose(Scene.Created);
        FileLayerTest::TearDown();
    }

    HookScene Scene;
};

// FailAfter(N) refuses exactly the N-th counted operation, which then changes nothing; 0 refuses none.
TEST_P(FailAfterTest, RefusesExactlyTheNthOperation)
{
    const int N = GetParam();
    PlatformFailAfter(N);
    for (int I = 0; I < CountedOperationCount; I++) {
        const CountedOperation& Operation = CountedOperations[I];
        SCOPED_TRACE(Operation.Name);
        bool Refused = I == N - 1;
        bool Visible = Operation.Run(Scene);
        EXPECT_EQ(PlatformTakeError() != 0, Refused);
        if (Operation.EffectVisible) {
            EXPECT_EQ(Visible, !Refused);
        }
    }
    PlatformSeek(Scene.Data, 0); // the hook fires once
    EXPECT_EQ(PlatformTakeError(), 0);
}

INSTANTIATE_TEST_SUITE_P(Counts, FailAfterTest, ::testing::Range(0, CountedOperationCount + 1));

} // namespace
