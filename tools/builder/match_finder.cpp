// Walks the new file once: follows the current diagonal across small differences, and where it
// breaks looks for a new one among recent diagonals, the old file's suffix array and earlier
// unmatched new bytes.
#include "tools/builder/match_finder.h"

#include <cstring>

constexpr int32_t MinMatch = GramLength;  // shortest exact match that opens a segment
constexpr int32_t ResumeWindow = 32;      // how far past a difference the diagonal may resume
constexpr int32_t ResumeLength = 4;       // equal bytes that count as resuming
constexpr int32_t ConfidentRun = 48;      // a resumed run this long is not second-guessed
constexpr int32_t SwitchMargin = 3;       // how much better another match must be to leave a diagonal
constexpr int32_t PreferMargin = 8;       // how much longer a far match must be than a recent diagonal
constexpr int32_t BackwardLimit = 1024;   // how far a new segment may reach back over unmatched bytes
constexpr int32_t ForwardLimit = 2048;     // how far a diagonal may reach over mostly equal bytes
constexpr int32_t ForwardMargin = 8;      // equal bytes that such a reach must gain over differing ones
constexpr int32_t ExtensionStop = 16;    // an exact match elsewhere this long ends such a reach
constexpr int32_t ShortSeed = 5;          // a shorter exact match opens a segment only when
constexpr int32_t SeedWindow = 32;        // this many bytes on its diagonal are mostly equal:
constexpr int32_t SeedScore = 24;         // at least this many (tables whose every entry changed)
constexpr int RecentCount = 4;

struct FinderState {
    const DeltaFiles* Files = nullptr;
    const SuffixIndex* Index = nullptr;
    std::vector<int32_t> OutputTable;   // hash of eight unmatched new bytes -> their position + 1
    int OutputHashBits = 0;
    int64_t Recent[RecentCount] = {};   // diagonals used lately, most recent first
    int RecentUsed = 0;
    std::vector<MatchSegment> Segments;
};

static int32_t ExactRun(const FinderState& State, int64_t Diagonal, int32_t Pos)
{
    int32_t Available = SourceAvailable(*State.Files, Diagonal, Pos);
    if (Available <= 0)
        return 0;
    return CommonLength(State.Files->New + Pos, SourceBytes(*State.Files, Diagonal, Pos), Available);
}

static bool SameByte(const FinderState& State, int64_t Diagonal, int32_t Pos)
{
    return SourceAvailable(*State.Files, Diagonal, Pos) > 0 &&
           State.Files->New[Pos] == *SourceBytes(*State.Files, Diagonal, Pos);
}

// Equal bytes on the diagonal among the Length new bytes from Pos on.
static int32_t DiagonalScore(const FinderState& State, int64_t Diagonal, int32_t Pos, int32_t Length)
{
    int32_t Available = std::min(Length, SourceAvailable(*State.Files, Diagonal, Pos));
    if (Available <= 0)
        return 0;
    const uint8_t* New = State.Files->New + Pos;
    const uint8_t* Source = SourceBytes(*State.Files, Diagonal, Pos);
    int32_t Score = 0;
    for (int32_t Index = 0; Index < Available; Index++)
        Score += New[Index] == Source[Index];
    return Score;
}

// First position after Pos, within the resume window, where the diagonal has ResumeLength equal
// bytes again; -1 when there is none.
static int32_t FindResume(const FinderState& State, int64_t Diagonal, int32_t Pos)
{
    int32_t Last = std::min(Pos + ResumeWindow, State.Files->NewSize - ResumeLength);
    for (int32_t Next = Pos + 1; Next <= Last; Next++) {
        if (SourceAvailable(*State.Files, Diagonal, Next) < ResumeLength)
            return -1;
        if (!std::memcmp(State.Files->New + Next, SourceBytes(*State.Files, Diagonal, Next), ResumeLength))
            return Next;
    }
    return -1;
}

static void NoteRecent(FinderState& State, int64_t Diagonal)
{
    int Slot = 0;
    while (Slot < State.RecentUsed && State.Recent[Slot] != Diagonal)
        Slot++;
    if (Slot == RecentCount)
        Slot--;
    else if (Slot == State.RecentUsed)
        State.RecentUsed++;
    for (; Slot > 0; Slot--)
        State.Recent[Slot] = State.Recent[Slot - 1];
    State.Recent[0] = Diagonal;
}

// The longest match in the old file for the bytes at Pos; 0 when shorter than Least.
static int32_t LongestOldMatch(const FinderState& State, int32_t Pos, int32_t Least, int64_t& Diagonal)
{
    const DeltaFiles& Files = *State.Files;
    int32_t OldPos = 0;
    if (FindLongestMatch(*State.Index, Files.New + Pos, Files.NewSize - Pos, OldPos) < Least)
        return 0;
    Diagonal = (int64_t)OldPos - Pos;
    int32_t Length = ExactRun(State, Diagonal, Pos); // stops short of hidden bytes
    return Length < Least ? 0 : Length;
}

// The longest match in the old file for the bytes at Pos; 0 when shorter than MinMatch.
static int32_t SearchOld(const FinderState& State, int32_t Pos, int64_t& Diagonal)
{
    const DeltaFiles& Files = *State.Files;
    if (Files.NewSize - Pos < MinMatch || !MayContainGram(*State.Index, Files.New + Pos))
        return 0;
    return LongestOldMatch(State, Pos, MinMatch, Diagonal);
}

// A short match in the old file for the bytes at Pos whose diagonal goes on agreeing with most
// of the bytes after it; 0 when there is none.
static int32_t SearchOldSeed(const FinderState& State, int32_t Pos, int64_t& Diagonal)
{
    if (State.Files->NewSize - Pos < SeedWindow)
        return 0;
    int32_t Length = LongestOldMatch(State, Pos, ShortSeed, Diagonal);
    return Length > 0 && DiagonalScore(State, Diagonal, Pos, SeedWindow) >= SeedScore ? Length : 0;
}

// The earlier occurrence in the output of the bytes at Pos, if unmatched bytes were seen there.
static int32_t SearchOutput(const FinderState& State, int32_t Pos, int64_t& Diagonal)
{
    const DeltaFiles& Files = *State.Files;
    if (Files.NewSize - Pos < MinMatch)
        return 0;
    int32_t Earlier = State.OutputTable[GramHash(Files.New + Pos, State.OutputHashBits)] - 1;
    if (Earlier < 0 || Pos - Earlier < MinOutputDistance)
        return 0;
    Diagonal = (int64_t)Files.OldSize + Earlier - Pos;
    return ExactRun(State, Diagonal, Pos);
}

// The best place to continue from for the unmatched bytes at Pos: a recent diagonal unless a
// far match is clearly longer. Returns the exact length, 0 when nothing reaches MinMatch.
static int32_t BestCandidate(const FinderState& State, int32_t Pos, int64_t& Diagonal)
{
    int32_t Best = 0;
    for (int Slot = 0; Slot < State.RecentUsed; Slot++) {
        int32_t Length = ExactRun(State, State.Recent[Slot], Pos);
        if (Length > Best) {
            Best = Length;
            Diagonal = State.Recent[Slot];
        }
    }
    int64_t Found = 0;
    int32_t Length = SearchOld(State, Pos, Found);
    if (Length > Best + PreferMargin) {
        Best = Length;
        Diagonal = Found;
    }
    Length = SearchOutput(State, Pos, Found);
    if (Length > Best + PreferMargin) {
        Best = Length;
        Diagonal = Found;
    }
    if (Best >= MinMatch)
        return Best;
    Length = SearchOldSeed(State, Pos, Found);
    if (Length > 0)
        Diagonal = Found;
    return Length;
}

// Where a segment that matches exactly from Pos on should start: reaching back over unmatched
// bytes (not before Floor) while the diagonal agrees with more of them than not.
static int32_t ExtendBackward(const FinderState& State, int64_t Diagonal, int32_t Pos, int32_t Floor)
{
    int32_t Score = 0, BestScore = 0, Start = Pos;
    for (int32_t Back = Pos - 1; Back >= std::max(Floor, Pos - BackwardLimit); Back--) {
        if (SourceAvailable(*State.Files, Diagonal, Back) <= 0)
            break;
        Score += SameByte(State, Diagonal, Back) ? 1 : -1;
        if (Score > BestScore) {
            BestScore = Score;
            Start = Back;
        }
    }
    return Start;
}

// Where the diagonal, broken at Pos, can be followed on because more of the bytes ahead are
// equal than differ: the end of the equal byte that leaves the most ahead; -1 when none does.
static int32_t ExtendForward(const FinderState& State, int64_t Diagonal, int32_t Pos)
{
    int32_t Reach = std::min(SourceAvailable(*State.Files, Diagonal, Pos), ForwardLimit);
    int32_t Score = 0, BestScore = ForwardMargin - 1, End = -1;
    for (int32_t Ahead = 0; Ahead < Reach; Ahead++) {
        bool Same = SameByte(State, Diagonal, Pos + Ahead);
        int64_t Other = 0;
        if (!Same && SearchOld(State, Pos + Ahead, Other) >= ExtensionStop)
            break;
        Score += Same ? 1 : -1;
        if (Score > BestScore) {
            BestScore = Score;
            End = Pos + Ahead + 1;
        }
    }
    return End;
}

// Follows one diagonal from the exact match at Start across small differences. Returns the end
// of its last equal byte and leaves in Pos where the walk stopped: there the diagonal broke, or
// another diagonal (in Next) is clearly better.
static int32_t FollowDiagonal(FinderState& State, int64_t Diagonal, int32_t Start, int64_t& Next, bool& Switch)
{
    int32_t Pos = Start;
    Switch = false;
    for (;;) {
        Pos += ExactRun(State, Diagonal, Pos);
        if (Pos == State.Files->NewSize)
            return Pos;
        int32_t Resume = FindResume(State, Diagonal, Pos);
        if (Resume < 0) {
            int32_t Reach = ExtendForward(State, Diagonal, Pos);
            if (Reach < 0)
                return Pos;
            Pos = Reach;
            continue;
        }
        if (ExactRun(State, Diagonal, Resume) < ConfidentRun) {
            int64_t Other = 0;
            int32_t Length = SearchOld(State, Pos, Other);
            if (Other != Diagonal && Length > DiagonalScore(State, Diagonal, Pos, Length) + SwitchMargin) {
                Next = Other;
                Switch = true;
                return Pos;
            }
        }
        Pos = Resume;
    }
}

std::vector<MatchSegment> FindSegments(const DeltaFiles& Files, const SuffixIndex& OldIndex, int32_t Begin)
{
    FinderState State;
    State.Files = &Files;
    State.Index = &OldIndex;
    State.OutputHashBits = TableBits(Files.NewSize / 8, 10, 20);
    State.OutputTable.assign((size_t)1 << State.OutputHashBits, 0);
    int32_t Pos = Begin;
    int32_t LastEnd = Begin;
    while (Pos < Files.NewSize) {
        int64_t Diagonal = 0;
        if (!BestCandidate(State, Pos, Diagonal)) {
            if (Files.NewSize - Pos >= MinMatch)
                State.OutputTable[GramHash(Files.New + Pos, State.OutputHashBits)] = Pos + 1;
            Pos++;
            continue;
        }
        bool Switch = true;
        int32_t Start = ExtendBackward(State, Diagonal, Pos, LastEnd);
        while (Switch) {
            NoteRecent(State, Diagonal);
            int64_t Next = 0;
            int32_t End = FollowDiagonal(State, Diagonal, Pos, Next, Switch);
            State.Segments.push_back({Start, End, Diagonal});
            Start = Pos = LastEnd = End;
            Diagonal = Next;
        }
    }
    return State.Segments;
}
