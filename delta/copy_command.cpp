// The copy command: a range of the combined source, then the tail bytes with their differences.
#include "container/patch_block.h"
#include "core/applier_state.h"
#include "delta/decoder_io.h"
#include "delta/reconstruct.h"
#include "delta/substreams.h"

// The offset counts from the end of the previous copy's exact range, its tail not included.
// A tail length byte is read only when the reuse counter stands at exactly 0.
void RunCopyCommand(int32_t Length)
{
    DecoderState& Decoder = State.Decoder;
    int32_t Offset = ReadNumber();
    int32_t Position = AddWrapped(AddWrapped(Decoder.CopyPosition, Offset), Decoder.CopyLength);
    if (Decoder.ReuseCounter == 0) {
        Decoder.DeltaLength = ReadCommandByte();
        Decoder.ReuseCounter = Decoder.LengthReuse;
    }
    Decoder.ReuseCounter = AddWrapped(Decoder.ReuseCounter, -1);
    Decoder.CopyLength = Length;
    Decoder.CopyPosition = Position;
    if (!CopyFromSource(Position, Length))
        AbortWithMessage(1);
    if (Decoder.DeltaLength == 0)
        return;
    // The source is read even when the tail is taken plain: a source too short still fails.
    ReadSourceHalf(AddWrapped(Position, Length), Decoder.DeltaLength);
    if (!TakeSubStreamBytes(TailStream, Decoder.DataHalf, Decoder.DeltaLength))
        AbortWithMessage(3);
    if (Decoder.AddDeltas)
        AddSourceHalf(Decoder.DeltaLength);
    if (!AppendOutput(Decoder.DataHalf, Decoder.DeltaLength))
        AbortWithMessage(1);
}
