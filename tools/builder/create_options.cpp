// Parses the command line of tarnwel-build create and checks its shape: values present, numbers
// numbers, releases all files or all directories.
#include "tools/builder/create_options.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

const char CreateHelp[] =
    "Usage: tarnwel-build create [options] -o OUT OLD... NEW\n"
    "\n"
    "Builds a patch that brings each of the old releases OLD... (oldest first) to the new\n"
    "release NEW. Releases that are files make a single-file patch, releases that are\n"
    "directories a multi-file patch; mixing both is a usage error.\n"
    "\n"
    "For each file of NEW the patch holds nothing when every old release has it unchanged;\n"
    "the file whole when an old release lacks it; otherwise a chain of deltas from each\n"
    "distinct old version to the next and from the last to the new one. Files that only old\n"
    "releases have, and empty directories, cannot be carried and are reported as warnings.\n"
    "The finished patch is read back and every delta rebuilt and compared before OUT is\n"
    "written; the same inputs always give the same bytes.\n"
    "\n"
    "Options:\n"
    "  -o OUT                       write the patch to OUT (required)\n"
    "  --description TEXT           description shown by the applier (UTF-8; characters of\n"
    "                               Windows-1252 only, no \"#%\", at most 1000 bytes, line\n"
    "                               breaks count 3 towards a screen limit of 2003)\n"
    "  --description-file FILE      the same, read from a UTF-8 file (a BOM and one final\n"
    "                               line end are dropped)\n"
    "  --backup-dir NAME            folder inside the target for replaced files (default backup)\n"
    "  --registry KEYPATH VALUENAME registry value (under HKEY_LOCAL_MACHINE) naming the target\n"
    "  --optional GLOB              files matching GLOB are optional: a release that lacks one\n"
    "                               is patched without it instead of getting it whole; * and ?\n"
    "                               stop at /, and a GLOB without / matches the last name part\n"
    "  --crc-window NAME:START:LENGTH\n"
    "                               the checksums of file NAME leave out LENGTH bytes at START,\n"
    "                               for bytes that differ per installation (NAME is the path\n"
    "                               inside the release, or the file's own name in a single-file\n"
    "                               patch; deltas never read those bytes)\n"
    "  --exe STUB                   write STUB followed by the patch: a self-applying program\n"
    "  --stored-size                make the patch smallest as it is stored; by default it is\n"
    "                               made smallest after compression (xz, zip), as patches\n"
    "                               mostly travel, which stores a little larger\n"
    "  --jobs N                     build N files at once (default: one per core)\n"
    "  --quiet                      no warnings, progress or summary\n"
    "  --help                       this text\n"
    "\n"
    "Exit codes: 0 done, 1 usage error, 2 failure (nothing is written); each error is one\n"
    "line on stderr.\n";

namespace {

// Reads the value that follows argv[i], which belongs to Option; false when it is missing.
bool TakeValue(int argc, char** argv, int& i, const std::string& Option, std::string& Value, std::string& Error)
{
    if (i + 1 >= argc) {
        Error = Option + " needs " + (Option == "--registry" ? "a key path and a value name" : "a value");
        return false;
    }
    Value = argv[++i];
    return true;
}

bool ParseCount(const std::string& Text, int32_t Smallest, int32_t& Value)
{
    if (Text.empty() || Text.size() > 10 || Text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long long Number = std::stoll(Text);
    if (Number < Smallest || Number > INT32_MAX)
        return false;
    Value = (int32_t)Number;
    return true;
}

std::string StoredForm(std::string Name)
{
    for (char& C : Name)
        if (C == '/')
            C = '\\';
    return Name;
}

bool ParseWindow(const std::string& Text, CreateOptions& Options, std::string& Error)
{
    size_t Second = Text.rfind(':');
    size_t First = Second == std::string::npos || Second == 0 ? std::string::npos : Text.rfind(':', Second - 1);
    CrcWindowOption Window;
    if (First == std::string::npos || First == 0 || !ParseCount(Text.substr(First + 1, Second - First - 1), 0, Window.Start) ||
        !ParseCount(Text.substr(Second + 1), 1, Window.Length)) {
        Error = "--crc-window wants NAME:START:LENGTH with START >= 0 and LENGTH >= 1, not \"" + Text + "\"";
        return false;
    }
    Window.Name = StoredForm(Text.substr(0, First));
    for (const CrcWindowOption& Other : Options.Windows)
        if (Other.Name == Window.Name) {
            Error = "--crc-window names \"" + Text.substr(0, First) + "\" twice";
            return false;
        }
    Options.Windows.push_back(Window);
    return true;
}

bool ReadDescriptionFile(const std::string& Path, std::string& Text, std::string& Error)
{
    std::ifstream In(Path, std::ios::binary);
    if (!In || fs::is_directory(Path)) {
        Error = "cannot read the description file \"" + Path + "\"";
        return false;
    }
    Text.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
    if (Text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        Text.erase(0, 3);
    if (!Text.empty() && Text.back() == '\n')
        Text.pop_back();
    if (!Text.empty() && Text.back() == '\r')
        Text.pop_back();
    return true;
}

bool SetDescription(CreateOptions& Options, const std::string& Text, std::string& Error)
{
    if (Options.HasDescription) {
        Error = "give one description only (--description or --description-file)";
        return false;
    }
    Options.HasDescription = true;
    Options.Description = Text;
    return true;
}

// One option at argv[i]; i is left on its last value.
bool ParseOption(int argc, char** argv, int& i, CreateOptions& Options, std::string& Error)
{
    std::string Option = argv[i];
    std::string Value;
    if (Option == "--quiet") {
        Options.Quiet = true;
        return true;
    }
    if (Option == "--stored-size") {
        Options.StoredSize = true;
        return true;
    }
    if (Option != "-o" && Option != "--description" && Option != "--description-file" && Option != "--backup-dir" &&
        Option != "--registry" && Option != "--optional" && Option != "--crc-window" && Option != "--exe" &&
        Option != "--jobs") {
        Error = "unknown option " + Option;
        return false;
    }
    if (!TakeValue(argc, argv, i, Option, Value, Error))
        return false;
    if (Option == "-o")
        Options.OutputPath = Value;
    else if (Option == "--description")
        return SetDescription(Options, Value, Error);
    else if (Option == "--description-file") {
        std::string Text;
        return ReadDescriptionFile(Value, Text, Error) && SetDescription(Options, Text, Error);
    }
    else if (Option == "--backup-dir")
        Options.BackupDirName = StoredForm(Value);
    else if (Option == "--optional")
        Options.OptionalGlobs.push_back(Value);
    else if (Option == "--crc-window")
        return ParseWindow(Value, Options, Error);
    else if (Option == "--exe")
        Options.StubPath = Value;
    else if (Option == "--jobs") {
        int32_t Jobs = 0;
        if (!ParseCount(Value, 1, Jobs) || Jobs > 1024) {
            Error = "--jobs wants a count from 1 to 1024, not \"" + Value + "\"";
            return false;
        }
        Options.Jobs = Jobs;
    } else {
        Options.HasRegistry = true;
        Options.RegistryKeyPath = Value;
        return TakeValue(argc, argv, i, Option, Options.RegistryValueName, Error);
    }
    return true;
}

// The releases must all exist and be all files or all directories.
bool CheckReleases(const std::vector<std::string>& Positional, CreateOptions& Options, std::string& Error)
{
    if (Positional.size() < 2) {
        Error = "name at least one old release and the new release";
        return false;
    }
    size_t Directories = 0;
    for (const std::string& Path : Positional) {
        std::error_code Failure;
        fs::file_status Status = fs::status(Path, Failure);
        if (!fs::is_directory(Status) && !fs::is_regular_file(Status)) {
            Error = "\"" + Path + "\" is neither a file nor a directory";
            return false;
        }
        Directories += fs::is_directory(Status);
    }
    std::error_code Failure;
    for (const std::string& Path : Positional)
        if (fs::equivalent(Options.OutputPath, Path, Failure) || fs::is_directory(Options.OutputPath)) {
            Error = "the output \"" + Options.OutputPath + "\" is an input or a directory";
            return false;
        }
    if (Directories != 0 && Directories != Positional.size()) {
        Error = "the releases must be all files or all directories";
        return false;
    }
    Options.MultiFile = Directories != 0;
    Options.OldPaths.assign(Positional.begin(), Positional.end() - 1);
    Options.NewPath = Positional.back();
    return true;
}

} // namespace

ParseOutcome ParseCreateOptions(int argc, char** argv, CreateOptions& Options, std::string& Error)
{
    std::vector<std::string> Positional;
    bool OptionsEnded = false;
    for (int i = 0; i < argc; i++) {
        const char* Argument = argv[i];
        if (!OptionsEnded && (!std::strcmp(Argument, "--help") || !std::strcmp(Argument, "-h")))
            return ParseOutcome::Help;
        if (!OptionsEnded && !std::strcmp(Argument, "--"))
            OptionsEnded = true;
        else if (!OptionsEnded && Argument[0] == '-' && Argument[1] != '\0') {
            if (!ParseOption(argc, argv, i, Options, Error))
                return ParseOutcome::Usage;
        } else
            Positional.push_back(Argument);
    }
    if (Options.OutputPath.empty()) {
        Error = "name the output with -o OUT";
        return ParseOutcome::Usage;
    }
    if (!Options.StubPath.empty() && !fs::is_regular_file(Options.StubPath)) {
        Error = "--exe names \"" + Options.StubPath + "\", which is not a file";
        return ParseOutcome::Usage;
    }
    return CheckReleases(Positional, Options, Error) ? ParseOutcome::Ready : ParseOutcome::Usage;
}
