// The catalogue's exact texts, placeholder expansion, line assembly and decimal conversion.
#include <gtest/gtest.h>

#include "core/applier_state.h"
#include "shell/fixed_texts.h"
#include "shell/message_catalogue.h"
#include "tests/support/recording_window.h"

namespace {

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetApplierState();
        ResetRecorder();
    }
};

// Windows builds carry the Chinese texts as code page 950 bytes, POSIX builds as UTF-8. The
// build says which, so texts of the wrong character set fail instead of choosing the branch.
constexpr bool TextsAreBig5 = TARNWEL_TEXTS_BIG5;

TEST_F(Catalogue, EnglishEntriesAreExact)
{
    State.PatchPath = "p.exe";
    State.CurrentFileName = "bin\\a.dll";
    State.TargetPath = "C:\\App";
    const struct {
        int N;
        const char* Text;
    } Cases[] = {
        {1, "Error, writing patched file failed!"},
        {2, "Error, reading source file failed!"},
        {3, "Error, reading patchfile failed!"},
        {5, "Error, opening \"C:\\App\" for patching failed,\r\nthis file probably does not exist!"},
        {7, "Error, buffering patchdata in temp files failed!"},
        {8, "Error, writing file \"bin\\a.dll\" failed!"},
        {9, "Error, opening temp file failed!"},
        {10, "\r\nError, access denied for replacing this file with temporary created update.\r\nProbably you "
             "are trying to overwrite a file currently in use. Please close all\r\nprograms or reboot to ensure "
             "it's not in use. Then apply the patch again!"},
        {11, "Error, internal file checksum mismatch, please contact Quorbile author!"},
        {12, "\r\nError, \"p.exe\" unreadable or not a patchfile."},
        {13, "\r\nError, cannot open patchfile \"p.exe\" for reading!"},
        {14, "\r\nError, \"p.exe\" is no patchfile."},
        {15, "\r\nError, this version of Tarnwel can't apply this patch!\r\nFind matching version at "
             "https://tarnwel.org/quorbile/tarnwC:\\App.htm"},
        {17, "Error, patch is not applicable to \"C:\\App\"."},
        {18, "Checking patchinfo for file \"bin\\a.dll\": "},
        {19, "Skipping embedded file \"bin\\a.dll\"."},
        {20, "Writing embedded file \"bin\\a.dll\"."},
        {21, "Patching file \"bin\\a.dll\": "},
        {24, "\r\nTests Ok. Now applying the patch.\r\n\r\n"},
        {26, "\r\nOk, patch applied successfully."},
        {29, "Usage: Patchname [old] \r\n\r\nold: path to older data\r\n"},
        {31, "\r\nError, access denied for moving this file to backup dir. Probably you\r\nare trying to "
             "overwrite a file currently in use. Please close all programs\r\nor reboot to make sure its not "
             "in use. Then apply the patch again!"},
        {34, "\x01(no matching source)\r\nWarning, cannot create new file, but patched software will work "
             "without it.\r\n"},
        {35, "\x01(no matching source)\r\nError, cannot create new file, but patched software won't work "
             "without it.\r\n"},
        {36, "\x01(ok, already updated)"},
        {37, "\x01(ok)"},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(FormatCatalogueMessage(Case.N), Case.Text) << "message " << Case.N;
}

TEST_F(Catalogue, ChineseEntriesAreExact)
{
    State.TargetPath = "D:\\X";
    if (TextsAreBig5) {
        EXPECT_EQ(FormatCatalogueMessage(0), "\xBF\xF9\xBB\x7E, \xA4\xC9\xAF\xC5\xB5\x7B\xA6\xA1\xA4\x77\xB7\xB4\xB7\x6C!");
        EXPECT_STREQ(CurrentFolderText, "  \xA5\xD8\xAB\x65\xAA\xBA\xB8\xEA\xAE\xC6\xA7\xA8   ");
        return;
    }
    EXPECT_EQ(FormatCatalogueMessage(0), "錯誤, 升級程式已毀損!");
    EXPECT_EQ(FormatCatalogueMessage(16), "\r\n這升級程式無法套用或你已拒絕作升級的要求. 請使用 \"瀏覽\" 按鈕來選擇\r\n"
                                          "目標軟體處, 然後再按 \"套用\" 按鈕.");
    EXPECT_EQ(FormatCatalogueMessage(28), "這升級程式能被套用到 \"D:\\X\". 你要套用升級程式嗎?");
    EXPECT_EQ(FormatCatalogueMessage(33), "檢查是否這升級程式能夠套用到 \"D:\\X\" ...\r\n");
    EXPECT_STREQ(CurrentFolderText, "  目前的資料夾   ");
    EXPECT_STREQ(SearchCaption, "找到升級程式目標");
    EXPECT_STREQ(RunErrorCaption, "錯誤 ");
}

TEST_F(Catalogue, PlaceholderExpansion)
{
    State.PatchPath = "a%sb";
    const struct {
        const char* TargetPath;
        const char* FileName;
        const char* Template;
        std::string Expected;
    } Cases[] = {
        {"", "", "50%", "50%"},
        {"", "", "%%n", "%\r\n"},
        {"", "", "%x%N", "%x%N"},
        {"T", "", "[%s]", "[T]"},
        {".", "", "[%s]", std::string("[") + CurrentFolderText + "]"},
        {".\\", "", "[%s]", std::string("[") + CurrentFolderText + "]"},
        {".\\sub\\x", "", "[%s]", "[sub\\x]"},
        {"", ".\\", "[%m]", std::string("[") + CurrentFolderText + "]"},
        {"", ".\\bin\\f", "[%m]", "[bin\\f]"},
        {"", "", "[%m]", "[]"},
        {"", "", "%p", "a%sb"}, // a value is not scanned again
        {"..", "", "%s", ".."},
    };
    for (const auto& Case : Cases) {
        State.TargetPath = Case.TargetPath;
        State.CurrentFileName = Case.FileName;
        EXPECT_EQ(ExpandPlaceholders(Case.Template), Case.Expected) << Case.Template;
    }
}

TEST_F(Catalogue, IntToDecimal)
{
    const struct {
        int32_t Value;
        const char* Text;
    } Cases[] = {{0, "0"}, {7, "7"}, {190, "190"}, {-1, "-1"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
    for (const auto& Case : Cases)
        EXPECT_EQ(IntToDecimal(Case.Value), Case.Text);
}

TEST_F(Catalogue, EmitTextAssemblesLines)
{
    EmitText("A\r\n\r\nB");
    EXPECT_EQ(Recorder.Lines, (std::vector<std::string>{"A", "", "B"}));
    EXPECT_EQ(State.LastLine, "B");
    EXPECT_EQ(Recorder.Pumps, 1);
}

TEST_F(Catalogue, EmptyTextAddsNoLineButPumps)
{
    EmitText("");
    EXPECT_TRUE(Recorder.Lines.empty());
    EXPECT_EQ(Recorder.Pumps, 1);
}

TEST_F(Catalogue, ReopenMarkerCompletesTheOpenLine)
{
    State.CurrentFileName = "f.dll";
    EmitText("first\r\n");
    EmitMessage(21);
    EmitMessage(37);
    EXPECT_EQ(Recorder.Lines, (std::vector<std::string>{"first", "Patching file \"f.dll\": (ok)"}));
}

TEST_F(Catalogue, ErrorResultAddsItsOwnLine)
{
    State.CurrentFileName = "f.dll";
    EmitMessage(18);
    EmitMessage(35);
    EXPECT_EQ(Recorder.Lines,
              (std::vector<std::string>{"Checking patchinfo for file \"f.dll\": (no matching source)",
                                        "Error, cannot create new file, but patched software won't work without it."}));
}

TEST_F(Catalogue, ReopenMarkerTakesBackAClosedLine)
{
    EmitText("done\r\n");
    EmitText("\x01 again");
    EXPECT_EQ(Recorder.Lines, (std::vector<std::string>{"done again"}));
}

TEST_F(Catalogue, RunErrorGoesToListAndBox)
{
    ShowRunError("\r\nbad");
    EXPECT_EQ(Recorder.Lines, (std::vector<std::string>{"", "bad"}));
    ASSERT_EQ(Recorder.Boxes.size(), 1u);
    EXPECT_EQ(Recorder.Boxes[0].Text, "\r\nbad ");
    EXPECT_STREQ(Recorder.Boxes[0].Caption.c_str(), RunErrorCaption);
}

TEST_F(Catalogue, QuestionFormatsItsMessage)
{
    State.TargetPath = "x";
    Recorder.Answers = {true};
    EXPECT_TRUE(AskYesNo(28, SearchCaption));
    EXPECT_FALSE(AskYesNo(28, SearchCaption));
    ASSERT_EQ(Recorder.Boxes.size(), 2u);
    EXPECT_EQ(Recorder.Boxes[0].Text, FormatCatalogueMessage(28));
}

} // namespace
