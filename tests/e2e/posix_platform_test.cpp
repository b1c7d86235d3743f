// Checks what only the POSIX platform layer does: the registry stand-in, the temporary directory
// taken from TMPDIR, the empty command line and time stamps against the C library's local time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "tests/support/scratch.h"

namespace {

// Sets or removes an environment variable for one test and puts the old value back afterwards.
class EnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string Label = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& C : Label)
            if (C == '/')
                C = '-';
        Dir = MakeScratch("posix-platform-" + Label) + "/";
    }

    void TearDown() override
    {
        // Newest first, so a variable set twice ends with the value it had before the test.
        for (auto Variable = SavedVariables.rbegin(); Variable != SavedVariables.rend(); ++Variable)
            Put(Variable->Name.c_str(), Variable->HadValue ? Variable->Value.c_str() : nullptr);
        RemoveScratch(Dir);
    }

    void SetVariable(const char* Name, const char* Value)
    {
        const char* Old = std::getenv(Name);
        SavedVariables.push_back({Name, Old != nullptr, Old != nullptr ? Old : ""});
        Put(Name, Value);
    }

    static void Put(const char* Name, const char* Value) // nullptr removes the variable
    {
        if (Value != nullptr)
            setenv(Name, Value, 1);
        else
            unsetenv(Name);
    }

    struct Saved {
        std::string Name;
        bool HadValue;
        std::string Value;
    };
    std::vector<Saved> SavedVariables;
    std::string Dir;
};

const char RegistryTable[] = "Software\\Acme\\App\tInstallDir\tC:\\Acme\\App\r\n"
                             "Software\\Acme\\App\t\tD:\\Default\n"
                             "Software\\Acme\\Tabs\tValue\tone\ttwo\n"
                             "a line without its tabs\n"
                             "Software\\Acme\\Short\tValue\t12345\n"
                             "Software\\Acme\\App\tInstallDir\tnot the first match\n";

enum class TableFile { Written, Missing, NoVariable };

struct RegistryCase {
    const char* Name;
    TableFile Table;
    const char* KeyPath;
    const char* ValueName;
    int32_t Size;
    const char* Expected; // nullptr: the read fails
};

const RegistryCase RegistryCases[] = {
    {"ExactNames", TableFile::Written, "Software\\Acme\\App", "InstallDir", 1001, "C:\\Acme\\App"},
    {"KeyIgnoresCase", TableFile::Written, "SOFTWARE\\acme\\aPP", "InstallDir", 1001, "C:\\Acme\\App"},
    {"ValueNameIgnoresCase", TableFile::Written, "Software\\Acme\\App", "INSTALLDIR", 1001, "C:\\Acme\\App"},
    {"EmptyNameIsTheDefaultValue", TableFile::Written, "Software\\Acme\\App", "", 1001, "D:\\Default"},
    {"DataKeepsItsTabs", TableFile::Written, "Software\\Acme\\Tabs", "Value", 1001, "one\ttwo"},
    {"DataAndZeroFitExactly", TableFile::Written, "Software\\Acme\\Short", "Value", 6, "12345"},
    {"DataTooLong", TableFile::Written, "Software\\Acme\\Short", "Value", 5, nullptr},
    {"MissingValue", TableFile::Written, "Software\\Acme\\App", "Other", 1001, nullptr},
    {"MissingKey", TableFile::Written, "Software\\Acme\\None", "InstallDir", 1001, nullptr},
    {"KeyIsNoPrefix", TableFile::Written, "Software\\Acme", "InstallDir", 1001, nullptr},
    {"MissingFile", TableFile::Missing, "Software\\Acme\\App", "InstallDir", 1001, nullptr},
    {"NoVariable", TableFile::NoVariable, "Software\\Acme\\App", "InstallDir", 1001, nullptr},
};

class RegistryTest : public EnvironmentTest, public ::testing::WithParamInterface<RegistryCase> {
};

TEST_P(RegistryTest, ReadsTheStandInTable)
{
    const RegistryCase& Case = GetParam();
    std::string TablePath = Dir + "registry.txt";
    if (Case.Table == TableFile::Written)
        std::ofstream(TablePath, std::ios::binary) << RegistryTable;
    SetVariable("TARNWEL_REGISTRY", Case.Table == TableFile::NoVariable ? nullptr : TablePath.c_str());

    uint8_t Buffer[1001];
    std::memset(Buffer, 0xEE, sizeof Buffer);
    int32_t Length = -1;
    bool Found = PlatformReadRegistry(Case.KeyPath, Case.ValueName, Buffer, Case.Size, Length);
    ASSERT_EQ(Found, Case.Expected != nullptr);
    if (!Found)
        return;
    EXPECT_EQ(Length, static_cast<int32_t>(std::strlen(Case.Expected) + 1));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Buffer), static_cast<size_t>(Length)),
              std::string(Case.Expected, static_cast<size_t>(Length)));
    EXPECT_EQ(Buffer[Length], 0xEE); // nothing written behind the value
}

INSTANTIATE_TEST_SUITE_P(Cases, RegistryTest, ::testing::ValuesIn(RegistryCases),
                         [](const ::testing::TestParamInfo<RegistryCase>& Info) { return Info.param.Name; });

TEST_F(EnvironmentTest, TempPathFollowsTmpdirWithOneTrailingSlash)
{
    struct Case {
        const char* Tmpdir; // nullptr: unset
        const char* Expected;
    };
    for (const Case& C : {Case{"/var/scratch", "/var/scratch/"}, Case{"/var/scratch/", "/var/scratch/"},
                          Case{"", "/tmp/"}, Case{nullptr, "/tmp/"}}) {
        SCOPED_TRACE(C.Tmpdir != nullptr ? C.Tmpdir : "(unset)");
        SetVariable("TMPDIR", C.Tmpdir);
        EXPECT_EQ(PlatformTempPath(), C.Expected);
    }
}

TEST(PosixProcessTest, CommandLineIsLeftToMainAndOwnPathIsResolved)
{
    EXPECT_EQ(PlatformCommandLine(), "");
    std::string Own = PlatformOwnPath();
    ASSERT_FALSE(Own.empty());
    EXPECT_EQ(Own.front(), '/');
    EXPECT_EQ(std::filesystem::path(Own).filename(), "tarnwel_e2e_tests");
}

// Seconds since the epoch of a file's last-write time.
double WriteTimeOf(const std::string& Path)
{
    using namespace std::chrono;
    auto Written = std::filesystem::last_write_time(std::filesystem::path(Path));
    auto Age = duration_cast<system_clock::duration>(std::filesystem::file_time_type::clock::now() - Written);
    return duration<double>((system_clock::now() - Age).time_since_epoch()).count();
}

TEST_F(EnvironmentTest, DosTimesAreTheLocalTimesTheyName)
{
    struct Case {
        uint32_t DosTime;
        int Year, Month, Day, Hour, Minute, Second;
    };
    const Case Cases[] = {
        {0x00210000, 1980, 1, 1, 0, 0, 0},      {0x2A210000, 2001, 1, 1, 0, 0, 0},
        {0x46EF43C0, 2015, 7, 15, 8, 30, 0},    {0x585D645C, 2024, 2, 29, 12, 34, 56},
        {0xFF9FBF7D, 2107, 12, 31, 23, 59, 58},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.DosTime);
        FileObject File;
        ASSERT_TRUE(PlatformCreate(File, Dir + "stamped"));
        PlatformSetWriteTime(File, C.DosTime);
        PlatformClose(File);
        std::tm Local = {};
        Local.tm_year = C.Year - 1900;
        Local.tm_mon = C.Month - 1;
        Local.tm_mday = C.Day;
        Local.tm_hour = C.Hour;
        Local.tm_min = C.Minute;
        Local.tm_sec = C.Second;
        Local.tm_isdst = -1;
        EXPECT_NEAR(WriteTimeOf(Dir + "stamped"), static_cast<double>(std::mktime(&Local)), 0.01);
    }
}

} // namespace
