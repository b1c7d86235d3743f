// Matches each old version against the next, codes the commands into sub-streams, and makes
// sure no delta depends on bytes of a checksum window (verification cannot see that: it
// rebuilds from the one copy of the old version the builder has).
#include "tools/builder/create_build.h"

#include "tools/builder/create_content.h"
#include "tools/builder/create_window_guard.h"
#include "tools/builder/delta_matcher.h"
#include "tools/writer/command_encoder.h"

namespace {

// The delta from Old to Next under the plan's window.
bool BuildVariant(const FilePlan& Plan, const std::vector<uint8_t>& Old, const std::vector<uint8_t>& Next,
                  VariantSpec& Variant, std::string& Error)
{
    DeltaSettings Settings;
    Settings.BaseSize = (int32_t)Old.size();
    Settings.ResultSize = (int32_t)Next.size();
    std::vector<DeltaCommand> Commands =
        MatchDelta(Old, Next, Settings, Plan.Window, Plan.StoredSize ? SizeGoal::Stored : SizeGoal::Compressed);
    if (Plan.HasWindow && CommandsReadWindow(Commands, Settings, Plan.Window)) {
        Error = "the delta of \"" + Plan.Name + "\" reads bytes inside its checksum window";
        return false;
    }
    std::string EncoderError;
    EncodedDelta Encoded;
    if (!EncodeCommands(Commands, Settings, Encoded, EncoderError)) {
        Error = "cannot code the delta of \"" + Plan.Name + "\": " + EncoderError;
        return false;
    }
    for (int K = 0; K < SubStreamCount; K++)
        Variant.Streams[K] = std::move(Encoded.SubStreams[K]);
    Variant.LengthReuse = Settings.LengthReuse;
    Variant.VariantFlags = Settings.VariantFlags;
    Variant.BlockSize = Settings.BlockSize;
    return true;
}

} // namespace

void BuildVariants(const FilePlan& Plan, BuiltFile& Built)
{
    std::vector<uint8_t> Old, Next;
    if (!Plan.Links.empty() && !ReadWholeFile(Plan.Links[0].OldPath, Next, Built.Error))
        return;
    for (size_t k = 0; k < Plan.Links.size(); k++) {
        Old.swap(Next);
        const std::filesystem::path& NextPath = k + 1 < Plan.Links.size() ? Plan.Links[k + 1].OldPath : Plan.NewPath;
        if (!ReadWholeFile(NextPath, Next, Built.Error))
            return;
        VariantSpec Variant;
        Variant.OldCrc = Plan.Links[k].OldCrc;
        Variant.OldSize = Plan.Links[k].OldSize;
        Variant.Window = Plan.Window;
        if (!BuildVariant(Plan, Old, Next, Variant, Built.Error))
            return;
        Built.Variants.push_back(std::move(Variant));
    }
}
