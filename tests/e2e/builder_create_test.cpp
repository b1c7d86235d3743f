// tarnwel-build create from scratch releases: usage errors, the limits of the format, what the
// patch holds for each kind of file, determinism, and round trips through the real applier.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "tests/support/run_program.h"
#include "tests/support/scratch.h"

namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>; // "/"-separated relative name -> content

std::string Hex(uint32_t Value)
{
    char Text[16];
    std::snprintf(Text, sizeof Text, "0x%08X", (unsigned)Value);
    return Text;
}

std::vector<uint8_t> BytesOf(const std::string& Text)
{
    return std::vector<uint8_t>(Text.begin(), Text.end());
}

class BuilderCreate : public ::testing::Test {
public:
    std::string Folder;
    std::string Temp;
    std::string Out;

    void SetUp() override
    {
        Folder = MakeScratch("builder-create");
        Temp = Folder + "/tmp";
        Out = Folder + "/out.pat";
        fs::create_directories(Temp);
    }
    void TearDown() override
    {
        RemoveScratch(Folder);
    }

    std::string Plant(const std::string& Name, const Tree& Files)
    {
        std::string Root = Folder + "/" + Name;
        fs::create_directories(Root);
        for (const auto& [Path, Content] : Files)
            WriteBytes(Root + "/" + Path, BytesOf(Content));
        return Root;
    }

    Tree Read(const std::string& Root)
    {
        Tree Files;
        for (const auto& Entry : fs::recursive_directory_iterator(Root))
            if (Entry.is_regular_file()) {
                std::vector<uint8_t> Content = ReadBytes(Entry.path().string());
                Files[fs::relative(Entry.path(), Root).generic_string()] = std::string(Content.begin(), Content.end());
            }
        return Files;
    }

    // Runs the builder with its own temporary directory, which must be empty afterwards.
    ProgramResult Build(const std::vector<std::string>& Arguments,
                        std::vector<std::pair<std::string, std::string>> Environment = {})
    {
        if (Environment.empty())
            Environment.push_back({"TMPDIR", Temp});
        ProgramResult Result = RunProgram(TARNWEL_BUILD_BINARY, Arguments, "", Environment);
        if (fs::exists(Temp)) {
            EXPECT_TRUE(ListFolder(Temp).empty()) << "temporary files left behind";
        }
        return Result;
    }

    ProgramResult Create(std::vector<std::string> Arguments)
    {
        Arguments.insert(Arguments.begin(), {"create", "--quiet", "-o", Out});
        ProgramResult Result = Build(Arguments);
        EXPECT_EQ(Result.ExitCode, 0) << Result.Err;
        return Result;
    }

    std::string Listing()
    {
        ProgramResult Result = Build({"list", Out});
        EXPECT_EQ(Result.ExitCode, 0) << Result.Err;
        return Result.Out;
    }

    // Applies the patch to a copy of Release and returns the tree it leaves.
    Tree ApplyTo(const std::string& Release, const std::string& Patch, const std::string& Copy)
    {
        fs::copy(Release, Copy, fs::copy_options::recursive);
        ProgramResult Result = RunProgram(TARNWEL_BINARY, {Patch, Copy}, "", {{"TMPDIR", Temp}});
        EXPECT_EQ(Result.ExitCode, 0) << Result.Out << Result.Err;
        return Read(Copy);
    }
};

// The line of the listing that starts with Prefix, or "".
std::string LineOf(const std::string& Listing, const std::string& Prefix)
{
    for (const std::string& Line : SplitLines(Listing))
        if (Line.compare(0, Prefix.size(), Prefix) == 0)
            return Line;
    return "";
}

bool Has(const std::string& Text, const std::string& Part)
{
    return Text.find(Part) != std::string::npos;
}

void ExpectOneErrorLine(const ProgramResult& Result, int ExitCode, const std::string& Start, const std::string& Says)
{
    EXPECT_EQ(Result.ExitCode, ExitCode);
    std::vector<std::string> Lines = SplitLines(Result.Err);
    ASSERT_EQ(Lines.size(), 1u) << Result.Err;
    EXPECT_EQ(Lines[0].compare(0, Start.size(), Start), 0) << Lines[0];
    EXPECT_TRUE(Has(Lines[0], Says)) << Lines[0];
}

TEST_F(BuilderCreate, HelpDocumentsTheOptions)
{
    for (const std::vector<std::string>& Arguments : {std::vector<std::string>{"create", "--help"}, {"--help"}}) {
        ProgramResult Result = Build(Arguments);
        EXPECT_EQ(Result.ExitCode, 0);
        for (const char* Option : {"-o OUT", "--description TEXT", "--description-file FILE", "--backup-dir NAME",
                                   "--registry KEYPATH VALUENAME", "--optional GLOB", "--crc-window NAME:START:LENGTH",
                                   "--exe STUB", "--stored-size", "--jobs N", "--quiet", "Exit codes: 0 done, 1 usage error, 2 failure"})
            EXPECT_TRUE(Has(Result.Out, Option)) << Arguments.size() << " " << Option;
    }
}

struct UsageCase {
    const char* What;
    std::vector<std::string> Arguments; // R1, R2, NEW, F1, F2 and OUT stand for scratch paths
    const char* Says;
};

const UsageCase UsageCases[] = {
    {"nothing", {}, "name the output with -o OUT"},
    {"no output", {"R1", "NEW"}, "name the output with -o OUT"},
    {"output without a value", {"R1", "NEW", "-o"}, "-o needs a value"},
    {"no release", {"-o", "OUT"}, "name at least one old release and the new release"},
    {"one release", {"-o", "OUT", "NEW"}, "name at least one old release and the new release"},
    {"unknown option", {"-o", "OUT", "--fast", "R1", "NEW"}, "unknown option --fast"},
    {"missing release", {"-o", "OUT", "R1", "NOWHERE"}, "is neither a file nor a directory"},
    {"files and directories", {"-o", "OUT", "F1", "NEW"}, "must be all files or all directories"},
    {"output is an input", {"-o", "F2", "F1", "F2"}, "is an input or a directory"},
    {"output is a directory", {"-o", "R2", "R1", "NEW"}, "is an input or a directory"},
    {"jobs zero", {"-o", "OUT", "--jobs", "0", "R1", "NEW"}, "--jobs wants a count"},
    {"jobs not a number", {"-o", "OUT", "--jobs", "many", "R1", "NEW"}, "--jobs wants a count"},
    {"window without length", {"-o", "OUT", "--crc-window", "a.txt:5", "R1", "NEW"}, "--crc-window wants"},
    {"window negative start", {"-o", "OUT", "--crc-window", "a.txt:-1:4", "R1", "NEW"}, "--crc-window wants"},
    {"window empty", {"-o", "OUT", "--crc-window", "a.txt:0:0", "R1", "NEW"}, "--crc-window wants"},
    {"window without name", {"-o", "OUT", "--crc-window", ":0:4", "R1", "NEW"}, "--crc-window wants"},
    {"window twice", {"-o", "OUT", "--crc-window", "a.txt:0:4", "--crc-window", "a.txt:1:1", "R1", "NEW"}, "twice"},
    {"window on a missing file", {"-o", "OUT", "--crc-window", "b.txt:0:1", "R1", "NEW"}, "does not hold"},
    {"two descriptions", {"-o", "OUT", "--description", "x", "--description-file", "F1", "R1", "NEW"}, "one description"},
    {"unreadable description", {"-o", "OUT", "--description-file", "NOWHERE", "R1", "NEW"}, "cannot read the description"},
    {"stub missing", {"-o", "OUT", "--exe", "NOWHERE", "R1", "NEW"}, "which is not a file"},
    {"registry without value", {"-o", "OUT", "R1", "NEW", "--registry", "KEY"}, "--registry needs a key path and a value name"},
};

class BuilderCreateUsage : public BuilderCreate, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(BuilderCreateUsage, ExitsWithOneAndOneLine)
{
    std::map<std::string, std::string> Paths = {
        {"R1", Plant("r1", {{"a.txt", "one"}})}, {"R2", Plant("r2", {{"a.txt", "two"}})},
        {"NEW", Plant("new", {{"a.txt", "three"}})}, {"OUT", Out}, {"NOWHERE", Folder + "/nowhere"},
        {"F1", Folder + "/f1"}, {"F2", Folder + "/f2"}};
    WriteBytes(Paths["F1"], BytesOf("file one"));
    WriteBytes(Paths["F2"], BytesOf("file two"));
    std::vector<std::string> Arguments = {"create"};
    for (const std::string& Argument : GetParam().Arguments)
        Arguments.push_back(Paths.count(Argument) ? Paths[Argument] : Argument);
    ProgramResult Result = Build(Arguments);
    ExpectOneErrorLine(Result, 1, "tarnwel-build create: ", GetParam().Says);
    EXPECT_FALSE(fs::exists(Out));
    EXPECT_EQ(ReadBytes(Paths["F2"]), BytesOf("file two"));
}

INSTANTIATE_TEST_SUITE_P(Cases, BuilderCreateUsage, ::testing::ValuesIn(UsageCases));

struct LimitCase {
    const char* What;
    std::function<std::vector<std::string>(BuilderCreate&)> Setup; // plants releases, returns them and options
    const char* Says;
};

std::vector<std::string> Releases(BuilderCreate& Test, const Tree& Old, const Tree& New)
{
    return {Test.Plant("old", Old), Test.Plant("new", New)};
}

std::vector<std::string> WithNewFile(BuilderCreate& Test, const std::string& Name)
{
    return Releases(Test, {{"a.txt", "1"}}, {{"a.txt", "2"}, {Name, "x"}});
}

std::vector<std::string> Prefixed(std::vector<std::string> Options, std::vector<std::string> Rest)
{
    Options.insert(Options.end(), Rest.begin(), Rest.end());
    return Options;
}

const LimitCase LimitCases[] = {
    {"colon in a name", [](BuilderCreate& T) { return WithNewFile(T, "a:b.txt"); }, "holds \":\""},
    {"device name", [](BuilderCreate& T) { return WithNewFile(T, "sub/con.txt"); }, "is not accepted by the applier"},
    {"numbered device", [](BuilderCreate& T) { return WithNewFile(T, "LPT1"); }, "is not accepted by the applier"},
    {"trailing dot", [](BuilderCreate& T) { return WithNewFile(T, "ends."); }, "is not accepted by the applier"},
    {"trailing blank", [](BuilderCreate& T) { return WithNewFile(T, "ends "); }, "is not accepted by the applier"},
    {"forbidden character", [](BuilderCreate& T) { return WithNewFile(T, "a<b"); }, "is not accepted by the applier"},
    {"control character", [](BuilderCreate& T) { return WithNewFile(T, "tab\tname"); }, "is not accepted by the applier"},
    {"backslash in a name", [](BuilderCreate& T) { return WithNewFile(T, "a\\b"); }, "holds a backslash"},
    {"name of 256 bytes",
     [](BuilderCreate& T) { return WithNewFile(T, std::string(200, 'd') + "/" + std::string(55, 'f')); },
     "is longer than 255 bytes"},
    {"names differing in case", [](BuilderCreate& T) { return Releases(T, {{"a.txt", "1"}}, {{"a.txt", "2"}, {"A.TXT", "3"}}); },
     "differ only in case"},
    {"file in the backup folder", [](BuilderCreate& T) { return WithNewFile(T, "Backup/x.dll"); }, "lies in the backup directory"},
    {"file becomes folder", [](BuilderCreate& T) { return Releases(T, {{"x", "file"}}, {{"x/y", "now a folder"}}); },
     "is a file in"},
    {"folder becomes file", [](BuilderCreate& T) { return Releases(T, {{"x/y", "folder"}}, {{"x", "now a file"}}); },
     "is a directory in"},
    {"link to a folder",
     [](BuilderCreate& T) {
         std::vector<std::string> Paths = Releases(T, {{"a.txt", "1"}}, {{"a.txt", "2"}});
         fs::create_directory_symlink(T.Folder, Paths[1] + "/loop");
         return Paths;
     },
     "is a link to a directory"},
    {"file beyond 2 GiB",
     [](BuilderCreate& T) {
         std::vector<std::string> Paths = Releases(T, {{"big", "1"}}, {{"big", ""}});
         fs::resize_file(Paths[1] + "/big", (uintmax_t)1 << 31);
         return Paths;
     },
     "handles files up to 2147483647"},
    {"21 distinct old versions",
     [](BuilderCreate& T) {
         std::vector<std::string> Paths;
         for (int r = 0; r <= 21; r++)
             Paths.push_back(T.Plant("r" + std::to_string(r), {{"a.txt", "version " + std::to_string(r)}}));
         return Paths;
     },
     "has 21 distinct old versions; a patch carries at most 20"},
    {"window past the end",
     [](BuilderCreate& T) { return Prefixed({"--crc-window", "a.txt:2:10"}, Releases(T, {{"a.txt", "0123456789ab"}}, {{"a.txt", "0123456"}})); },
     "runs past the end of the new version"},
    {"hash percent in the description",
     [](BuilderCreate& T) { return Prefixed({"--description", "100#%"}, WithNewFile(T, "b.txt")); }, "\"#%\""},
    {"character outside Windows-1252",
     [](BuilderCreate& T) { return Prefixed({"--description", "snow \xE2\x98\x83"}, WithNewFile(T, "b.txt")); },
     "U+2603, which a patch description cannot carry"},
    {"description of 1001 bytes",
     [](BuilderCreate& T) { return Prefixed({"--description", std::string(1001, 'x')}, WithNewFile(T, "b.txt")); },
     "a patch shows at most 1000"},
    {"backup folder climbing out",
     [](BuilderCreate& T) { return Prefixed({"--backup-dir", "../bak"}, WithNewFile(T, "b.txt")); },
     "the backup directory name"},
    {"registry key of 256 bytes",
     [](BuilderCreate& T) { return Prefixed({"--registry", std::string(256, 'k'), "v"}, WithNewFile(T, "b.txt")); },
     "the registry key path is 256 bytes long"},
};

class BuilderCreateLimit : public BuilderCreate, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(BuilderCreateLimit, FailsBeforeWritingAnything)
{
    std::vector<std::string> Arguments = {"create", "-o", Out};
    for (const std::string& Argument : GetParam().Setup(*this))
        Arguments.push_back(Argument);
    ProgramResult Result = Build(Arguments);
    ExpectOneErrorLine(Result, 2, "tarnwel-build: error: ", GetParam().Says);
    EXPECT_FALSE(fs::exists(Out));
    EXPECT_FALSE(fs::exists(Out + ".tmp"));
}

INSTANTIATE_TEST_SUITE_P(Cases, BuilderCreateLimit, ::testing::ValuesIn(LimitCases));

// Twenty distinct old versions are the most a record carries.
TEST_F(BuilderCreate, TwentyOldVersionsFit)
{
    std::vector<std::string> Arguments;
    for (int r = 0; r <= 20; r++)
        Arguments.push_back(Plant("r" + std::to_string(r), {{"a.txt", "version " + std::to_string(r)}}));
    Create(Arguments);
    EXPECT_TRUE(Has(LineOf(Listing(), "Patched file \"a.txt\""), "20 variants"));
}

// The check of the written patch needs the temporary directory; when it cannot run, the
// build fails and leaves no output behind.
TEST_F(BuilderCreate, NothingIsLeftWhenTheCheckCannotRun)
{
    std::vector<std::string> Paths = Releases(*this, {{"a.txt", "one"}}, {{"a.txt", "two"}});
    ProgramResult Result = Build({"create", "-o", Out, Paths[0], Paths[1]}, {{"TMPDIR", Folder + "/missing"}});
    ExpectOneErrorLine(Result, 2, "tarnwel-build: error: ", "the written patch fails its check");
    EXPECT_FALSE(fs::exists(Out));
    EXPECT_FALSE(fs::exists(Out + ".tmp"));
}

// One release of each kind of history, and what the patch holds for it.
class BuilderCreateContents : public BuilderCreate {
protected:
    const std::string A = "first version of the file", B = "second version, a bit longer", C = "the new version";
    std::vector<std::string> Paths;

    void SetUp() override
    {
        BuilderCreate::SetUp();
        Paths = {Plant("r1", {{"same.txt", "same"}, {"chain.txt", A}, {"back.txt", A}, {"sub/deep.bin", A},
                              {"gone.txt", "x"}}),
                 Plant("r2", {{"same.txt", "same"}, {"chain.txt", B}, {"back.txt", C}, {"partial.txt", A},
                              {"opt.cfg", A}, {"sub/deep.bin", A}, {"gone.txt", "x"}}),
                 Plant("r3", {{"same.txt", "same"}, {"chain.txt", A}, {"back.txt", B}, {"partial.txt", A},
                              {"opt.cfg", A}, {"sub/deep.bin", B}}),
                 Plant("new", {{"same.txt", "same"}, {"chain.txt", C}, {"back.txt", C}, {"partial.txt", C},
                               {"opt.cfg", C}, {"added.txt", C}, {"sub/deep.bin", C}})};
        fs::create_directories(Paths[3] + "/empty");
    }

    std::string Variant(const std::string& Content)
    {
        return "OldSize " + std::to_string(Content.size()) + ", OldCrc " + Hex(StoredCrc(BytesOf(Content)));
    }
};

TEST_F(BuilderCreateContents, EachFileGetsWhatItsHistoryNeeds)
{
    Create(Prefixed({"--optional", "*.cfg"}, Paths));
    std::string Listed = Listing();
    std::vector<std::string> Lines = SplitLines(Listed);
    EXPECT_EQ(LineOf(Listed, "Patched file \"same.txt\""), "");
    EXPECT_EQ(LineOf(Listed, "Embedded file \"same.txt\""), "");
    // A, B, A again: one variant per distinct old version, in release order.
    std::string Chain = LineOf(Listed, "Patched file \"chain.txt\"");
    EXPECT_TRUE(Has(Chain, "NewSize " + std::to_string(C.size()) + ", NewCrc " + Hex(StoredCrc(BytesOf(C)))));
    EXPECT_TRUE(Has(Chain, "RecordFlags 0x00, 2 variants")) << Chain;
    EXPECT_TRUE(Has(LineOf(Listed, "  Variant 1 \"chain.txt\""), Variant(A)));
    EXPECT_TRUE(Has(LineOf(Listed, "  Variant 2 \"chain.txt\""), Variant(B)));
    // A release that already holds the new version needs no variant.
    EXPECT_TRUE(Has(LineOf(Listed, "Patched file \"back.txt\""), "2 variants"));
    EXPECT_TRUE(Has(LineOf(Listed, "Patched file \"sub\\deep.bin\""), "2 variants"));
    EXPECT_TRUE(Has(LineOf(Listed, "Embedded file \"added.txt\""), "size " + std::to_string(C.size())));
    EXPECT_TRUE(Has(LineOf(Listed, "Embedded file \"partial.txt\""), "size"));
    std::string Optional = LineOf(Listed, "Patched file \"opt.cfg\"");
    EXPECT_TRUE(Has(Optional, "RecordFlags 0x02 (optional)")) << Optional;
    EXPECT_TRUE(Has(Optional, "1 variant"));
    EXPECT_EQ(Lines.back(), "End of records: 4 patched, 2 embedded");
}

TEST_F(BuilderCreateContents, WarnsOncePerFileThePatchCannotCarry)
{
    ProgramResult Result = Build(Prefixed({"create", "-o", Out}, Paths));
    EXPECT_EQ(Result.ExitCode, 0) << Result.Err;
    EXPECT_EQ(SplitLines(Result.Err),
              (std::vector<std::string>{
                  "tarnwel-build: warning: \"gone.txt\" is not in the new release; a patch cannot remove it, so it stays",
                  "tarnwel-build: warning: the empty directory \"empty\" cannot be carried by a patch"}));
    EXPECT_TRUE(Has(Result.Out, "Wrote " + Out + ": 3 patched file(s) with 6 variant(s), 3 embedded, 1 unchanged"));
}

TEST_F(BuilderCreateContents, QuietSaysNothing)
{
    ProgramResult Result = Create(Prefixed({"--optional", "nothing-matches"}, Paths));
    EXPECT_EQ(Result.Err, "");
    EXPECT_EQ(Result.Out, "");
}

TEST_F(BuilderCreateContents, SameInputsGiveTheSameBytes)
{
    Create(Prefixed({"--jobs", "1", "--description", "Caf\xC3\xA9 2.0"}, Paths));
    std::vector<uint8_t> First = ReadBytes(Out);
    fs::remove(Out);
    Create(Prefixed({"--jobs", "3", "--description", "Caf\xC3\xA9 2.0"}, Paths));
    EXPECT_FALSE(First.empty());
    EXPECT_EQ(ReadBytes(Out), First);
}

TEST_F(BuilderCreateContents, EveryOldReleaseBecomesTheNewOne)
{
    Create(Prefixed({"--optional", "*.cfg", "--backup-dir", "old files"}, Paths));
    Tree New = Read(Paths[3]);
    for (size_t r = 0; r < 3; r++) {
        Tree Result = ApplyTo(Paths[r], Out, Folder + "/applied" + std::to_string(r));
        Result.erase("gone.txt");
        for (auto Entry = Result.begin(); Entry != Result.end();)
            Entry = Entry->first.compare(0, 10, "old files/") == 0 ? Result.erase(Entry) : std::next(Entry);
        Tree Expected = New;
        if (r == 0)
            Expected.erase("opt.cfg"); // optional, and release 1 never had it
        EXPECT_EQ(Result, Expected) << "release " << r + 1;
    }
}

TEST_F(BuilderCreate, DescriptionReadsBackThroughTheApplier)
{
    std::vector<std::string> Paths = Releases(*this, {{"a.txt", "1"}}, {{"a.txt", "2"}});
    WriteBytes(Folder + "/about.txt", BytesOf("\xEF\xBB\xBFStra\xC3\x9F" "e \xE2\x82\xAC 5\r\nzweite Zeile\n"));
    Create(Prefixed({"--description-file", Folder + "/about.txt"}, Paths));
    EXPECT_TRUE(Has(Listing(), "Description:\n  Stra\xC3\x9F" "e \xE2\x82\xAC 5\n  zweite Zeile\nBackup directory"));
}

// Gives the file a modification time in local time.
void SetLocalTime(const std::string& Path, int Year, int Month, int Day, int Hour, int Minute, int Second)
{
    std::tm Local{};
    Local.tm_year = Year - 1900;
    Local.tm_mon = Month - 1;
    Local.tm_mday = Day;
    Local.tm_hour = Hour;
    Local.tm_min = Minute;
    Local.tm_sec = Second;
    Local.tm_isdst = -1;
    using namespace std::chrono;
    auto Epochs = fs::file_time_type::clock::now().time_since_epoch() - system_clock::now().time_since_epoch();
    auto Since = seconds(std::mktime(&Local)) + round<seconds>(Epochs);
    fs::last_write_time(Path, fs::file_time_type(duration_cast<fs::file_time_type::duration>(Since)));
}

TEST_F(BuilderCreate, StoredTimesAreTheLocalModificationTimes)
{
    std::vector<std::string> Paths = Releases(*this, {{"a.txt", "one"}}, {{"a.txt", "two"}, {"b.txt", "bee"}});
    SetLocalTime(Paths[1] + "/a.txt", 2021, 6, 15, 10, 20, 31);
    SetLocalTime(Paths[1] + "/b.txt", 1999, 12, 31, 23, 59, 58);
    Create(Paths);
    std::string Listed = Listing();
    EXPECT_TRUE(Has(LineOf(Listed, "Patched file \"a.txt\""), "NewTime 2021-06-15 10:20:30")) << Listed;
    EXPECT_TRUE(Has(LineOf(Listed, "Embedded file \"b.txt\""), "time 1999-12-31 23:59:58")) << Listed;
}

// Seeded random releases: files added, changed, unchanged, changed back and in sub-folders.
TEST_F(BuilderCreate, RandomReleasesRoundTrip)
{
    for (unsigned Seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(Seed));
        std::mt19937 Random(Seed);
        auto Content = [&]() {
            std::string Text(Random() % 3000, ' ');
            for (char& C : Text)
                C = (char)(Random() % 7 == 0 ? Random() : 'a' + Random() % 4);
            return Text;
        };
        std::vector<Tree> Trees(4);
        for (int f = 0; f < 12; f++) {
            std::string Name = (f % 3 ? "" : "dir" + std::to_string(f % 2) + "/") + "file" + std::to_string(f);
            std::string Current = Content();
            for (Tree& Release : Trees) {
                int Change = (int)(Random() % 4);
                if (Change == 0)
                    Current = Content();
                if (Change != 1 || &Release == &Trees.back())
                    Release[Name] = Current;
            }
        }
        std::string Base = "seed" + std::to_string(Seed);
        std::vector<std::string> Paths;
        for (size_t r = 0; r < Trees.size(); r++)
            Paths.push_back(Plant(Base + "/r" + std::to_string(r), Trees[r]));
        Out = Folder + "/" + Base + "/p.pat";
        Create(Paths);
        for (size_t r = 0; r + 1 < Trees.size(); r++) {
            Tree Result = ApplyTo(Paths[r], Out, Folder + "/" + Base + "/applied" + std::to_string(r));
            for (auto Entry = Result.begin(); Entry != Result.end();)
                Entry = Entry->first.compare(0, 7, "backup/") == 0 ? Result.erase(Entry) : std::next(Entry);
            EXPECT_EQ(Result, Trees.back()) << "release " << r;
        }
    }
}

TEST_F(BuilderCreate, SingleFilePatchRoundTrips)
{
    WriteBytes(Folder + "/v1.bin", BytesOf("single file, version one"));
    WriteBytes(Folder + "/v2.bin", BytesOf("single file, version two!"));
    WriteBytes(Folder + "/v3.bin", BytesOf("single file, the version three"));
    Create({Folder + "/v1.bin", Folder + "/v2.bin", Folder + "/v3.bin"});
    std::string Listed = Listing();
    EXPECT_TRUE(Has(Listed, "Mode: 1 (single-file)"));
    EXPECT_TRUE(Has(LineOf(Listed, "Patched file: "), "2 variants"));
    for (const char* Old : {"v1.bin", "v2.bin"}) {
        fs::copy_file(Folder + "/" + Old, Folder + "/target.bin", fs::copy_options::overwrite_existing);
        ProgramResult Result = RunProgram(TARNWEL_BINARY, {Out, Folder + "/target.bin"}, "", {{"TMPDIR", Temp}});
        EXPECT_EQ(Result.ExitCode, 0) << Result.Out << Result.Err;
        EXPECT_EQ(ReadBytes(Folder + "/target.bin"), ReadBytes(Folder + "/v3.bin")) << Old;
    }
}

// Two programs of this project stand in for two builds of one product: the applier is release 1,
// the applier with scattered bytes changed (as moved addresses change them) release 2, and the
// builder, which shares much of its code, the new release. Real machine code exercises what
// made-up text does not: long runs that match with small differences inside.
TEST_F(BuilderCreate, RealExecutablesRoundTrip)
{
    std::vector<uint8_t> Applier = ReadBytes(TARNWEL_BINARY);
    std::vector<uint8_t> Changed = Applier;
    for (size_t At = Changed.size() / 3; At < 2 * Changed.size() / 3; At += 997)
        Changed[At] ^= 0x5A;
    std::vector<std::string> Paths = {Folder + "/release1", Folder + "/release2", Folder + "/release3"};
    WriteBytes(Paths[0], Applier);
    WriteBytes(Paths[1], Changed);
    fs::copy_file(TARNWEL_BUILD_BINARY, Paths[2]);
    std::vector<uint8_t> New = ReadBytes(Paths[2]);
    uint64_t Sizes[2] = {};
    for (int Stored = 0; Stored < 2; Stored++) {
        SCOPED_TRACE(Stored ? "--stored-size" : "default");
        fs::remove(Out);
        Create(Stored ? Prefixed({"--stored-size"}, Paths) : Paths);
        Sizes[Stored] = fs::file_size(Out);
        EXPECT_TRUE(Has(LineOf(Listing(), "Patched file: "), "2 variants"));
        for (size_t r = 0; r < 2; r++) {
            SCOPED_TRACE("release " + std::to_string(r + 1));
            std::string Target = Folder + "/installed" + std::to_string(r + 1) + (Stored ? "s" : "");
            fs::copy_file(Paths[r], Target);
            for (const char* Says : {"(ok)", "(ok, already updated)"}) {
                ProgramResult Result = RunProgram(TARNWEL_BINARY, {Out, Target}, "", {{"TMPDIR", Temp}});
                EXPECT_EQ(Result.ExitCode, 0) << Result.Out << Result.Err;
                EXPECT_TRUE(Has(Result.Out, std::string(": ") + Says + "\n")) << Result.Out;
                std::vector<uint8_t> Rebuilt = ReadBytes(Target);
                EXPECT_TRUE(Rebuilt == New) << "rebuilt " << Rebuilt.size() << " bytes, new " << New.size();
            }
        }
    }
    EXPECT_LE(Sizes[1], Sizes[0]); // made smallest as stored
}

// Bytes inside a checksum window differ per installation; the patch must accept every variant
// of them and rebuild the same file. Here the new version moves the old window's bytes out of
// the window, so a delta that copied them would carry one installation's bytes into checked ones.
TEST_F(BuilderCreate, WindowBytesMayDifferPerInstallation)
{
    std::string Old;
    for (int Line = 0; Line < 20; Line++)
        Old += "line " + std::to_string(Line) + " of the configuration\n";
    std::string New = "# moved down\n" + Old;
    std::vector<std::string> Paths = Releases(*this, {{"app.dat", Old}}, {{"app.dat", New}});
    Create(Prefixed({"--crc-window", "app.dat:40:8"}, Paths));
    std::string Installed = Old;
    Installed.replace(40, 8, "SERIAL-7");
    std::string Copy = Plant("installed", {{"app.dat", Installed}});
    ProgramResult Result = RunProgram(TARNWEL_BINARY, {Out, Copy}, "", {{"TMPDIR", Temp}});
    EXPECT_EQ(Result.ExitCode, 0) << Result.Out << Result.Err;
    std::vector<uint8_t> Rebuilt = ReadBytes(Copy + "/app.dat");
    ASSERT_EQ(Rebuilt.size(), New.size());
    EXPECT_EQ(std::string(Rebuilt.begin(), Rebuilt.begin() + 40), New.substr(0, 40));
    EXPECT_EQ(std::string(Rebuilt.begin() + 48, Rebuilt.end()), New.substr(48));
}

TEST_F(BuilderCreate, SelfApplyingProgramNeedsOnlyTheTarget)
{
    std::vector<std::string> Paths = Releases(*this, {{"a.txt", "one"}, {"b.txt", "bee"}}, {{"a.txt", "two"}, {"c.txt", "sea"}});
    Out = Folder + "/update";
    Create(Prefixed({"--exe", TARNWEL_BINARY}, Paths));
    Plant("installed", {{"a.txt", "one"}, {"b.txt", "bee"}});
    ProgramResult Result = RunProgram(Out, {Folder + "/installed"}, "", {{"TMPDIR", Temp}});
    EXPECT_EQ(Result.ExitCode, 0) << Result.Out << Result.Err;
    EXPECT_EQ(ReadBytes(Folder + "/installed/a.txt"), BytesOf("two"));
    EXPECT_EQ(ReadBytes(Folder + "/installed/c.txt"), BytesOf("sea"));
}

} // namespace
