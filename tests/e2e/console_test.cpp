// The console applier as a user meets it: its streams, its questions and its exit codes.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/delta_fixtures.h"
#include "tests/support/run_program.h"
#include "tests/support/scratch.h"

namespace {

namespace fs = std::filesystem;

const std::string Old = "the old content\n";
const std::string New = "the new content, a bit longer\n";

class Console : public ::testing::Test {
protected:
    std::string Folder;
    std::string Temp;
    std::string Patch;
    std::string Target;

    void SetUp() override
    {
        Folder = MakeScratch("console");
        Temp = Folder + "/tmp";
        Patch = Folder + "/update.pat";
        Target = Folder + "/app";
        fs::create_directories(Temp);
        WriteBytes(Target + "/a.txt", Bytes(Old));
    }
    void TearDown() override { RemoveScratch(Folder); }

    ProgramResult Tarnwel(const std::vector<std::string>& Arguments, const std::string& Input = "")
    {
        return RunProgram(TARNWEL_BINARY, Arguments, Input, {{"TMPDIR", Temp}});
    }

    PatchSpec Spec()
    {
        PatchSpec S;
        S.BackupDirName = "backup";
        S.Description = Bytes("Update to 2.0 \x82t\x82");
        S.Records = {ChainRecord("a.txt", {Bytes(Old), Bytes(New)})};
        return S;
    }
};

TEST_F(Console, UsageGoesToStderrWithExitCodeOne)
{
    WritePatch(Spec(), Patch);
    for (const std::vector<std::string>& Arguments :
         std::vector<std::vector<std::string>>{{}, {"-h"}, {Patch, Target, "third"}, {Patch, "-h"}, {"", ""}}) {
        ProgramResult R = Tarnwel(Arguments);
        EXPECT_EQ(R.ExitCode, 1);
        EXPECT_EQ(R.Out, "");
        EXPECT_EQ(R.Err, "Commandline usage:\nUsage: Patchname [old] \n\nold: path to older data\n\n");
    }
}

TEST_F(Console, BadPatchesExitWith255)
{
    ProgramResult Missing = Tarnwel({Patch, Target});
    EXPECT_EQ(Missing.ExitCode, 255);
    EXPECT_EQ(Missing.Out, "");
    EXPECT_EQ(Missing.Err, "Patch Error:\n\nError, cannot open patchfile \"" + Patch + "\" for reading! \n");

    WriteBytes(Patch, Bytes("this is no patch at all"));
    ProgramResult Damaged = Tarnwel({Patch, Target});
    EXPECT_EQ(Damaged.ExitCode, 255);
    EXPECT_EQ(Damaged.Err, "Patch Error:\n\nError, \"" + Patch + "\" unreadable or not a patchfile. \n");
    EXPECT_TRUE(ListFolder(Temp).empty());
}

TEST_F(Console, SuccessfulRunPrintsFinalLinesOnly)
{
    WritePatch(Spec(), Patch);
    ProgramResult R = Tarnwel({Patch, Target});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(R.Out, "檢查是否這升級程式能夠套用到 \"" + Target +
                         "\" ...\n\nTests Ok. Now applying the patch.\n\nPatching file \"a.txt\": (ok)\n\nOk, patch "
                         "applied successfully.\n");
    // The description is shown in the character set the window uses, as UTF-8.
    EXPECT_NE(R.Err.find("Update to 2.0 été"), std::string::npos) << R.Err;
    EXPECT_EQ(ReadBytes(Target + "/a.txt"), Bytes(New));
    EXPECT_EQ(ReadBytes(Target + "/backup/a.txt"), Bytes(Old));
    EXPECT_TRUE(ListFolder(Temp).empty());
}

TEST_F(Console, SearchAsksOnStderrAndReadsTheAnswer)
{
    WritePatch(Spec(), Patch);
    fs::rename(Target + "/a.txt", Folder + "/a.txt");
    WriteBytes(Target + "/found/a.txt", Bytes(Old));
    for (const char* Answer : {"n\n", "", "maybe\n"}) {
        ProgramResult No = Tarnwel({Patch, Target}, Answer);
        EXPECT_EQ(No.ExitCode, 2);
        EXPECT_NE(No.Err.find("找到升級程式目標:\n這升級程式能被套用到 \"" + Target + "\\found\". 你要套用升級程式嗎?"),
                  std::string::npos)
            << No.Err;
        EXPECT_NE(No.Out.find("這升級程式無法套用或你已拒絕作升級的要求."), std::string::npos) << No.Out;
        EXPECT_NE(No.Err.find("錯誤 :"), std::string::npos) << No.Err;
        EXPECT_EQ(ReadBytes(Target + "/found/a.txt"), Bytes(Old));
    }
    ProgramResult Yes = Tarnwel({Patch, Target}, "YES\n");
    EXPECT_EQ(Yes.ExitCode, 0) << Yes.Err;
    EXPECT_EQ(ReadBytes(Target + "/found/a.txt"), Bytes(New));
    EXPECT_TRUE(ListFolder(Temp).empty());
}

TEST_F(Console, SelfApplyingExecutableTakesOnlyATarget)
{
    std::vector<uint8_t> Block;
    std::string Error;
    ASSERT_TRUE(SerialisePatch(Spec(), Block, Error)) << Error;
    std::string Exe = Folder + "/update";
    ASSERT_TRUE(AppendPatchToExecutable(Block, TARNWEL_BINARY, Exe, Error)) << Error;
    fs::permissions(Exe, fs::perms::owner_all);
    ProgramResult TooMany = RunProgram(Exe, {Patch, Target}, "", {{"TMPDIR", Temp}});
    EXPECT_EQ(TooMany.ExitCode, 1);
    ProgramResult R = RunProgram(Exe, {Target}, "", {{"TMPDIR", Temp}});
    EXPECT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_EQ(ReadBytes(Target + "/a.txt"), Bytes(New));
}

TEST_F(Console, AbortedRunExitsWithTwo)
{
    PatchSpec S = Spec();
    S.Records[0].Patched.Variants[0].Streams[2].clear(); // sign bits missing: a damaged delta
    WritePatch(S, Patch);
    ProgramResult R = Tarnwel({Patch, Target});
    EXPECT_EQ(R.ExitCode, 2);
    EXPECT_NE(R.Out.find("\n錯誤, 升級程式已毀損!\n"), std::string::npos) << R.Out;
    EXPECT_NE(R.Err.find("錯誤 :\n錯誤, 升級程式已毀損! \n"), std::string::npos) << R.Err;
    EXPECT_EQ(ReadBytes(Target + "/a.txt"), Bytes(Old));
    EXPECT_TRUE(ListFolder(Temp).empty());
}

} // namespace
