// Chooses which exact runs become copy commands, how long their tails are and which bytes
// become literals, by a shortest path whose edge weights are the coded bits; then writes the
// chosen path out as commands.
#include "tools/builder/command_planner.h"

#include <algorithm>
#include <cstdlib>

#include "tools/builder/command_cost.h"

constexpr int32_t MinRunLength = 2;      // shorter exact runs are never worth a copy command
constexpr int32_t SuccessorWindow = 12;  // runs a copy may skip over to reach the next copy
constexpr int32_t MaxTail = 255;
constexpr uint16_t SharedReuse = 65535;
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
    int32_t FixedTail = -1;
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

static bool CopiesFromOld(const DeltaFiles& Files, const ExactRun& Run)
{
    return Run.Start + Run.Diagonal < Files.OldSize;
}

// The tail of the copy of From: its length and the cut that keeps it inside the old file and
// the new file. False when no valid tail is left.
static bool ChooseTail(const PlanContext& Context, const ExactRun& From, int32_t FromShift, int32_t NextStart,
                       bool ToEnd, PlanLink& Link)
{
    const DeltaFiles& Files = *Context.Files;
    int32_t ExactEnd = From.Start + From.Length;
    int64_t Room = CopiesFromOld(Files, From) ? Files.OldSize - (ExactEnd + From.Diagonal) : MaxTail;
    if (Context.FixedTail < 0) {
        Link.Tail = (int32_t)std::min<int64_t>({MaxTail, Room, NextStart - ExactEnd});
        return true;
    }
    Link.Tail = Context.FixedTail;
    Link.Cut = (int32_t)std::max<int64_t>(0, Link.Tail - Room);
    if (ToEnd)
        Link.Cut = std::max(Link.Cut, Link.Tail - (Files.NewSize - ExactEnd));
    return From.Length - FromShift - Link.Cut >= 1;
}

static bool MakeLink(const PlanContext& Context, int32_t From, int32_t FromShift, int32_t To, PlanLink& Link)
{
    const std::vector<ExactRun>& Runs = *Context.Runs;
    bool ToEnd = To == Context.EndNode;
    int32_t NextStart = ToEnd ? Context.Files->NewSize : Runs[To - 1].Start;
    int32_t ExactEnd = 0;
    int64_t SourceEnd = 0;
    Link = PlanLink();
    if (From > 0) {
        const ExactRun& Run = Runs[From - 1];
        if (!ChooseTail(Context, Run, FromShift, NextStart, ToEnd, Link))
            return false;
        ExactEnd = Run.Start + Run.Length - Link.Cut;
        SourceEnd = ExactEnd + Run.Diagonal;
    }
    Link.TailEnd = ExactEnd + Link.Tail;
    Link.Cost = 8 * Link.Tail;
    if (Link.TailEnd <= NextStart) {
        Link.Literal = NextStart - Link.TailEnd;
    } else {
        Link.Shift = Link.TailEnd - NextStart;
        if (Runs[To - 1].Length - Link.Shift < 1)
            return false;
    }
    if (Link.Literal > 0)
        Link.Cost += NumberCostBits(-Link.Literal, Context.Range) + 8 * (int64_t)Link.Literal +
                     LiteralPieceCount(Link.Literal, PlanBlockSize);
    if (ToEnd)
        return true;
    const ExactRun& Next = Runs[To - 1];
    int64_t Offset = Next.Start + Link.Shift + Next.Diagonal - SourceEnd;
    if (std::llabs(Offset) > Context.MaxMagnitude)
        return false;
    Link.Cost += NumberCostBits(Next.Length - Link.Shift, Context.Range) + NumberCostBits(Offset, Context.Range);
    if (Context.FixedTail < 0)
        Link.Cost += 8; // its own tail-length byte
    return true;
}

static void Relax(const PlanContext& Context, std::vector<PlanNode>& Nodes, int32_t From, int32_t To)
{
    PlanLink Link;
    if (!MakeLink(Context, From, Nodes[From].Shift, To, Link))
        return;
    int64_t Cost = Nodes[From].Cost + Link.Cost;
    if (Cost < Nodes[To].Cost)
        Nodes[To] = {Cost, From, Link.Shift};
}

// Cheapest ways from the start to every node.
static void ShortestPath(const PlanContext& Context, std::vector<PlanNode>& Nodes)
{
    Nodes.assign(Context.EndNode + 1, PlanNode());
    Nodes[0].Cost = 0;
    for (int32_t From = 0; From < Context.EndNode; From++) {
        if (Nodes[From].Cost == INT64_MAX)
            continue;
        for (int32_t To = From + 1; To < Context.EndNode && To <= From + SuccessorWindow; To++)
            Relax(Context, Nodes, From, To);
        Relax(Context, Nodes, From, Context.EndNode);
    }
}

// Whether the decoder can read Count source bytes at Pos while OutputLength bytes are written,
// after a copy that started at CopyPosition.
static bool SourceReadable(const DeltaFiles& Files, int64_t CopyPosition, int64_t Pos, int64_t Count, int64_t OutputLength)
{
    if (CopyPosition < Files.OldSize)
        return Pos >= 0 && Pos + Count <= Files.OldSize;
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
    return 4 * Equal >= Count;
}

// The commands being written and the decoder state that they leave.
struct Emitter {
    const DeltaFiles* Files = nullptr;
    std::vector<DeltaCommand> Commands;
    int64_t CopyPosition = 0;
    int64_t CopyEnd = 0;     // CopyPosition plus the copy's length
    int32_t Tail = 0;
};

static void EmitCopy(Emitter& Out, const ExactRun& Run, int32_t Shift, const PlanLink& Link)
{
    const DeltaFiles& Files = *Out.Files;
    DeltaCommand Copy;
    Copy.Kind = CommandKind::Copy;
    int32_t Start = Run.Start + Shift;
    int64_t Source = Start + Run.Diagonal;
    Copy.Length = Run.Length - Shift - Link.Cut;
    Copy.Offset = (int32_t)(Source - Out.CopyEnd);
    int32_t ExactEnd = Start + Copy.Length;
    const uint8_t* SourceTail = CombinedBytes(Files, Source + Copy.Length);
    for (int32_t Index = 0; Index < Link.Tail; Index++)
        Copy.Tail.push_back((uint8_t)(Files.New[ExactEnd + Index] - SourceTail[Index]));
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
    Settings.LengthReuse = Choice.FixedTail < 0 ? 1 : SharedReuse;
    Settings.BlockSize = PlanBlockSize;
    Settings.VariantFlags = Choice.VariantFlags;
    PlanContext Context;
    Context.Files = &Files;
    Context.Runs = &Runs;
    Context.Range = NumberRangeOf(Settings);
    Context.MaxMagnitude = LargestMagnitude(Context.Range);
    Context.FixedTail = Choice.FixedTail;
    Context.EndNode = (int32_t)Runs.size() + 1;
    return Context;
}

CommandPlan MakePlan(const DeltaFiles& Files, const std::vector<ExactRun>& Runs, const PlanChoice& Choice,
                     const DeltaSettings& Settings)
{
    DeltaSettings Chosen = Settings;
    CommandPlan Plan;
    Plan.Choice = Choice;
    ShortestPath(MakeContext(Files, Runs, Choice, Chosen), Plan.Nodes);
    return Plan;
}

std::vector<DeltaCommand> EmitPlan(const DeltaFiles& Files, const std::vector<ExactRun>& Runs,
                                   const CommandPlan& Plan, DeltaSettings& Settings)
{
    PlanContext Context = MakeContext(Files, Runs, Plan.Choice, Settings);
    const std::vector<PlanNode>& Nodes = Plan.Nodes;
    std::vector<int32_t> Path;
    for (int32_t Node = Context.EndNode; Node >= 0; Node = Nodes[Node].From)
        Path.push_back(Node);
    std::reverse(Path.begin(), Path.end());
    Emitter Out;
    Out.Files = &Files;
    for (size_t Step = 0; Step + 1 < Path.size(); Step++) {
        int32_t From = Path[Step], To = Path[Step + 1];
        PlanLink Link;
        MakeLink(Context, From, Nodes[From].Shift, To, Link);
        if (From > 0)
            EmitCopy(Out, Runs[From - 1], Nodes[From].Shift, Link);
        if (Link.Literal > 0)
            EmitLiteral(Out, Link.TailEnd, Link.Literal, Settings.BlockSize);
    }
    return Out.Commands;
}
