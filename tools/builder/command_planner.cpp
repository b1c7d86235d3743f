// Chooses which exact runs become copy commands, how long their tails are and which bytes
// become literals, by a shortest path whose edge weights are the coded bits; then writes the
// chosen path out as commands.
#include "tools/builder/command_planner.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "tools/builder/command_cost.h"

constexpr int32_t MinRunLength = 2;      // shorter exact runs are never worth a copy command
constexpr int32_t SuccessorWindow = 8;  // runs a copy may skip over to reach the next copy
constexpr int32_t MaxTail = 255;
constexpr uint16_t SharedReuse = 65535;
// Grouped tails: lengths 0 to GroupedTailCount - 1, one length byte per GroupReuse copies, and a
// change of length inside a group costs value-0 commands up to the group's end (half a group on
// average) and the new length byte.
constexpr int32_t GroupedTailCount = 5;
constexpr uint16_t GroupReuse = 32;
constexpr int64_t SwitchBits = 10 * (GroupReuse - 1) / 2 + 8;
constexpr uint8_t PlanBlockSize = 255;   // the fewest piece bits for any literal length

std::vector<ExactRun> CollectRuns(const DeltaFiles& Files, const std::vector<MatchSegment>& Segments)
{
    std::vector<ExactRun> Runs;
    for (const MatchSegment& Segment : Segments) {
        int32_t Pos = Segment.NewStart;
        while (Pos < Segment.NewEnd) {
            int32_t Available = std::min(SourceAvailable(Files, Segment.Diagonal, Pos), Segment.NewEnd - Pos);
            const uint8_t* Source = Available > 0 ? SourceBytes(Files, Segment.Diagonal, Pos) : nullptr;
            int32_t Length = Available > 0 ? CommonLength(Files.New + Pos, Source, Available) : 0;
            if (Length >= MinRunLength)
                Runs.push_back({Pos, Length, Segment.Diagonal});
            Pos += std::max(Length, 1);
        }
    }
    return Runs;
}

struct PlanContext {
    const DeltaFiles* Files = nullptr;
    const std::vector<ExactRun>* Runs = nullptr;
    int64_t Range = 0;
    int64_t MaxMagnitude = 0;
    int32_t LiteralSurcharge = 0;
    int32_t States = 1;
    int32_t Tails[GroupedTailCount] = {}; // the tail rule of each state: a length, or PerCopyTails
    int32_t EndNode = 0;
};

// The step from one copy (or the start) to the next copy (or the end): the first copy's tail and
// how much of its exact range gives way to it, the literal between, and the next copy's shift.
struct PlanLink {
    int32_t Cut = 0;
    int32_t Tail = 0;
    int32_t TailEnd = 0;   // new position after the tail
    int32_t Literal = 0;
    int32_t Shift = 0;
    int64_t Cost = 0;      // bits of the tail, the literal and the next copy command
};

// What the links from one node share: where its copy's exact range ends and how much room the
// source leaves for a tail.
struct LinkStart {
    bool IsCopy = false;
    int32_t ExactEnd = 0;
    int64_t SourceEnd = 0;
    int64_t Room = 0;   // source bytes readable after the exact range (at least the largest tail)
    int32_t Spare = 0;  // exact bytes that a cut may take while one remains
};

static LinkStart StartOf(const PlanContext& Context, int32_t From, int32_t FromShift)
{
    LinkStart Start;
    if (From == 0)
        return Start;
    const ExactRun& Run = (*Context.Runs)[From - 1];
    Start.IsCopy = true;
    Start.ExactEnd = Run.Start + Run.Length;
    Start.SourceEnd = Start.ExactEnd + Run.Diagonal;
    bool FromOld = Run.Start + Run.Diagonal < Context.Files->OldSize;
    Start.Room = FromOld ? std::min<int64_t>(OldReadLimit(*Context.Files, Run.Start + Run.Diagonal) - Start.SourceEnd, MaxTail)
                         : MaxTail;
    Start.Spare = Run.Length - FromShift - 1;
    return Start;
}

// The link from Start to node To: the tail of Start's copy under its tail rule and the cut of its
// exact range that keeps the tail inside the old file and the new file, the literal between, and
// the shift and cost of the next copy. False when no valid link exists.
static bool LinkTo(const PlanContext& Context, const LinkStart& Start, int32_t TailRule, int32_t To, PlanLink& Link)
{
    bool ToEnd = To == Context.EndNode;
    const ExactRun* Next = ToEnd ? nullptr : &(*Context.Runs)[To - 1];
    int32_t NextStart = ToEnd ? Context.Files->NewSize : Next->Start;
    int32_t Cut = 0, Tail = 0;
    if (Start.IsCopy && TailRule < 0) {
        Tail = (int32_t)std::min<int64_t>(Start.Room, NextStart - Start.ExactEnd);
    } else if (Start.IsCopy) {
        Tail = TailRule;
        Cut = (int32_t)std::max<int64_t>(0, Tail - Start.Room);
        if (ToEnd)
            Cut = std::max(Cut, Tail - (NextStart - Start.ExactEnd));
        if (Cut > Start.Spare)
            return false;
    }
    Link.Cut = Cut;
    Link.Tail = Tail;
    Link.TailEnd = Start.ExactEnd - Cut + Tail;
    Link.Literal = std::max(0, NextStart - Link.TailEnd);
    Link.Shift = std::max(0, Link.TailEnd - NextStart);
    Link.Cost = 8 * Tail;
    if (Link.Literal > 0)
        Link.Cost += NumberCostBits(-Link.Literal, Context.Range) + Context.LiteralSurcharge + 8 * (int64_t)Link.Literal +
                     LiteralPieceCount(Link.Literal, PlanBlockSize);
    if (ToEnd)
        return true;
    if (Link.Shift >= Next->Length)
        return false;
    int64_t Offset = Next->Start + Link.Shift + Next->Diagonal - (Start.SourceEnd - Cut);
    if (Offset > Context.MaxMagnitude || -Offset > Context.MaxMagnitude)
        return false;
    Link.Cost += NumberCostBits(Next->Length - Link.Shift, Context.Range) + NumberCostBits(Offset, Context.Range);
    if (TailRule < 0)
        Link.Cost += 8; // its own tail-length byte
    return true;
}

// Offers a way to node To in every state it may take after a link from state FromState: the
// same state, or, at a copy, any other for the price of a change of tail length (free for the
// first copy, which reads its length anyway).
static void Relax(const PlanContext& Context, std::vector<PlanNode>& Nodes, int32_t From, int FromState, int32_t To,
                  const PlanLink& Link, int64_t Cost)
{
    for (int State = 0; State < Context.States; State++) {
        if (State != FromState && To == Context.EndNode)
            continue;
        int64_t Total = Cost + (State == FromState || From == 0 ? 0 : SwitchBits);
        PlanNode& There = Nodes[(size_t)To * Context.States + State];
        if (Total < There.Cost)
            There = {Total, From, (int16_t)Link.Shift, (int16_t)FromState};
    }
}

// Cheapest ways from the start to every node in every state.
static void ShortestPath(const PlanContext& Context, std::vector<PlanNode>& Nodes)
{
    Nodes.assign((size_t)(Context.EndNode + 1) * Context.States, PlanNode());
    for (int State = 0; State < Context.States; State++)
        Nodes[State].Cost = 0;
    PlanLink Link;
    for (int32_t From = 0; From < Context.EndNode; From++) {
        for (int State = 0; State < Context.States; State++) {
            const PlanNode Here = Nodes[(size_t)From * Context.States + State];
            if (Here.Cost == INT64_MAX)
                continue;
            LinkStart Start = StartOf(Context, From, Here.Shift);
            int32_t Last = std::min(From + SuccessorWindow, Context.EndNode - 1);
            for (int32_t To = From + 1; To <= Last + 1; To++) {
                if (To == Last + 1)
                    To = Context.EndNode;
                if (LinkTo(Context, Start, Context.Tails[State], To, Link))
                    Relax(Context, Nodes, From, State, To, Link, Here.Cost + Link.Cost);
            }
        }
    }
}

// Whether the decoder can read Count source bytes at Pos while OutputLength bytes are written,
// after a copy that started at CopyPosition.
static bool SourceReadable(const DeltaFiles& Files, int64_t CopyPosition, int64_t Pos, int64_t Count, int64_t OutputLength)
{
    if (CopyPosition < Files.OldSize)
        return OldBytesReadable(Files, Pos, Count);
    return Pos - Files.OldSize >= 0 && Pos - Files.OldSize + Count <= OutputLength;
}

static const uint8_t* CombinedBytes(const DeltaFiles& Files, int64_t Pos)
{
    return Pos < Files.OldSize ? Files.Old + Pos : Files.New + (Pos - Files.OldSize);
}

// A piece is added to its source when that leaves many zero bytes, which compress well later.
static bool AddPays(const uint8_t* New, const uint8_t* Source, int32_t Count)
{
    int32_t Equal = 0;
    for (int32_t Index = 0; Index < Count; Index++)
        Equal += New[Index] == Source[Index];
    return Count <= 8 || 4 * Equal >= Count;
}

// The commands being written and the decoder state that they leave.
struct Emitter {
    const DeltaFiles* Files = nullptr;
    std::vector<DeltaCommand> Commands;
    int64_t CopyPosition = 0;
    int64_t CopyEnd = 0;     // CopyPosition plus the copy's length
    int32_t Tail = 0;        // the tail length in force
    int32_t LengthReuse = 1;
    int32_t ReuseCounter = 0; // copies before the next tail-length byte
};

// A copy whose tail length differs from the one in force must read a new length byte: value-0
// commands use up what is left of the group first.
static void ReadyTailLength(Emitter& Out, int32_t Tail)
{
    for (; Tail != Out.Tail && Out.ReuseCounter > 0; Out.ReuseCounter--) {
        DeltaCommand Skip;
        Skip.Kind = CommandKind::Skip;
        Out.Commands.push_back(std::move(Skip));
    }
    if (Out.ReuseCounter == 0)
        Out.ReuseCounter = Out.LengthReuse;
    Out.ReuseCounter--;
}

static void EmitCopy(Emitter& Out, const ExactRun& Run, int32_t Shift, const PlanLink& Link)
{
    const DeltaFiles& Files = *Out.Files;
    ReadyTailLength(Out, Link.Tail);
    DeltaCommand Copy;
    Copy.Kind = CommandKind::Copy;
    int32_t Start = Run.Start + Shift;
    int64_t Source = Start + Run.Diagonal;
    Copy.Length = Run.Length - Shift - Link.Cut;
    Copy.Offset = (int32_t)(Source - Out.CopyEnd);
    int32_t ExactEnd = Start + Copy.Length;
    const uint8_t* SourceTail = CombinedBytes(Files, Source + Copy.Length);
    Copy.Tail.resize(Link.Tail);
    for (int32_t Index = 0; Index < Link.Tail; Index++)
        Copy.Tail[Index] = (uint8_t)(Files.New[ExactEnd + Index] - SourceTail[Index]);
    Out.CopyPosition = Source;
    Out.CopyEnd = Source + Copy.Length;
    Out.Tail = Link.Tail;
    Out.Commands.push_back(std::move(Copy));
}

static void EmitLiteral(Emitter& Out, int32_t Start, int32_t Length, uint8_t BlockSize)
{
    const DeltaFiles& Files = *Out.Files;
    DeltaCommand Literal;
    Literal.Kind = CommandKind::Literal;
    Literal.Length = Length;
    int64_t Base = Out.CopyEnd + Out.Tail;
    Literal.Bytes.reserve(Length);
    int32_t Done = 0;
    while (Done < Length) {
        int32_t Rest = Length - Done;
        int32_t Piece = Rest >= BlockSize && Rest < 2 * BlockSize ? Rest : std::min<int32_t>(BlockSize, Rest);
        const uint8_t* New = Files.New + Start + Done;
        bool Add = SourceReadable(Files, Out.CopyPosition, Base + Done, Piece, Start + Done) &&
                   AddPays(New, CombinedBytes(Files, Base + Done), Piece);
        const uint8_t* Source = Add ? CombinedBytes(Files, Base + Done) : nullptr;
        for (int32_t Index = 0; Index < Piece; Index++)
            Literal.Bytes.push_back(Add ? (uint8_t)(New[Index] - Source[Index]) : New[Index]);
        Literal.PlainPieces.push_back(!Add);
        Done += Piece;
    }
    Out.Commands.push_back(std::move(Literal));
}

static PlanContext MakeContext(const DeltaFiles& Files, const std::vector<ExactRun>& Runs, const PlanChoice& Choice,
                               DeltaSettings& Settings)
{
    bool Grouped = Choice.FixedTail == GroupedTails;
    Settings.LengthReuse = Choice.FixedTail == PerCopyTails ? 1 : Grouped ? GroupReuse : SharedReuse;
    Settings.BlockSize = PlanBlockSize;
    Settings.VariantFlags = Choice.VariantFlags;
    PlanContext Context;
    Context.Files = &Files;
    Context.Runs = &Runs;
    Context.Range = NumberRangeOf(Settings);
    Context.MaxMagnitude = LargestMagnitude(Context.Range);
    Context.LiteralSurcharge = Choice.LiteralSurcharge;
    Context.States = Grouped ? GroupedTailCount : 1;
    for (int State = 0; State < Context.States; State++)
        Context.Tails[State] = Grouped ? State : Choice.FixedTail;
    Context.EndNode = (int32_t)Runs.size() + 1;
    return Context;
}

int32_t CommandPlan::BestEndState() const
{
    size_t End = Nodes.size() - States;
    int32_t Best = 0;
    for (int32_t State = 1; State < States; State++)
        if (Nodes[End + State].Cost < Nodes[End + Best].Cost)
            Best = State;
    return Best;
}

CommandPlan MakePlan(const DeltaFiles& Files, const std::vector<ExactRun>& Runs, const PlanChoice& Choice,
                     const DeltaSettings& Settings)
{
    DeltaSettings Chosen = Settings;
    CommandPlan Plan;
    Plan.Choice = Choice;
    PlanContext Context = MakeContext(Files, Runs, Choice, Chosen);
    Plan.States = Context.States;
    ShortestPath(Context, Plan.Nodes);
    return Plan;
}

std::vector<DeltaCommand> EmitPlan(const DeltaFiles& Files, const std::vector<ExactRun>& Runs,
                                   const CommandPlan& Plan, DeltaSettings& Settings)
{
    PlanContext Context = MakeContext(Files, Runs, Plan.Choice, Settings);
    std::vector<std::pair<int32_t, int32_t>> Path; // the nodes of the cheapest way, each with its state
    for (int32_t Node = Context.EndNode, State = Plan.BestEndState(); Node >= 0;) {
        Path.emplace_back(Node, State);
        const PlanNode& Here = Plan.Nodes[(size_t)Node * Plan.States + State];
        State = Here.FromState;
        Node = Here.From;
    }
    std::reverse(Path.begin(), Path.end());
    Emitter Out;
    Out.Files = &Files;
    Out.LengthReuse = Settings.LengthReuse;
    Out.Commands.reserve(2 * Path.size());
    for (size_t Step = 0; Step + 1 < Path.size(); Step++) {
        auto [From, State] = Path[Step];
        int32_t To = Path[Step + 1].first;
        int32_t Shift = Plan.Nodes[(size_t)From * Plan.States + State].Shift;
        PlanLink Link;
        LinkTo(Context, StartOf(Context, From, Shift), Context.Tails[State], To, Link);
        if (From > 0)
            EmitCopy(Out, Runs[From - 1], Shift, Link);
        if (Link.Literal > 0)
            EmitLiteral(Out, Link.TailEnd, Link.Literal, Settings.BlockSize);
    }
    return std::move(Out.Commands);
}
