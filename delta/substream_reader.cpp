// Reads the sub-stream files front to back through a buffer each: bytes, bits and numbers.
#include <algorithm>
#include <cstring>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "delta/substreams.h"

static bool RefillSubStream(SubStreamReaderState& Reader, FileObject& File)
{
    if (Reader.FileLeft <= 0)
        return false;
    int32_t Piece = std::min(Reader.FileLeft, SubStreamBufferSize);
    if (!ReadBlock(File, Reader.Buffer, Piece))
        return false;
    Reader.FileLeft -= Piece;
    Reader.Next = 0;
    Reader.End = Piece;
    return true;
}

bool TakeSubStreamBytes(int Stream, uint8_t* Into, int32_t Count)
{
    SubStreamReaderState& Reader = State.Decoder.Streams[Stream];
    while (Count > 0) {
        if (Reader.Next == Reader.End && !RefillSubStream(Reader, State.SubStreamFiles[Stream]))
            return false;
        int32_t Piece = std::min(Count, Reader.End - Reader.Next);
        std::memcpy(Into, Reader.Buffer + Reader.Next, Piece);
        Reader.Next += Piece;
        Into += Piece;
        Count -= Piece;
    }
    return true;
}

int ReadBit(int Reader)
{
    BitReaderState& Bits = State.Decoder.Bits[Reader];
    int Stream = Reader == PieceBits ? PieceBitStream : SignBitStream;
    if (Bits.Counter == 0 && !TakeSubStreamBytes(Stream, &Bits.Current, 1))
        AbortWithMessage(0);
    int Bit = (Bits.Current >> Bits.Counter) & 1;
    Bits.Counter = (Bits.Counter + 1) % 8;
    return Bit;
}

uint8_t ReadCommandByte()
{
    uint8_t Byte = 0;
    if (!TakeSubStreamBytes(NumberStream, &Byte, 1))
        AbortWithMessage(0);
    State.Decoder.CommandBytesLeft--;
    return Byte;
}

// A continuation bit is read only where the range allows another byte, and only while the
// previous one said more follows; longer codings than needed are accepted.
int32_t ReadNumber()
{
    const int32_t Range = State.Decoder.NumberRange;
    int Negative = ReadBit(SignBits);
    uint32_t Magnitude = ReadCommandByte();
    if (Range > 255 && ReadBit(SignBits)) {
        Magnitude = Magnitude << 8 | ReadCommandByte();
        if (Range > 65535 && ReadBit(PieceBits)) {
            Magnitude = Magnitude << 8 | ReadCommandByte();
            if (Range > 16777215 && ReadBit(PieceBits))
                Magnitude = Magnitude << 8 | ReadCommandByte();
        }
    }
    // Four bytes of 0x80 or more already read as negative; the sign then negates that.
    return (int32_t)(Negative ? 0u - Magnitude : Magnitude);
}
