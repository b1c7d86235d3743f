// Sorts the old releases' copies of a file into "already new", "missing" and distinct old
// versions, and picks what the patch carries for it.
#include "tools/builder/create_plan.h"

#include "core/applier_state.h"
#include "tools/builder/create_content.h"

namespace fs = std::filesystem;

namespace {

// Adds the release's copy as a new link unless it equals the new version or an earlier link.
bool SortRelease(FilePlan& Plan, const fs::path& OldPath)
{
    bool Same = false;
    if (!CompareOutsideWindow(OldPath, Plan.NewPath, Plan.Window, Same, Plan.Error))
        return false;
    for (size_t k = 0; !Same && k < Plan.Links.size(); k++)
        if (!CompareOutsideWindow(OldPath, Plan.Links[k].OldPath, Plan.Window, Same, Plan.Error))
            return false;
    if (Same)
        return true;
    ChainLink Link;
    Link.OldPath = OldPath;
    std::error_code Failure;
    Link.OldSize = (int32_t)fs::file_size(OldPath, Failure);
    if (Failure) {
        Plan.Error = "cannot read \"" + OldPath.string() + "\": " + Failure.message();
        return false;
    }
    if (!StoredCrcOfFile(OldPath, Plan.Window, Link.OldCrc, Plan.Error))
        return false;
    Plan.Links.push_back(Link);
    return true;
}

std::string WindowText(const FilePlan& Plan)
{
    return "the checksum window of \"" + Plan.Name + "\" (start " + std::to_string(Plan.Window.Start) + ", length " +
           std::to_string(Plan.Window.Length) + ")";
}

// The limits a patched-file record must keep.
void CheckRecordLimits(FilePlan& Plan)
{
    if (Plan.Links.size() > (size_t)MaxVariants) {
        Plan.Error = "\"" + Plan.Name + "\" has " + std::to_string(Plan.Links.size()) +
                     " distinct old versions; a patch carries at most " + std::to_string(MaxVariants);
        return;
    }
    if (!Plan.HasWindow)
        return;
    int64_t WindowEnd = (int64_t)Plan.Window.Start + Plan.Window.Length;
    if (WindowEnd > Plan.NewSize)
        Plan.Error = WindowText(Plan) + " runs past the end of the new version (" + std::to_string(Plan.NewSize) + " bytes)";
    for (const ChainLink& Link : Plan.Links)
        if (Plan.Error.empty() && WindowEnd > Link.OldSize)
            Plan.Error = WindowText(Plan) + " runs past the end of \"" + Link.OldPath.string() + "\"";
}

} // namespace

void PlanFile(FilePlan& Plan, bool SingleFile)
{
    std::error_code Failure;
    Plan.NewSize = (int32_t)fs::file_size(Plan.NewPath, Failure);
    if (Failure) {
        Plan.Error = "cannot read \"" + Plan.NewPath.string() + "\": " + Failure.message();
        return;
    }
    size_t Lacking = 0;
    for (const fs::path& OldPath : Plan.OldPaths)
        Lacking += OldPath.empty();
    if (!SingleFile && (Lacking == Plan.OldPaths.size() || (Lacking > 0 && !Plan.Optional))) {
        Plan.Action = FileAction::Embedded;
        return;
    }
    for (const fs::path& OldPath : Plan.OldPaths)
        if (!OldPath.empty() && !SortRelease(Plan, OldPath))
            return;
    Plan.Action = !SingleFile && Lacking == 0 && Plan.Links.empty() ? FileAction::Unchanged : FileAction::Patched;
    if (Plan.Action == FileAction::Patched && StoredCrcOfFile(Plan.NewPath, Plan.Window, Plan.NewCrc, Plan.Error))
        CheckRecordLimits(Plan);
}
