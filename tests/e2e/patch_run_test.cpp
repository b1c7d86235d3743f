// Whole runs and single record passes against scratch trees, with the window recorded: output
// lines, the disk afterwards, and the refusals that must leave the tree as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <ctime>
#include <sys/stat.h>

#include "apply/patch_run.h"
#include "apply/record_pass.h"
#include "container/patch_block.h"
#include "core/applier_state.h"
#include "core/patch_abort.h"
#include "platform/platform.h"
#include "shell/message_catalogue.h"
#include "tests/support/delta_fixtures.h"
#include "tests/support/recording_window.h"
#include "tests/support/scratch.h"

namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>; // relative path ("/" separated) -> content

const std::string V1 = "version one of the file\n";
const std::string V2 = "version two, a little longer\n";
const std::string V3 = "version three: the newest of them all\n";

class PatchRun : public ::testing::Test {
protected:
    std::string Folder;
    std::string Target;
    std::string Temp;

    void SetUp() override
    {
        ResetApplierState();
        ResetRecorder();
        Folder = MakeScratch("run");
        Target = Folder + "/app";
        Temp = Folder + "/tmp";
        fs::create_directories(Target);
        fs::create_directories(Temp);
        setenv("TMPDIR", Temp.c_str(), 1);
        State.PatchPath = Folder + "/p.pat";
        State.TargetPath = Target;
    }
    void TearDown() override
    {
        Cleanup();
        unsetenv("TMPDIR");
        RemoveScratch(Folder);
    }

    void Plant(const Tree& Files, const std::string& Root)
    {
        for (const auto& [Name, Content] : Files)
            WriteBytes(Root + "/" + Name, Bytes(Content));
    }

    Tree Read(const std::string& Root)
    {
        Tree Files;
        for (const auto& Entry : fs::recursive_directory_iterator(Root))
            if (Entry.is_regular_file())
                Files[fs::relative(Entry.path(), Root).generic_string()] =
                    std::string((const char*)ReadBytes(Entry.path().string()).data(), fs::file_size(Entry.path()));
        return Files;
    }

    // Runs as the window's run starter does; returns the abort text, "" after success.
    std::string Run()
    {
        State.TargetBase = State.TargetPath;
        try {
            RunPatch();
        } catch (const PatchAbort& Abort) {
            return Abort.Text;
        }
        return "";
    }

    bool Pass(bool CheckOnly, bool Quiet)
    {
        State.TargetBase = State.TargetPath;
        InitTempDir();
        ReadPatchBlock();
        Recorder.Lines.clear();
        return RecordPass(CheckOnly, Quiet);
    }

    std::string Line(int N) { return FormatCatalogueMessage(N); }
};

PatchSpec MultiPatch(std::vector<RecordSpec> Records)
{
    PatchSpec Spec;
    Spec.BackupDirName = "backup";
    Spec.Records = std::move(Records);
    return Spec;
}

RecordSpec Optional(RecordSpec Record)
{
    Record.Patched.Optional = true;
    return Record;
}

RecordSpec EmbeddedRecord(const std::string& Name, const std::string& Content, uint32_t Time = 0x2A210000)
{
    RecordSpec R;
    R.Kind = RecordKind::Embedded;
    R.Embedded.Name = Name;
    R.Embedded.Content = Bytes(Content);
    R.Embedded.Time = Time;
    return R;
}

// Every outcome of one patched file, in both passes and both modes, with its exact lines.
TEST_F(PatchRun, OutcomesAndTheirLines)
{
    struct Case {
        const char* Name;
        bool Multi;
        bool CheckOnly;
        bool Optional;
        const char* OnDisk; // content of the file before the pass, nullptr for none
        bool Result;
        std::vector<std::string> Lines;
    };
    const std::string F = "\"a.txt\": ";
    const Case Cases[] = {
        {"multi check rebuilt", true, true, false, "v1", true, {"Checking patchinfo for file " + F + "(ok)"}},
        {"multi check already", true, true, false, "v2", true, {"Checking patchinfo for file " + F + "(ok, already updated)"}},
        {"multi check missing", true, true, false, nullptr, false,
         {"Checking patchinfo for file " + F + "(no matching source)",
          "Error, cannot create new file, but patched software won't work without it."}},
        {"multi check optional", true, true, true, nullptr, true,
         {"Checking patchinfo for file " + F + "(no matching source)",
          "Warning, cannot create new file, but patched software will work without it."}},
        {"multi apply rebuilt", true, false, false, "v1", true, {"Patching file " + F + "(ok)"}},
        {"multi apply already", true, false, false, "v2", true, {"Patching file " + F + "(ok, already updated)"}},
        {"multi apply missing", true, false, false, nullptr, false,
         {"Patching file " + F + "(no matching source)",
          "Error, cannot create new file, but patched software won't work without it."}},
        {"single check rebuilt", false, true, false, "v1", true, {}},
        {"single check already", false, true, false, "v2", true, {}},
        {"single check missing", false, true, false, nullptr, false, {}},
        {"single check optional", false, true, true, nullptr, true,
         {"(no matching source)", "Warning, cannot create new file, but patched software will work without it."}},
        {"single apply rebuilt", false, false, false, "v1", true, {"Patching file \"X\": (ok)"}},
        {"single apply missing", false, false, false, nullptr, false, {"Patching file \"X\": "}},
    };
    for (const Case& C : Cases) {
        SetUp();
        RecordSpec Record = ChainRecord(C.Multi ? "a.txt" : "", {Bytes("v1"), Bytes("v2")});
        Record.Patched.Optional = C.Optional;
        PatchSpec Spec = MultiPatch({Record});
        if (!C.Multi)
            Spec.Mode = SingleFileMode;
        WritePatch(Spec, State.PatchPath);
        std::string File = C.Multi ? Target + "/a.txt" : Target + "/X";
        if (!C.Multi)
            State.TargetPath = File;
        if (C.OnDisk)
            WriteBytes(File, Bytes(C.OnDisk));
        if (!C.Multi && !C.OnDisk)
            State.TargetPath = File;
        std::vector<std::string> Expected = C.Lines;
        for (std::string& L : Expected) {
            size_t At = L.find("\"X\"");
            if (At != std::string::npos)
                L.replace(At, 3, "\"" + File + "\"");
        }
        EXPECT_EQ(Pass(C.CheckOnly, false), C.Result) << C.Name;
        EXPECT_EQ(Recorder.Lines, Expected) << C.Name;
        std::string After = std::string((const char*)ReadBytes(File).data(), ReadBytes(File).size());
        bool Replaced = !C.CheckOnly && C.OnDisk && std::string(C.OnDisk) == "v1";
        EXPECT_EQ(After, Replaced ? "v2" : (C.OnDisk ? C.OnDisk : "")) << C.Name;
        Cleanup(); // the payload copy; the pass itself leaves nothing behind
        EXPECT_TRUE(ListFolder(Temp).empty()) << C.Name;
        TearDown();
    }
}

TEST_F(PatchRun, QuietPassesSayNothing)
{
    WritePatch(MultiPatch({ChainRecord("a.txt", {Bytes(V1), Bytes(V2)}), Optional(ChainRecord("o", {Bytes(V1), Bytes(V2)}))}),
               State.PatchPath);
    Plant({{"a.txt", V1}}, Target);
    EXPECT_TRUE(Pass(true, true));
    EXPECT_TRUE(Recorder.Lines.empty());
    fs::remove(Target + "/a.txt");
    EXPECT_FALSE(Pass(true, true));
    EXPECT_TRUE(Recorder.Lines.empty());
}

TEST_F(PatchRun, ChainStartsAtTheVariantThatMatches)
{
    RecordSpec Record = ChainRecord("a.txt", {Bytes("zero"), Bytes(V1), Bytes(V2), Bytes(V3)});
    WritePatch(MultiPatch({Record}), State.PatchPath);
    Plant({{"a.txt", V1}}, Target);
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(Read(Target), (Tree{{"a.txt", V3}, {"backup/a.txt", V1}}));
    EXPECT_TRUE(ListFolder(Temp).empty());
}

TEST_F(PatchRun, WholeRunLinesAndRerun)
{
    WritePatch(MultiPatch({ChainRecord("bin\\a.dll", {Bytes(V1), Bytes(V2)}), EmbeddedRecord("docs\\new.txt", "new")}),
               State.PatchPath);
    Plant({{"bin/a.dll", V1}}, Target);
    ASSERT_EQ(Run(), "");
    std::string T = "\"" + Target + "\"";
    std::vector<std::string> Expected = {
        Line(33).substr(0, Line(33).size() - 2),
        "Checking patchinfo for file \"bin\\a.dll\": (ok)",
        "Skipping embedded file \"docs\\new.txt\".",
        "",
        "Tests Ok. Now applying the patch.",
        "",
        "Patching file \"bin\\a.dll\": (ok)",
        "Writing embedded file \"docs\\new.txt\".",
        "",
        "Ok, patch applied successfully.",
    };
    EXPECT_EQ(Recorder.Lines, Expected);
    EXPECT_EQ(Read(Target), (Tree{{"bin/a.dll", V2}, {"backup/bin/a.dll", V1}, {"docs/new.txt", "new"}}));

    ResetRecorder();
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(Recorder.Lines[1], "Checking patchinfo for file \"bin\\a.dll\": (ok, already updated)");
    EXPECT_EQ(Read(Target), (Tree{{"bin/a.dll", V2}, {"backup/bin/a.dll", V1}, {"docs/new.txt", "new"}, {"backup/docs/new.txt", "new"}}));
    EXPECT_TRUE(ListFolder(Temp).empty());
}

// The old version is found in the backup folder: left there by an earlier run, or moved there
// by an earlier record of the same pass.
TEST_F(PatchRun, BackupRetry)
{
    RecordSpec First = ChainRecord("a.txt", {Bytes(V1), Bytes(V2)});
    RecordSpec Second = ChainRecord("b.txt", {Bytes(V1), Bytes(V3)});
    Second.Patched.Variants[0].Name = "a.txt";
    WritePatch(MultiPatch({First, Second}), State.PatchPath);
    Plant({{"a.txt", V1}}, Target);
    // The check pass finds b.txt's source at a.txt; the apply pass, after a.txt has been
    // replaced, finds it in the backup folder.
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(Read(Target), (Tree{{"a.txt", V2}, {"b.txt", V3}, {"backup/a.txt", V1}}));

    fs::remove_all(Target);
    Plant({{"backup/a.txt", V1}}, Target);
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(Read(Target), (Tree{{"a.txt", V2}, {"b.txt", V3}, {"backup/a.txt", V1}}));
}

TEST_F(PatchRun, EmbeddedFilesGetTheirTimes)
{
    // 2001-01-01 00:00:00 and 2010-06-15 12:30:20, local time.
    WritePatch(MultiPatch({EmbeddedRecord("sub\\deep\\e.bin", "payload", 0x2A210000), EmbeddedRecord("empty", "", 0x3CCF63CA)}),
               State.PatchPath);
    Plant({{"empty", "old content"}}, Target);
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(Read(Target), (Tree{{"sub/deep/e.bin", "payload"}, {"empty", ""}, {"backup/empty", "old content"}}));
    struct tm Expected1 = {};
    Expected1.tm_year = 101, Expected1.tm_mon = 0, Expected1.tm_mday = 1, Expected1.tm_isdst = -1;
    struct tm Expected2 = {};
    Expected2.tm_year = 110, Expected2.tm_mon = 5, Expected2.tm_mday = 15, Expected2.tm_hour = 12, Expected2.tm_min = 30,
    Expected2.tm_sec = 20, Expected2.tm_isdst = -1;
    auto MTime = [](const std::string& P) {
        struct stat S;
        stat(P.c_str(), &S);
        return S.st_mtime;
    };
    EXPECT_EQ(MTime(Target + "/sub/deep/e.bin"), mktime(&Expected1));
    EXPECT_EQ(MTime(Target + "/empty"), mktime(&Expected2));
}

TEST_F(PatchRun, RebuiltFilesGetTheRecordTime)
{
    WritePatch(MultiPatch({ChainRecord("a.txt", {Bytes(V1), Bytes(V2)}, 0x3CCF63CA)}), State.PatchPath);
    Plant({{"a.txt", V1}}, Target);
    ASSERT_EQ(Run(), "");
    struct tm Expected = {};
    Expected.tm_year = 110, Expected.tm_mon = 5, Expected.tm_mday = 15, Expected.tm_hour = 12, Expected.tm_min = 30,
    Expected.tm_sec = 20, Expected.tm_isdst = -1;
    struct stat S;
    stat((Target + "/a.txt").c_str(), &S);
    EXPECT_EQ(S.st_mtime, mktime(&Expected));
}

TEST_F(PatchRun, NotApplicableOutsideSearchMode)
{
    WritePatch(MultiPatch({ChainRecord("a.txt", {Bytes(V1), Bytes(V2)})}), State.PatchPath);
    Plant({{"a.txt", "something else"}}, Target);
    EXPECT_EQ(Run(), "Error, patch is not applicable to \"" + Target + "\".");
    EXPECT_EQ(Recorder.Lines.back(), "Error, cannot create new file, but patched software won't work without it.");
    EXPECT_EQ(Read(Target), (Tree{{"a.txt", "something else"}}));
    EXPECT_TRUE(ListFolder(Temp).empty());
}

TEST_F(PatchRun, RegistryValueReplacesOnlyWhereOldVersionsAreLooked)
{
    std::string Installed = Folder + "/installed";
    Plant({{"a.txt", V1}}, Installed);
    std::string Registry = Folder + "/registry.txt";
    WriteBytes(Registry, Bytes("software\\vendor\\app\tinstalldir\t" + Installed + "\n"));
    setenv("TARNWEL_REGISTRY", Registry.c_str(), 1);
    PatchSpec Spec = MultiPatch({ChainRecord("a.txt", {Bytes(V1), Bytes(V2)})});
    Spec.HasRegistry = true;
    Spec.RegistryKeyPath = "SOFTWARE\\Vendor\\App";
    Spec.RegistryValueName = "InstallDir";
    WritePatch(Spec, State.PatchPath);
    std::string Text = Run();
    unsetenv("TARNWEL_REGISTRY");
    ASSERT_EQ(Text, "");
    EXPECT_EQ(State.TargetPath, Installed);
    EXPECT_EQ(State.TargetBase, Target);
    EXPECT_EQ(Read(Target), (Tree{{"a.txt", V2}}));
    EXPECT_EQ(Read(Installed), (Tree{{"a.txt", V1}}));
}

TEST_F(PatchRun, FileGivenAsTargetStandsForItsFolder)
{
    WritePatch(MultiPatch({ChainRecord("a.txt", {Bytes(V1), Bytes(V2)})}), State.PatchPath);
    Plant({{"a.txt", V1}, {"other.exe", "x"}}, Target);
    State.TargetPath = Target + "\\other.exe";
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(State.TargetPath, Target + "\\");
    EXPECT_EQ(Read(Target)["a.txt"], V2);
}

TEST_F(PatchRun, SearchAsksAndAppliesOrDeclines)
{
    WritePatch(MultiPatch({ChainRecord("a.txt", {Bytes(V1), Bytes(V2)})}), State.PatchPath);
    Plant({{"one/a.txt", "no"}, {"two/a.txt", V1}, {"three/a.txt", V1}}, Target);
    State.SearchMode = true;
    Recorder.Answers = {false, true}; // "three" comes first by name and is declined
    ASSERT_EQ(Run(), "");
    EXPECT_EQ(Recorder.Boxes.size(), 2u);
    EXPECT_EQ(State.TargetPath, Target + "\\two");
    EXPECT_EQ(Read(Target)["two/a.txt"], V2);
    EXPECT_EQ(Read(Target)["three/a.txt"], V1);

    ResetRecorder();
    State.TargetPath = Target;
    Recorder.Answers = {false};
    EXPECT_EQ(Run(), Line(16));
    EXPECT_EQ(State.TargetPath, Target);
    EXPECT_EQ(Read(Target)["three/a.txt"], V1);
}

// Names that would leave the target are refused before anything on disk changes.
TEST_F(PatchRun, RefusedNamesLeaveTheTreeUnchanged)
{
    const std::vector<RecordSpec> Bad = {
        ChainRecord("..\\escape.txt", {Bytes(V1), Bytes(V2)}),
        EmbeddedRecord("sub\\..\\..\\escape.txt", "x"),
        EmbeddedRecord("CON", "x"),
        EmbeddedRecord("C:\\escape.txt", "x"),
    };
    for (const RecordSpec& Record : Bad) {
        WritePatch(MultiPatch({ChainRecord("a.txt", {Bytes(V1), Bytes(V2)}), EmbeddedRecord("fine.txt", "ok"), Record}),
                   State.PatchPath);
        fs::remove_all(Target);
        Plant({{"a.txt", V1}}, Target);
        EXPECT_EQ(Run(), Line(0));
        EXPECT_EQ(Read(Target), (Tree{{"a.txt", V1}}));
        EXPECT_FALSE(Exists(Folder + "/escape.txt"));
    }
}

TEST_F(PatchRun, BackupFolderThatIsTheTargetNeverDeletesTheFile)
{
    for (const char* Name : {"", "."}) {
        PatchSpec Spec = MultiPatch({ChainRecord("a.txt", {Bytes(V1), Bytes(V2)})});
        Spec.BackupDirName = Name;
        WritePatch(Spec, State.PatchPath);
        fs::remove_all(Target);
        Plant({{"a.txt", V1}}, Target);
        EXPECT_EQ(Run(), Line(31)) << "'" << Name << "'";
        EXPECT_EQ(Read(Target), (Tree{{"a.txt", V1}}));
    }
}

TEST_F(PatchRun, NegativeEmbeddedSizeIsRefused)
{
    RecordSpec Record = EmbeddedRecord("e", "abc");
    Record.Embedded.OverrideSize = true;
    Record.Embedded.Size = -20;
    WritePatch(MultiPatch({Record}), State.PatchPath);
    EXPECT_EQ(Run(), Line(0));
    EXPECT_TRUE(Read(Target).empty());
}

} // namespace

namespace {

// Every file operation of a run, made to fail in turn: each file is whole (its old or its new
// version) whether the run ended or went on, nothing temporary is left, and a later run completes.
TEST_F(PatchRun, EveryFailingFileOperationLosesNothing)
{
    WritePatch(MultiPatch({ChainRecord("bin\\a.dll", {Bytes(V1), Bytes(V2), Bytes(V3)}),
                           ChainRecord("b.txt", {Bytes(V2), Bytes(V3)}), EmbeddedRecord("docs\\new.txt", "new")}),
               State.PatchPath);
    const Tree Before = {{"bin/a.dll", V1}, {"b.txt", V2}};
    const Tree After = {{"bin/a.dll", V3}, {"b.txt", V3}, {"docs/new.txt", "new"}};
    bool Fired = true;
    int32_t N = 1;
    for (; Fired && N < 2000; N++) {
        fs::remove_all(Target);
        fs::remove_all(Temp);
        fs::create_directories(Temp);
        Plant(Before, Target);
        ResetApplierState();
        State.PatchPath = Folder + "/p.pat";
        State.TargetPath = Target;
        PlatformFailAfter(N);
        std::string Text = Run();
        Fired = PlatformFailAfter(0) == 0;
        bool Completed = Text.empty();
        for (const auto& [Name, Content] : Read(Target)) {
            bool Whole = (Before.count(Name) && Before.at(Name) == Content) || (After.count(Name) && After.at(Name) == Content) ||
                         (Name.rfind("backup/", 0) == 0 && Before.count(Name.substr(7)) && Before.at(Name.substr(7)) == Content);
            EXPECT_TRUE(Whole) << "failure " << N << ": " << Name << " holds \"" << Content << "\"";
        }
        // The hook fires once: after an abort the cleanup's own deletions all work. A run that
        // went on past the failure may only have been refused the deletion of one temporary file.
        EXPECT_LE(ListFolder(Temp).size(), Completed ? 1u : 0u) << "failure " << N << ": " << Text;
        if (!Completed) {
            ASSERT_EQ(Run(), "") << "rerun after failure " << N;
            Tree Result = Read(Target);
            for (const auto& [Name, Content] : After)
                EXPECT_EQ(Result[Name], Content) << "rerun after failure " << N;
        }
    }
    EXPECT_FALSE(Fired);
    EXPECT_GT(N, 50); // a run takes many file operations; each of them was made to fail once
}

} // namespace
