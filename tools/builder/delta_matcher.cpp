// Indexes the old file, finds the matching segments once, then plans commands under several
// tail policies and number ranges and keeps the plan that codes smallest.
#include "tools/builder/delta_matcher.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "tools/builder/command_cost.h"
#include "tools/builder/command_planner.h"
#include "tools/builder/match_finder.h"
#include "tools/builder/suffix_index.h"

// One tail length per copy, or one length shared by all copies.
constexpr int32_t TailPolicies[] = {-1, 0, 1, 2, 3, 4};
constexpr int PolicyCount = sizeof TailPolicies / sizeof TailPolicies[0];

// Plans the policies First, First + 2, ... and keeps the cheapest in Best.
static void PlanPolicies(const DeltaFiles& Files, const std::vector<ExactRun>& Runs, const DeltaSettings& Settings,
                         int First, CommandPlan& Best)
{
    for (int Index = First; Index < PolicyCount; Index += 2) {
        CommandPlan Plan = MakePlan(Files, Runs, {TailPolicies[Index], 0}, Settings);
        if (Best.Nodes.empty() || Plan.Bits() < Best.Bits())
            Best = std::move(Plan);
    }
}

// The sum of the sizes as number range allows longer offsets at the price of wider numbers.
static bool SummedRangeDiffers(const DeltaSettings& Settings)
{
    DeltaSettings Summed = Settings;
    Summed.VariantFlags = 1;
    return LargestMagnitude(NumberRangeOf(Summed)) > LargestMagnitude(NumberRangeOf(Settings));
}

std::vector<DeltaCommand> MatchDelta(const std::vector<uint8_t>& Old, const std::vector<uint8_t>& New,
                                     DeltaSettings& Settings)
{
    DeltaFiles Files;
    Files.Old = Old.data();
    Files.OldSize = (int32_t)Old.size();
    Files.New = New.data();
    Files.NewSize = (int32_t)New.size();
    Settings.VariantFlags = 0;
    auto T0 = std::chrono::steady_clock::now();
    SuffixIndex Index;
    BuildSuffixIndex(Index, Files.Old, Files.OldSize);
    auto T1 = std::chrono::steady_clock::now();
    std::vector<MatchSegment> Segments = FindSegments(Files, Index);
    auto T2 = std::chrono::steady_clock::now();
    std::vector<ExactRun> Runs = CollectRuns(Files, Segments);
    auto T3 = std::chrono::steady_clock::now();
    CommandPlan Best[2];
    std::thread Second(PlanPolicies, std::cref(Files), std::cref(Runs), std::cref(Settings), 1, std::ref(Best[1]));
    PlanPolicies(Files, Runs, Settings, 0, Best[0]);
    Second.join();
    CommandPlan Winner = std::move(Best[1].Bits() < Best[0].Bits() ? Best[1] : Best[0]);
    if (SummedRangeDiffers(Settings)) {
        CommandPlan Summed = MakePlan(Files, Runs, {Winner.Choice.FixedTail, 1}, Settings);
        if (Summed.Bits() < Winner.Bits())
            Winner = std::move(Summed);
    }
    auto T4 = std::chrono::steady_clock::now();
    auto Commands = EmitPlan(Files, Runs, Winner, Settings);
    auto T5 = std::chrono::steady_clock::now();
    auto S = [](auto A, auto B) { return std::chrono::duration<double>(B - A).count(); };
    fprintf(stderr, "index %.3f find %.3f runs %.3f plan %.3f emit %.3f  segs %zu runs %zu tail %d\n", S(T0, T1), S(T1, T2), S(T2, T3), S(T3, T4), S(T4, T5), Segments.size(), Runs.size(), Winner.Choice.FixedTail);
    return Commands;
}
