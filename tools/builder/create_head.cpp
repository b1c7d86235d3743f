// Fills and checks the fields at the head of the patch: description, backup folder, registry.
#include "tools/builder/create_head.h"

#include "container/name_rules.h"
#include "tools/writer/description_encoding.h"

namespace {

bool FitsStoredString(const std::string& Text, const std::string& What, std::string& Error)
{
    if (Text.size() <= MaxStoredStringLength)
        return true;
    Error = What + " is " + std::to_string(Text.size()) + " bytes long; a patch holds at most 255";
    return false;
}

// The backup folder receives the replaced files: it must be a real folder below the target.
bool CheckBackupName(const std::string& Name, std::string& Error)
{
    if (!FitsStoredString(Name, "the backup directory name", Error))
        return false;
    if (Name.empty() || !IsAcceptableBackupName(Name) || !IsAcceptableName(Name)) {
        Error = "the backup directory name \"" + Name +
                "\" is not a folder name below the target that Windows accepts";
        return false;
    }
    return true;
}

} // namespace

bool PrepareHead(const CreateOptions& Options, PatchSpec& Layout, std::string& Error)
{
    Layout.Mode = Options.MultiFile ? MultiFileModeByte : SingleFileMode;
    if (!EncodeDescription(Options.Description, Layout.Description, Error))
        return false;
    if (!CheckBackupName(Options.BackupDirName, Error))
        return false;
    Layout.BackupDirName = Options.BackupDirName;
    Layout.HasRegistry = Options.HasRegistry;
    if (!Options.HasRegistry)
        return true;
    if (Options.RegistryKeyPath.empty()) {
        Error = "the registry key path is empty";
        return false;
    }
    Layout.RegistryKeyPath = Options.RegistryKeyPath;
    Layout.RegistryValueName = Options.RegistryValueName;
    return FitsStoredString(Options.RegistryKeyPath, "the registry key path", Error) &&
           FitsStoredString(Options.RegistryValueName, "the registry value name", Error);
}
