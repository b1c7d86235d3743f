// Walks the releases and turns them into one plan per new file, refusing before any work starts
// what the patch format or the applier could not take.
#include "tools/builder/create_collect.h"

#include <climits>
#include <set>

#include "container/name_rules.h"
#include "tools/builder/create_file_time.h"
#include "tools/builder/create_glob.h"
#include "tools/builder/create_tree.h"

namespace fs = std::filesystem;

namespace {

constexpr int Collected = 0;
constexpr int UsageFault = 1;
constexpr int InputFault = 2;

std::string Upper(std::string Text)
{
    for (char& C : Text)
        if (C >= 'a' && C <= 'z')
            C = (char)(C - 'a' + 'A');
    return Text;
}

// The applier refuses such a name when it reads the record; say why before it gets that far.
bool CheckStoredName(const std::string& Name, std::string& Error)
{
    std::string Reason;
    if (Name.size() > MaxStoredStringLength)
        Reason = "is longer than 255 bytes";
    else if (Name.empty() || Name[0] == '\\')
        Reason = "is absolute";
    else if (Name.find(':') != std::string::npos)
        Reason = "holds \":\" (a drive or a stream)";
    else if (("\\" + Name + "\\").find("\\..\\") != std::string::npos)
        Reason = "climbs out of the target with \"..\"";
    else if (!IsAcceptableName(Name))
        Reason = "is not accepted by the applier (a device name such as CON or LPT1, a part ending in a dot or "
                 "a blank, or a control character or one of <>\"|?*)";
    if (Reason.empty())
        return true;
    Error = "the file name \"" + Name + "\" " + Reason;
    return false;
}

bool FitsSize(const fs::path& Path, uintmax_t Size, std::string& Error)
{
    if (Size <= (uintmax_t)INT32_MAX)
        return true;
    Error = "\"" + Path.string() + "\" is " + std::to_string(Size) + " bytes; a patch handles files up to 2147483647";
    return false;
}

// Names of the new release must differ in more than case, and stay out of the backup folder.
bool CheckNameClashes(const ReleaseTree& New, const std::string& BackupDirName, std::string& Error)
{
    std::set<std::string> Seen;
    std::string BackupPrefix = Upper(BackupDirName) + "\\";
    for (const ReleaseFile& File : New.Files) {
        std::string Key = Upper(File.Name);
        if (!Seen.insert(Key).second) {
            Error = "the new release holds two names that differ only in case, one is \"" + File.Name + "\"";
            return false;
        }
        if (Key.compare(0, BackupPrefix.size(), BackupPrefix) == 0 || Key + "\\" == BackupPrefix) {
            Error = "\"" + File.Name + "\" lies in the backup directory \"" + BackupDirName + "\"";
            return false;
        }
    }
    return true;
}

std::set<std::string> DirectoriesOf(const ReleaseTree& Tree)
{
    std::set<std::string> Directories(Tree.EmptyDirectories.begin(), Tree.EmptyDirectories.end());
    for (const ReleaseFile& File : Tree.Files)
        for (size_t Cut = File.Name.find('\\'); Cut != std::string::npos; Cut = File.Name.find('\\', Cut + 1))
            Directories.insert(File.Name.substr(0, Cut));
    return Directories;
}

// A patch can neither turn a file into a folder nor a folder into a file.
bool CheckKindsAgree(const ReleaseFile& File, const ReleaseTree& Old, const std::set<std::string>& OldDirectories,
                     std::string& Error)
{
    if (OldDirectories.count(File.Name)) {
        Error = "\"" + File.Name + "\" is a directory in \"" + Old.Root + "\" but a file in the new release";
        return false;
    }
    for (size_t Cut = File.Name.find('\\'); Cut != std::string::npos; Cut = File.Name.find('\\', Cut + 1))
        if (FindReleaseFile(Old, File.Name.substr(0, Cut))) {
            Error = "\"" + File.Name.substr(0, Cut) + "\" is a file in \"" + Old.Root +
                    "\" but a directory in the new release";
            return false;
        }
    return true;
}

bool IsOptional(const CreateOptions& Options, const std::string& Name, std::vector<bool>& GlobUsed)
{
    bool Optional = false;
    for (size_t g = 0; g < Options.OptionalGlobs.size(); g++)
        if (GlobMatches(Options.OptionalGlobs[g], Name)) {
            GlobUsed[g] = true;
            Optional = true;
        }
    return Optional;
}

// Optional flags, windows and times: the parts of a plan that come from the options.
int FinishPlans(const CreateOptions& Options, Collection& Out, std::string& Error)
{
    std::vector<bool> GlobUsed(Options.OptionalGlobs.size(), false);
    for (FilePlan& Plan : Out.Plans) {
        Plan.Optional = IsOptional(Options, Plan.Name, GlobUsed);
        Plan.StoredSize = Options.StoredSize;
        if (!DosTimeOfFile(Plan.NewPath, Plan.NewTime, Error))
            return InputFault;
    }
    for (size_t g = 0; g < GlobUsed.size(); g++)
        if (!GlobUsed[g])
            Out.Warnings.push_back("--optional \"" + Options.OptionalGlobs[g] + "\" matches no file of the new release");
    for (const CrcWindowOption& Window : Options.Windows) {
        FilePlan* Found = nullptr;
        for (FilePlan& Plan : Out.Plans)
            Found = Plan.Name == Window.Name ? &Plan : Found;
        if (!Found) {
            Error = "--crc-window names \"" + Window.Name + "\", which the new release does not hold";
            return UsageFault;
        }
        Found->HasWindow = true;
        Found->Window = {Window.Start, Window.Length};
    }
    return Collected;
}

int CollectSingleFile(const CreateOptions& Options, Collection& Out, std::string& Error)
{
    FilePlan Plan;
    Plan.Name = fs::path(Options.NewPath).filename().string();
    Plan.NewPath = Options.NewPath;
    std::vector<std::string> All = Options.OldPaths;
    All.push_back(Options.NewPath);
    for (const std::string& Path : All) {
        std::error_code Failure;
        if (!FitsSize(Path, fs::file_size(Path, Failure), Error))
            return InputFault;
    }
    Plan.OldPaths.assign(Options.OldPaths.begin(), Options.OldPaths.end());
    Out.Plans.push_back(Plan);
    return FinishPlans(Options, Out, Error);
}

// Plans for the files of New, with each old release's copy; refuses names and sizes the
// format cannot carry.
bool PlanNewFiles(const ReleaseTree& New, const std::vector<ReleaseTree>& Olds, Collection& Out, std::string& Error)
{
    std::vector<std::set<std::string>> OldDirectories;
    for (const ReleaseTree& Old : Olds)
        OldDirectories.push_back(DirectoriesOf(Old));
    for (const ReleaseFile& File : New.Files) {
        if (!CheckStoredName(File.Name, Error) || !FitsSize(File.Path, File.Size, Error))
            return false;
        FilePlan Plan;
        Plan.Name = File.Name;
        Plan.NewPath = File.Path;
        for (size_t r = 0; r < Olds.size(); r++) {
            const ReleaseFile* Old = FindReleaseFile(Olds[r], File.Name);
            if (!CheckKindsAgree(File, Olds[r], OldDirectories[r], Error) || (Old && !FitsSize(Old->Path, Old->Size, Error)))
                return false;
            Plan.OldPaths.push_back(Old ? Old->Path : fs::path());
        }
        Out.Plans.push_back(Plan);
    }
    return true;
}

void WarnAboutLosses(const ReleaseTree& New, const std::vector<ReleaseTree>& Olds, Collection& Out)
{
    std::set<std::string> OnlyOld;
    for (const ReleaseTree& Old : Olds)
        for (const ReleaseFile& File : Old.Files)
            if (!FindReleaseFile(New, File.Name))
                OnlyOld.insert(File.Name);
    for (const std::string& Name : OnlyOld)
        Out.Warnings.push_back("\"" + Name + "\" is not in the new release; a patch cannot remove it, so it stays");
    for (const std::string& Name : New.EmptyDirectories)
        Out.Warnings.push_back("the empty directory \"" + Name + "\" cannot be carried by a patch");
}

int CollectTrees(const CreateOptions& Options, Collection& Out, std::string& Error)
{
    ReleaseTree New;
    std::vector<ReleaseTree> Olds(Options.OldPaths.size());
    if (!WalkRelease(Options.NewPath, New, Error))
        return InputFault;
    for (size_t r = 0; r < Olds.size(); r++)
        if (!WalkRelease(Options.OldPaths[r], Olds[r], Error))
            return InputFault;
    if (!CheckNameClashes(New, Options.BackupDirName, Error) || !PlanNewFiles(New, Olds, Out, Error))
        return InputFault;
    WarnAboutLosses(New, Olds, Out);
    return FinishPlans(Options, Out, Error);
}

} // namespace

int CollectFiles(const CreateOptions& Options, Collection& Out, std::string& Error)
{
    return Options.MultiFile ? CollectTrees(Options, Out, Error) : CollectSingleFile(Options, Out, Error);
}
