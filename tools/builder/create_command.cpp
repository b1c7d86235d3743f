// tarnwel-build create: from old releases and a new release to a verified patch file.
//
// Order of work: the command line, the head fields and every file are checked first; then the
// files are compared and their deltas built in parallel; the block is laid out, written to
// OUT.tmp, read back and rebuilt through the applier's own code, and only then renamed to OUT.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <thread>

#include "platform/terminal.h"
#include "tools/builder/builder_commands.h"
#include "tools/builder/builder_messages.h"
#include "tools/builder/create_build.h"
#include "tools/builder/create_collect.h"
#include "tools/builder/create_content.h"
#include "tools/builder/create_head.h"
#include "tools/builder/create_options.h"
#include "tools/builder/create_parallel.h"
#include "tools/builder/create_progress.h"
#include "tools/builder/create_verify.h"
#include "tools/writer/patch_writer.h"

namespace fs = std::filesystem;

namespace {

constexpr int ExitDone = 0;
constexpr int ExitUsage = 1;
constexpr int ExitFailure = 2;

struct CreateJob {
    CreateOptions Options;
    PatchSpec Spec;
    Collection Files;
    std::vector<BuiltFile> Built; // by plan index
    int Jobs = 1;
    bool ShowProgress = false;
};

// Runs Work on every listed plan in parallel under a progress bar; Work reports through the plan
// or its built file, and anything it throws becomes the item's error.
void ForEachPlan(CreateJob& Job, const std::string& Label, const std::vector<size_t>& Order,
                 void (*Work)(CreateJob&, size_t))
{
    ProgressBar Bar;
    StartProgress(Bar, Job.ShowProgress, Label, Order.size());
    RunInParallel(
        Order, Job.Jobs,
        [&](size_t i) {
            try {
                Work(Job, i);
            } catch (const std::exception& Failure) {
                Job.Files.Plans[i].Error = "\"" + Job.Files.Plans[i].Name + "\": " + Failure.what();
            }
        },
        [&]() { StepProgress(Bar); });
    EndProgress(Bar);
}

void PlanOne(CreateJob& Job, size_t i)
{
    PlanFile(Job.Files.Plans[i], !Job.Options.MultiFile);
}

void BuildOne(CreateJob& Job, size_t i)
{
    BuildVariants(Job.Files.Plans[i], Job.Built[i]);
    if (!Job.Built[i].Error.empty())
        Job.Files.Plans[i].Error = Job.Built[i].Error;
}

// The first error in name order, so that every run reports the same one.
bool FirstPlanError(const CreateJob& Job, std::string& Error)
{
    for (const FilePlan& Plan : Job.Files.Plans)
        if (!Plan.Error.empty()) {
            Error = Plan.Error;
            return true;
        }
    return false;
}

// Largest files first, so that one big file does not start last and keep a core busy alone.
std::vector<size_t> PatchedBySize(const CreateJob& Job)
{
    std::vector<size_t> Order;
    for (size_t i = 0; i < Job.Files.Plans.size(); i++)
        if (Job.Files.Plans[i].Action == FileAction::Patched)
            Order.push_back(i);
    std::stable_sort(Order.begin(), Order.end(), [&](size_t A, size_t B) {
        return Job.Files.Plans[A].NewSize > Job.Files.Plans[B].NewSize;
    });
    return Order;
}

bool PlanAndBuild(CreateJob& Job, std::string& Error)
{
    std::vector<size_t> All(Job.Files.Plans.size());
    for (size_t i = 0; i < All.size(); i++)
        All[i] = i;
    ForEachPlan(Job, "Comparing", All, PlanOne);
    if (FirstPlanError(Job, Error))
        return false;
    Job.Built.assign(Job.Files.Plans.size(), BuiltFile());
    ForEachPlan(Job, "Building", PatchedBySize(Job), BuildOne);
    return !FirstPlanError(Job, Error);
}

RecordSpec PatchedRecord(const FilePlan& Plan, BuiltFile& Built)
{
    RecordSpec Record;
    PatchedFileSpec& File = Record.Patched;
    File.Name = Plan.Name;
    File.NewCrc = Plan.NewCrc;
    File.NewSize = Plan.NewSize;
    File.NewTime = Plan.NewTime;
    File.HasWindows = Plan.HasWindow;
    File.Optional = Plan.Optional;
    File.Window = Plan.Window;
    File.Variants = std::move(Built.Variants);
    return Record;
}

bool EmbeddedRecord(const FilePlan& Plan, RecordSpec& Record, std::string& Error)
{
    Record.Kind = RecordKind::Embedded;
    Record.Embedded.Name = Plan.Name;
    Record.Embedded.Time = Plan.NewTime;
    if (!ReadWholeFile(Plan.NewPath, Record.Embedded.Content, Error))
        return false;
    if ((int64_t)Record.Embedded.Content.size() == Plan.NewSize)
        return true;
    Error = "\"" + Plan.NewPath.string() + "\" changed while the patch was built";
    return false;
}

// The records in name order, and the plans they came from for the verification.
bool AssembleRecords(CreateJob& Job, std::vector<const FilePlan*>& Records, std::string& Error)
{
    for (size_t i = 0; i < Job.Files.Plans.size(); i++) {
        const FilePlan& Plan = Job.Files.Plans[i];
        if (Plan.Action == FileAction::Unchanged)
            continue;
        RecordSpec Record;
        if (Plan.Action == FileAction::Patched)
            Record = PatchedRecord(Plan, Job.Built[i]);
        else if (!EmbeddedRecord(Plan, Record, Error))
            return false;
        Job.Spec.Records.push_back(std::move(Record));
        Records.push_back(&Plan);
    }
    return true;
}

void RemoveQuietly(const std::string& Path)
{
    std::error_code Ignored;
    fs::remove(Path, Ignored);
}

// Writes OUT.tmp, checks it through the applier, and renames it to OUT; on any failure nothing
// of the attempt stays behind.
bool WriteVerified(const CreateJob& Job, const std::vector<uint8_t>& Block, const std::vector<const FilePlan*>& Records,
                   std::string& Error)
{
    const std::string& Out = Job.Options.OutputPath;
    std::string Temporary = Out + ".tmp";
    bool Ok = Job.Options.StubPath.empty() ? WritePatchFile(Block, Temporary, Error)
                                           : AppendPatchToExecutable(Block, Job.Options.StubPath, Temporary, Error);
    std::error_code Failure;
    if (Ok && !Job.Options.StubPath.empty())
        fs::permissions(Temporary, fs::status(Job.Options.StubPath).permissions(), Failure);
    ProgressBar Bar;
    StartProgress(Bar, Ok && Job.ShowProgress, "Checking", Records.size());
    Ok = Ok && VerifyPatch(Temporary, Job.Options, Records, Bar, Error);
    EndProgress(Bar);
    if (Ok) {
        fs::rename(Temporary, Out, Failure);
        if (Failure)
            Error = "cannot rename \"" + Temporary + "\" to \"" + Out + "\": " + Failure.message();
        Ok = !Failure;
    }
    if (!Ok)
        RemoveQuietly(Temporary);
    return Ok;
}

void PrintSummary(const CreateJob& Job, size_t BlockSize)
{
    size_t Patched = 0, Variants = 0, Embedded = 0, Unchanged = 0;
    for (const FilePlan& Plan : Job.Files.Plans) {
        Patched += Plan.Action == FileAction::Patched;
        Variants += Plan.Action == FileAction::Patched ? Plan.Links.size() : 0;
        Embedded += Plan.Action == FileAction::Embedded;
        Unchanged += Plan.Action == FileAction::Unchanged;
    }
    std::printf("Wrote %s: %zu patched file(s) with %zu variant(s), %zu embedded, %zu unchanged; patch block of %zu "
                "bytes\n",
                Job.Options.OutputPath.c_str(), Patched, Variants, Embedded, Unchanged, BlockSize);
}

int UsageError(const std::string& Error)
{
    std::fprintf(stderr, "tarnwel-build create: %s (see tarnwel-build create --help)\n", Error.c_str());
    return ExitUsage;
}

int Fail(const std::string& Error)
{
    PrintError(Error);
    return ExitFailure;
}

int RunCreate(CreateJob& Job)
{
    std::string Error;
    if (!PrepareHead(Job.Options, Job.Spec, Error))
        return Fail(Error);
    int Collected = CollectFiles(Job.Options, Job.Files, Error);
    if (Collected != ExitDone)
        return Collected == ExitUsage ? UsageError(Error) : Fail(Error);
    for (const std::string& Warning : Job.Files.Warnings)
        if (!Job.Options.Quiet)
            PrintWarning(Warning);
    std::vector<const FilePlan*> Records;
    std::vector<uint8_t> Block;
    if (!PlanAndBuild(Job, Error) || !AssembleRecords(Job, Records, Error) || !SerialisePatch(Job.Spec, Block, Error))
        return Fail(Error);
    if (!WriteVerified(Job, Block, Records, Error))
        return Fail(Error);
    if (!Job.Options.Quiet)
        PrintSummary(Job, Block.size());
    return ExitDone;
}

} // namespace

int CreateCommand(int argc, char** argv)
{
    CreateJob Job;
    std::string Error;
    ParseOutcome Outcome = ParseCreateOptions(argc, argv, Job.Options, Error);
    if (Outcome == ParseOutcome::Help) {
        std::fputs(CreateHelp, stdout);
        return ExitDone;
    }
    if (Outcome == ParseOutcome::Usage)
        return UsageError(Error);
    unsigned Cores = std::thread::hardware_concurrency();
    Job.Jobs = Job.Options.Jobs > 0 ? Job.Options.Jobs : (int)(Cores > 0 ? Cores : 1);
    Job.ShowProgress = !Job.Options.Quiet && PlatformStderrIsTerminal();
    try {
        return RunCreate(Job);
    } catch (const std::exception& Failure) {
        return Fail(std::string("unexpected failure: ") + Failure.what());
    }
}
