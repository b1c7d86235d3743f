// Gathers the output in a fixed buffer before writing it, and reads back any part of it.
#include <algorithm>
#include <cstring>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "delta/decoder_io.h"
#include "platform/platform.h"

void ResetOutput()
{
    State.Decoder.OutputFill = 0;
    State.Decoder.OutputFlushed = 0;
}

int32_t OutputSize()
{
    return State.Decoder.OutputFlushed + State.Decoder.OutputFill;
}

// Reads of the output move the file position, so every write says where it goes.
bool FlushOutput()
{
    DecoderState& Decoder = State.Decoder;
    if (Decoder.OutputFill == 0)
        return true;
    PlatformSeek(State.OutputFile, Decoder.OutputFlushed);
    if (!WriteBlock(State.OutputFile, Decoder.OutputBuffer, Decoder.OutputFill))
        return false;
    Decoder.OutputFlushed += Decoder.OutputFill;
    Decoder.OutputFill = 0;
    return true;
}

// The output never grows past the largest size a file position can express.
int32_t OutputRoom()
{
    if (State.Decoder.OutputFill == OutputBufferSize && !FlushOutput())
        return 0;
    return std::min(OutputBufferSize - State.Decoder.OutputFill, INT32_MAX - OutputSize());
}

uint8_t* OutputEnd()
{
    return State.Decoder.OutputBuffer + State.Decoder.OutputFill;
}

void CommitOutput(int32_t Count)
{
    State.Decoder.OutputFill += Count;
}

bool AppendOutput(const uint8_t* Bytes, int32_t Count)
{
    while (Count > 0) {
        int32_t Piece = std::min(Count, OutputRoom());
        if (Piece == 0)
            return false;
        std::memcpy(OutputEnd(), Bytes, Piece);
        CommitOutput(Piece);
        Bytes += Piece;
        Count -= Piece;
    }
    return true;
}

// Like a read of the file itself: an empty read succeeds at any position but a negative one.
bool ReadOutput(int32_t Offset, uint8_t* Into, int32_t Count)
{
    const DecoderState& Decoder = State.Decoder;
    if (Offset < 0)
        return false;
    if (Count <= 0)
        return true;
    if (Count > OutputSize() - Offset)
        return false;
    int32_t FromFile = std::clamp(Decoder.OutputFlushed - Offset, 0, Count);
    if (FromFile > 0 && !ReadThroughCache(State.OutputFile, SlotsOf(State.Decoder.OutputCache), Decoder.OutputFlushed, Offset,
                                          Into, FromFile))
        return false;
    std::memcpy(Into + FromFile, Decoder.OutputBuffer + (Offset + FromFile - Decoder.OutputFlushed),
                Count - FromFile);
    return true;
}
