// Reads the combined source, the old file followed by the output so far, and copies from it.
#include <algorithm>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "delta/decoder_io.h"
#include "delta/reconstruct.h"
#include "platform/platform.h"

// A copy from the output reads each piece of up to this many bytes before it writes it, so it
// needs that many bytes already produced from its start on.
constexpr int32_t OutputCopyReach = 1000;

bool ReadOldFile(int32_t Position, uint8_t* Into, int32_t Count)
{
    return ReadThroughCache(State.SourceFile, SlotsOf(State.Decoder.OldCache), State.Decoder.BaseSize, Position, Into, Count);
}

// A range running past the end of the old file fails and never continues into the output.
static bool CopyFromOldFile(int32_t Position, int32_t Count)
{
    while (Count > 0) {
        int32_t Piece = std::min(Count, OutputRoom());
        if (Piece == 0 || !ReadOldFile(Position, OutputEnd(), Piece))
            return false;
        CommitOutput(Piece);
        Position = AddWrapped(Position, Piece);
        Count -= Piece;
    }
    return true;
}

// Every byte comes from Distance bytes before it, so a range that overlaps what it produces
// repeats periodically; pieces never reach past the bytes that exist when they are read.
static bool CopyFromOutput(int32_t Offset, int32_t Count)
{
    const int32_t Distance = OutputSize() - Offset;
    if (std::min(Count, OutputCopyReach) > Distance)
        return false;
    while (Count > 0) {
        int32_t Piece = std::min({Count, OutputRoom(), Distance});
        if (Piece == 0 || !ReadOutput(OutputSize() - Distance, OutputEnd(), Piece))
            return false;
        CommitOutput(Piece);
        Count -= Piece;
    }
    return true;
}

bool CopyFromSource(int32_t Position, int32_t Count)
{
    if (Count <= 0)
        return true;
    if (Position < State.Decoder.BaseSize)
        return CopyFromOldFile(Position, Count);
    return CopyFromOutput(Position - State.Decoder.BaseSize, Count);
}

void ReadSourceHalf(int32_t Position, int32_t Count)
{
    DecoderState& Decoder = State.Decoder;
    if (Decoder.CopyPosition < Decoder.BaseSize) {
        if (!ReadOldFile(Position, Decoder.SourceHalf, Count))
            AbortWithMessage(2);
        return;
    }
    int64_t Offset = (int64_t)Position - Decoder.BaseSize;
    if (Offset < 0 || !ReadOutput((int32_t)Offset, Decoder.SourceHalf, Count))
        AbortWithMessage(0);
}

void AddSourceHalf(int32_t Count)
{
    DecoderState& Decoder = State.Decoder;
    for (int32_t I = 0; I < Count; I++)
        Decoder.DataHalf[I] = (uint8_t)(Decoder.DataHalf[I] + Decoder.SourceHalf[I]);
}
