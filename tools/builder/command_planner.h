// Turns matched segments into the cheapest command list for one choice of tail policy, by a
// shortest-path search over the exact runs inside the segments.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/builder/match_source.h"
#include "tools/builder/match_finder.h"
#include "tools/writer/delta_commands.h"

// New bytes Start to Start + Length - 1 equal the source bytes at the same position plus Diagonal.
struct ExactRun {
    int32_t Start = 0;
    int32_t Length = 0;
    int64_t Diagonal = 0;
};

std::vector<ExactRun> CollectRuns(const DeltaFiles& Files, const std::vector<MatchSegment>& Segments);

// FixedTail >= 0: all copies share tails of FixedTail bytes (LengthReuse 65535); PerCopyTails:
// every copy reads its own tail length (LengthReuse 1); GroupedTails: the tail length changes
// from stretch to stretch of the file, between groups of copies that share one length byte.
constexpr int32_t PerCopyTails = -1;
constexpr int32_t GroupedTails = -2;
// LiteralSurcharge: bits added to the price of every literal command beyond what it codes to.
struct PlanChoice {
    int32_t FixedTail = PerCopyTails;
    uint8_t VariantFlags = 0;
    int32_t LiteralSurcharge = 0;
};

// Node 0 stands for the start, before any copy; node I (1 to the run count) for a copy of run
// I - 1; the last node for the end of the new file. Each node comes in one state per tail length
// that its copy may take.
struct PlanNode {
    int64_t Cost = INT64_MAX; // bits of the cheapest way to reach this node in this state
    int32_t From = -1;
    int16_t Shift = 0;        // bytes at the front of the run that the previous tail already covers
    int16_t FromState = 0;
};

// The cheapest way through the runs under one choice.
struct CommandPlan {
    PlanChoice Choice;
    int32_t States = 1;
    std::vector<PlanNode> Nodes; // node I in state S at I * States + S
    int32_t BestEndState() const;
    int64_t Bits() const { return Nodes[Nodes.size() - States + BestEndState()].Cost; }
};

CommandPlan MakePlan(const DeltaFiles& Files, const std::vector<ExactRun>& Runs, const PlanChoice& Choice,
                     const DeltaSettings& Settings);

// The commands of a plan; Settings receives LengthReuse, BlockSize and VariantFlags (BaseSize
// and ResultSize must already be set). They rebuild Files.New exactly.
std::vector<DeltaCommand> EmitPlan(const DeltaFiles& Files, const std::vector<ExactRun>& Runs,
                                   const CommandPlan& Plan, DeltaSettings& Settings);
