// The literal command: bytes of sub-stream 3 in pieces, each taken plain or added to the source.
#include <algorithm>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "delta/decoder_io.h"
#include "delta/substreams.h"

// The last piece takes a remainder of up to twice the block size whole rather than leave a short
// piece behind. A block size of 0 gives empty pieces that never finish the literal.
static int32_t PieceSize(int32_t Left, int32_t BlockSize)
{
    if (BlockSize <= Left && Left < 2 * BlockSize)
        return Left;
    return std::min(BlockSize, Left);
}

// The add source starts right after the most recent copy's tail and does not move on between
// literals. The most negative value has no positive size and makes no piece.
void RunLiteralCommand(int32_t Value)
{
    DecoderState& Decoder = State.Decoder;
    const int32_t Total = (int32_t)(0u - (uint32_t)Value);
    const int32_t SourceStart =
        AddWrapped(AddWrapped(Decoder.CopyPosition, Decoder.CopyLength), Decoder.DeltaLength);
    for (int32_t Done = 0; Done < Total; Done += Decoder.BlockSize) {
        const int32_t Left = Total - Done;
        const int32_t Piece = PieceSize(Left, Decoder.BlockSize);
        if (!TakeSubStreamBytes(LiteralStream, Decoder.DataHalf, Piece))
            AbortWithMessage(3);
        if (ReadBit(PieceBits) == 0) {
            ReadSourceHalf(AddWrapped(SourceStart, Done), Piece);
            AddSourceHalf(Piece);
        }
        if (!AppendOutput(Decoder.DataHalf, Piece))
            AbortWithMessage(1);
        if (Piece == Left)
            return;
    }
}
