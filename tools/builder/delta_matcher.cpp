// Indexes the old file, finds the matching segments once, then plans commands under several
// tail policies and number ranges and keeps the plan that codes smallest, stored or compressed.
#include "tools/builder/delta_matcher.h"

#include <thread>

#include "tools/builder/command_cost.h"
#include "tools/builder/command_planner.h"
#include "tools/builder/compressed_size.h"
#include "tools/builder/match_finder.h"
#include "tools/builder/suffix_index.h"

// Tail policies: one tail length per copy (-1), or one length shared by all copies.
constexpr int32_t TailPolicies[] = {-1, 0, 1, 2, 3, 4, 5, 6, 8};
constexpr int32_t MaxTail = 255;
constexpr int32_t SplitNewSize = 1 << 20; // smaller new files are searched on one thread
// A literal command interrupts the copies' runs of similar numbers, which a compressor codes
// well; pricing it this much higher (measured on rebuilt programs) makes the compressed patch
// 5-7 % smaller and the stored one about 1 % larger.
constexpr int32_t CompressedLiteralSurcharge = 48;
// Programs whose changes run a little longer compress smaller still with a shared tail one byte
// longer and literals priced higher again; a compressor decides between the two plans.
constexpr int32_t LongerTailSurcharge = 96;

// Rough bits that the differences inside segments cost under a tail policy: enough to choose
// which policies are worth planning in full.
static int64_t GapEstimate(const std::vector<ExactRun>& Runs, int32_t FixedTail)
{
    int64_t Bits = 0;
    for (size_t Index = 1; Index < Runs.size(); Index++) {
        int64_t Gap = Runs[Index].Start - (Runs[Index - 1].Start + Runs[Index - 1].Length);
        if (Runs[Index].Diagonal != Runs[Index - 1].Diagonal || Gap > MaxTail)
            continue;
        if (FixedTail < 0)
            Bits += 8 * (Gap + 1);
        else if (Gap <= FixedTail)
            Bits += 8 * FixedTail;
        else
            Bits += 8 * Gap + 10;
    }
    return Bits;
}

// The two policies that the estimate favours, best first.
static void ChoosePolicies(const std::vector<ExactRun>& Runs, int32_t (&Chosen)[2])
{
    int64_t Best[2] = {INT64_MAX, INT64_MAX};
    for (int32_t Policy : TailPolicies) {
        int64_t Bits = GapEstimate(Runs, Policy);
        if (Bits < Best[0]) {
            Best[1] = Best[0];
            Chosen[1] = Chosen[0];
            Best[0] = Bits;
            Chosen[0] = Policy;
        } else if (Bits < Best[1]) {
            Best[1] = Bits;
            Chosen[1] = Policy;
        }
    }
}

static void PlanPolicy(const DeltaFiles& Files, const std::vector<ExactRun>& Runs, const DeltaSettings& Settings,
                       PlanChoice Choice, CommandPlan& Plan)
{
    Plan = MakePlan(Files, Runs, Choice, Settings);
}

// The commands of a plan, with the settings they need and their size under the goal.
struct PlannedDelta {
    std::vector<DeltaCommand> Commands;
    DeltaSettings Settings;
    int64_t Bytes = 0;
};

static void EmitPlanned(const DeltaFiles& Files, const std::vector<ExactRun>& Runs, const CommandPlan& Plan,
                        SizeGoal Goal, PlannedDelta& Planned)
{
    Planned.Commands = EmitPlan(Files, Runs, Plan, Planned.Settings);
    Planned.Bytes = Goal == SizeGoal::Compressed ? CompressedSize(Planned.Commands, Planned.Settings)
                                                 : CodedSizes(Planned.Commands, Planned.Settings).Total();
}

// The compressed goal's second plan: a shared tail a byte longer than the best one's.
static void PlanLongerTail(const DeltaFiles& Files, const std::vector<ExactRun>& Runs, PlanChoice Best,
                           PlannedDelta& Planned)
{
    PlanChoice Longer = {Best.FixedTail + 1, Best.VariantFlags, LongerTailSurcharge};
    EmitPlanned(Files, Runs, MakePlan(Files, Runs, Longer, Planned.Settings), SizeGoal::Compressed, Planned);
}

// Tail lengths that change from stretch to stretch of the file, planned, under the number range
// that the best shared tail length chose.
static void PlanGrouped(const DeltaFiles& Files, const std::vector<ExactRun>& Runs, uint8_t VariantFlags,
                        PlannedDelta& Planned)
{
    EmitPlanned(Files, Runs, MakePlan(Files, Runs, {GroupedTails, VariantFlags}, Planned.Settings), SizeGoal::Stored,
                Planned);
}

static void FindSecondHalf(const DeltaFiles& Files, const SuffixIndex& Index, std::vector<MatchSegment>& Segments)
{
    Segments = FindSegments(Files, Index, Files.NewSize / 2);
}

// The segments of a large new file are found in two halves on two threads; the first half sees
// the new file cut at the middle, so that its segments end there.
static std::vector<MatchSegment> FindAllSegments(const DeltaFiles& Files, const SuffixIndex& Index)
{
    if (Files.NewSize < SplitNewSize)
        return FindSegments(Files, Index, 0);
    DeltaFiles FirstHalf = Files;
    FirstHalf.NewSize = Files.NewSize / 2;
    std::vector<MatchSegment> Second;
    std::thread Helper(FindSecondHalf, std::cref(Files), std::cref(Index), std::ref(Second));
    std::vector<MatchSegment> Segments = FindSegments(FirstHalf, Index, 0);
    Helper.join();
    Segments.insert(Segments.end(), Second.begin(), Second.end());
    return Segments;
}

// The sum of the sizes as number range allows longer offsets at the price of wider numbers;
// only offsets between the old file and the output can need that.
static bool SummedRangeMayPay(const DeltaFiles& Files, const std::vector<ExactRun>& Runs, const DeltaSettings& Settings)
{
    DeltaSettings Summed = Settings;
    Summed.VariantFlags = 1;
    if (LargestMagnitude(NumberRangeOf(Summed)) <= LargestMagnitude(NumberRangeOf(Settings)))
        return false;
    for (const ExactRun& Run : Runs)
        if (Run.Start + Run.Diagonal >= Files.OldSize)
            return true;
    return false;
}

std::vector<DeltaCommand> MatchDelta(const std::vector<uint8_t>& Old, const std::vector<uint8_t>& New,
                                     DeltaSettings& Settings, const CrcWindowSpec& Window, SizeGoal Goal)
{
    DeltaFiles Files;
    Files.Old = Old.data();
    Files.OldSize = (int32_t)Old.size();
    Files.New = New.data();
    Files.NewSize = (int32_t)New.size();
    if (Window.Length > 0) {
        Files.HiddenStart = Window.Start;
        Files.HiddenEnd = (int64_t)Window.Start + Window.Length;
    }
    SuffixIndex Index;
    BuildSuffixIndex(Index, Files.Old, Files.OldSize);
    std::vector<ExactRun> Runs = CollectRuns(Files, FindAllSegments(Files, Index));
    int32_t Policies[2] = {-1, -1};
    ChoosePolicies(Runs, Policies);
    int32_t Surcharge = Goal == SizeGoal::Compressed ? CompressedLiteralSurcharge : 0;
    CommandPlan Plans[2];
    std::thread Second(PlanPolicy, std::cref(Files), std::cref(Runs), std::cref(Settings),
                       PlanChoice{Policies[1], 0, Surcharge}, std::ref(Plans[1]));
    PlanPolicy(Files, Runs, Settings, {Policies[0], 0, Surcharge}, Plans[0]);
    Second.join();
    CommandPlan Winner = std::move(Plans[1].Bits() < Plans[0].Bits() ? Plans[1] : Plans[0]);
    if (SummedRangeMayPay(Files, Runs, Settings)) {
        CommandPlan Summed = MakePlan(Files, Runs, {Winner.Choice.FixedTail, 1, Surcharge}, Settings);
        if (Summed.Bits() < Winner.Bits())
            Winner = std::move(Summed);
    }
    if (Goal == SizeGoal::Compressed && (Winner.Choice.FixedTail < 0 || Winner.Choice.FixedTail >= MaxTail))
        return EmitPlan(Files, Runs, Winner, Settings);
    PlannedDelta Shared, Other;
    Shared.Settings = Other.Settings = Settings;
    std::thread OtherThread = Goal == SizeGoal::Compressed
                                  ? std::thread(PlanLongerTail, std::cref(Files), std::cref(Runs), Winner.Choice,
                                                std::ref(Other))
                                  : std::thread(PlanGrouped, std::cref(Files), std::cref(Runs),
                                                Winner.Choice.VariantFlags, std::ref(Other));
    EmitPlanned(Files, Runs, Winner, Goal, Shared);
    OtherThread.join();
    PlannedDelta& Best = Other.Bytes < Shared.Bytes ? Other : Shared;
    Settings = Best.Settings;
    return std::move(Best.Commands);
}
