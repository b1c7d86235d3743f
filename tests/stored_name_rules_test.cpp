// Which stored file names the builder lets through to the applier.
#include <gtest/gtest.h>

#include "tools/writer/stored_name_rules.h"

namespace {

struct NameCase {
    std::string Name;
    bool Accepted;
};

const NameCase NameCases[] = {
    {"a.dll", true},
    {"bin\\sub\\tool.exe", true},
    {"CONFIG.SYS", true},
    {"COM10", true},
    {"LPT0.txt", true},
    {"console", true},
    {".hidden", true},
    {"a..b", true},
    {std::string(255, 'n'), true},
    {std::string(256, 'n'), false},
    {"", false},
    {"\\abs.dll", false},
    {"C:\\x.dll", false},
    {"C:x.dll", false},
    {"..\\up.dll", false},
    {"a\\..\\b", false},
    {".\\a", false},
    {"a\\\\b", false},
    {"a\\", false},
    {"file.txt:stream", false},
    {"con", false},
    {"Aux.txt", false},
    {"sub\\nul.tar.gz", false},
    {"COM1", false},
    {"lpt9.log", false},
    {"ends.", false},
    {"ends ", false},
    {"dir.\\f", false},
    {"tab\tname", false},
    {std::string("nul\x7F", 4) + "ok", true},
    {"a<b", false},
    {"a>b", false},
    {"a\"b", false},
    {"a|b", false},
    {"a?b", false},
    {"a*b", false},
    {"a/b", false},
};

class StoredName : public testing::TestWithParam<NameCase> {};

TEST_P(StoredName, IsAcceptedOrRefusedWithAReason)
{
    std::string Reason;
    bool Accepted = CheckStoredName(GetParam().Name, Reason);
    EXPECT_EQ(Accepted, GetParam().Accepted) << GetParam().Name;
    EXPECT_EQ(Reason.empty(), Accepted) << Reason;
}

INSTANTIATE_TEST_SUITE_P(Cases, StoredName, testing::ValuesIn(NameCases));

} // namespace
