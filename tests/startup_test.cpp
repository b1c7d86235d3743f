// The command line in both forms: the Win32 string with its quotes, and argv tokens.
#include <gtest/gtest.h>

#include "core/applier_state.h"
#include "shell/startup.h"

namespace {

struct LineCase {
    const char* Line;
    bool Embedded;
    bool Accepted;
    const char* PatchPath;
    const char* TargetPath;
};

const LineCase LineCases[] = {
    {"prog", false, false, "", "."},
    {"prog p.pat", false, true, "p.pat", "."},
    {"prog p.pat C:\\App", false, true, "p.pat", "C:\\App"},
    {"prog p.pat C:\\App extra", false, false, "p.pat", "C:\\App"},
    {"prog    p.pat     t  ", false, true, "p.pat", "t"},
    {"prog p.pat\tt", false, true, "p.pat\tt", "."}, // a tab does not separate
    {"prog \"my patch.pat\" \"C:\\Program Files\\App\"", false, true, "my patch.pat", "C:\\Program Files\\App"},
    {"prog p\"a b\"c", false, true, "pa bc", "."},
    {"prog \"unclosed p.pat", false, false, "", "."},
    {"prog p.pat \"unclosed target", false, true, "p.pat", "."},
    {"prog \"\" p.pat \"\" t", false, true, "p.pat", "t"},
    {"prog p.pat -h", false, false, "p.pat", "."},
    {"prog \"-h\" p.pat", false, false, "", "."},
    {"prog -H", false, true, "-H", "."},
    {"prog p.pat +h", false, true, "p.pat", "+h"},
    {"-h", false, false, "", "."},
    {"self.exe", true, true, "self.exe", "."},
    {"self.exe C:\\App", true, true, "self.exe", "C:\\App"},
    {"self.exe C:\\App more", true, false, "self.exe", "C:\\App"},
};

class CommandLine : public ::testing::TestWithParam<LineCase> {
protected:
    void SetUp() override { ResetApplierState(); }
};

TEST_P(CommandLine, TokensTakeTheirPositions)
{
    const LineCase& Case = GetParam();
    State.EmbeddedPatch = Case.Embedded;
    if (Case.Embedded)
        State.PatchPath = "self.exe";
    EXPECT_EQ(ParseCommandLine(SplitCommandLine(Case.Line)), Case.Accepted);
    EXPECT_EQ(State.PatchPath, Case.PatchPath);
    if (Case.Accepted) {
        EXPECT_EQ(State.TargetPath, Case.TargetPath);
        EXPECT_EQ(State.TargetBase, Case.TargetPath);
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, CommandLine, ::testing::ValuesIn(LineCases));

TEST(CommandLineSplit, QuotesAndBlanks)
{
    const struct {
        const char* Line;
        std::vector<std::string> Tokens;
    } Cases[] = {
        {"", {}},
        {"a  b", {"a", "b"}},
        {"\"a b\"", {"a b"}},
        {"a\"\"b", {"ab"}},
        {"\"\"", {}},
        {"a \"b", {"a"}},
    };
    for (const auto& Case : Cases)
        EXPECT_EQ(SplitCommandLine(Case.Line), Case.Tokens) << Case.Line;
}

// argv tokens: empty ones take no position, "-h" anywhere asks for the usage.
TEST(ArgumentTokens, FollowTheSameRules)
{
    const struct {
        std::vector<std::string> Tokens;
        bool Accepted;
        const char* PatchPath;
        const char* TargetPath;
    } Cases[] = {
        {{"tarnwel"}, false, "", "."},
        {{"tarnwel", "", "p.pat", "", "dir with blanks"}, true, "p.pat", "dir with blanks"},
        {{"tarnwel", "p.pat", "t", "-h"}, false, "p.pat", "t"},
        {{"tarnwel", "p.pat", "t", "x"}, false, "p.pat", "t"},
        {{"tarnwel", "\"quoted\""}, true, "\"quoted\"", "."},
    };
    for (const auto& Case : Cases) {
        ResetApplierState();
        EXPECT_EQ(ParseCommandLine(Case.Tokens), Case.Accepted);
        EXPECT_EQ(State.PatchPath, Case.PatchPath);
        EXPECT_EQ(State.TargetPath, Case.TargetPath);
    }
}

} // namespace
