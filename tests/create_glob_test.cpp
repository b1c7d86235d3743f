// Which stored names the patterns of --optional select.
#include <gtest/gtest.h>

#include "tools/builder/create_glob.h"

namespace {

struct GlobCase {
    const char* Pattern;
    const char* Name;
    bool Matches;
};

const GlobCase GlobCases[] = {
    {"*.cfg", "opt.cfg", true},
    {"*.cfg", "sub\\deep\\opt.cfg", true},   // no separator: the last part decides
    {"*.cfg", "opt.cfg.bak", false},
    {"opt.???", "opt.cfg", true},
    {"opt.???", "opt.cf", false},
    {"*", "any\\thing", true},
    {"sub/*.dll", "sub\\a.dll", true},
    {"sub\\*.dll", "sub\\a.dll", true},
    {"sub/*.dll", "sub\\deeper\\a.dll", false}, // "*" stops at a separator
    {"sub/*.dll", "other\\sub\\a.dll", false},  // with a separator the whole name counts
    {"*/a.dll", "x\\a.dll", true},
    {"*/a.dll", "x\\y\\a.dll", false},
    {"*/*/a.dll", "x\\y\\a.dll", true},
    {"s?b/a", "sub\\a", true},
    {"su?/a", "su\\\\a", false},
    {"a*b*c", "aXXbYYc", true},
    {"a*b*c", "aXXbYY", false},
    {"", "", true},
    {"", "a", false},
    {"***", "abc", true},
};

class Glob : public testing::TestWithParam<GlobCase> {};

TEST_P(Glob, SelectsTheNamesItShould)
{
    EXPECT_EQ(GlobMatches(GetParam().Pattern, GetParam().Name), GetParam().Matches)
        << GetParam().Pattern << " on " << GetParam().Name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Glob, testing::ValuesIn(GlobCases));

} // namespace
