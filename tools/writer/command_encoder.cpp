// Codes an explicit list of delta commands into the five sub-streams of one variant, mirroring
// the order in which the decoder reads them.
#include "tools/writer/command_encoder.h"

#include <algorithm>

constexpr int NumberStream = 0;
constexpr int PieceBitStream = 1;
constexpr int SignBitStream = 2;
constexpr int LiteralStream = 3;
constexpr int TailStream = 4;

// What the encoder must track to put every bit and byte where the decoder will look for it.
struct EncoderState {
    EncodedDelta* Out = nullptr;
    int32_t Range = 0;
    int BitsUsed[SubStreamCount] = {}; // bits used in the last byte of a bit stream, 0 = none
    int32_t DeltaLength = 0;
    int32_t ReuseCounter = 0;
    uint16_t LengthReuse = 0;
    uint8_t BlockSize = 0;
};

int32_t NumberRangeOf(const DeltaSettings& Settings)
{
    if (Settings.VariantFlags & 0x01)
        return (int32_t)((uint32_t)Settings.BaseSize + (uint32_t)Settings.ResultSize);
    return std::max(Settings.BaseSize, Settings.ResultSize);
}

std::vector<int32_t> LiteralPieceSizes(int32_t Total, int32_t BlockSize)
{
    std::vector<int32_t> Pieces;
    if (BlockSize <= 0)
        return Pieces;
    for (int32_t Left = Total; Left > 0;) {
        int32_t Piece = Left < 2 * BlockSize ? Left : BlockSize;
        Pieces.push_back(Piece);
        Left -= Piece;
    }
    return Pieces;
}

static void PutBit(EncoderState& Encoder, int Stream, bool Bit)
{
    std::vector<uint8_t>& Bytes = Encoder.Out->SubStreams[Stream];
    int& Used = Encoder.BitsUsed[Stream];
    if (Used == 0)
        Bytes.push_back(0);
    if (Bit)
        Bytes.back() |= (uint8_t)(1 << Used);
    Used = (Used + 1) % 8;
}

static void PutBytes(EncoderState& Encoder, int Stream, const std::vector<uint8_t>& Bytes)
{
    std::vector<uint8_t>& To = Encoder.Out->SubStreams[Stream];
    To.insert(To.end(), Bytes.begin(), Bytes.end());
}

static int WidthAllowed(int32_t Range)
{
    return Range > 16777215 ? 4 : Range > 65535 ? 3 : Range > 255 ? 2 : 1;
}

static int WidthNeeded(uint32_t Magnitude)
{
    return Magnitude > 0xFFFFFF ? 4 : Magnitude > 0xFFFF ? 3 : Magnitude > 0xFF ? 2 : 1;
}

// Sign and first continuation bit go to sub-stream 2, the second and third to sub-stream 1, the
// bytes most significant first to sub-stream 0; after each byte a continuation bit says whether
// another follows, unless the range allows no further byte.
static bool PutNumber(EncoderState& Encoder, int32_t Value, std::string& Error)
{
    uint32_t Magnitude = Value < 0 ? 0u - (uint32_t)Value : (uint32_t)Value;
    int Width = WidthNeeded(Magnitude);
    int Allowed = WidthAllowed(Encoder.Range);
    if (Width > Allowed) {
        Error = "the number " + std::to_string(Value) + " needs more bytes than the number range " +
                std::to_string(Encoder.Range) + " allows";
        return false;
    }
    PutBit(Encoder, SignBitStream, Value < 0);
    for (int Byte = 0; Byte < Width; Byte++) {
        Encoder.Out->SubStreams[NumberStream].push_back((uint8_t)(Magnitude >> (8 * (Width - 1 - Byte))));
        if (Byte + 1 < Allowed)
            PutBit(Encoder, Byte == 0 ? SignBitStream : PieceBitStream, Byte + 1 < Width);
    }
    return true;
}

// A tail length byte is due exactly when the reuse counter stands at 0; otherwise the tail must
// have the length already in force.
static bool PutCopy(EncoderState& Encoder, const DeltaCommand& Command, std::string& Error)
{
    if (Command.Length <= 0) {
        Error = "a copy of " + std::to_string(Command.Length) + " bytes";
        return false;
    }
    if (!PutNumber(Encoder, Command.Length, Error) || !PutNumber(Encoder, Command.Offset, Error))
        return false;
    int32_t TailSize = (int32_t)Command.Tail.size();
    if (Encoder.ReuseCounter == 0) {
        if (TailSize > 255) {
            Error = "a tail of " + std::to_string(TailSize) + " bytes";
            return false;
        }
        Encoder.Out->SubStreams[NumberStream].push_back((uint8_t)TailSize);
        Encoder.DeltaLength = TailSize;
        Encoder.ReuseCounter = Encoder.LengthReuse;
    } else if (TailSize != Encoder.DeltaLength) {
        Error = "a tail of " + std::to_string(TailSize) + " bytes where the tail length in force is " +
                std::to_string(Encoder.DeltaLength);
        return false;
    }
    Encoder.ReuseCounter--;
    PutBytes(Encoder, TailStream, Command.Tail);
    return true;
}

static bool PutLiteral(EncoderState& Encoder, const DeltaCommand& Command, std::string& Error)
{
    std::vector<int32_t> Pieces = LiteralPieceSizes(Command.Length, Encoder.BlockSize);
    if (Command.Length <= 0 || Pieces.empty()) {
        Error = "a literal of " + std::to_string(Command.Length) + " bytes with block size " +
                std::to_string(Encoder.BlockSize);
        return false;
    }
    if ((int32_t)Command.Bytes.size() != Command.Length || Command.PlainPieces.size() != Pieces.size()) {
        Error = "a literal of " + std::to_string(Command.Length) + " bytes carries " +
                std::to_string(Command.Bytes.size()) + " bytes and " +
                std::to_string(Command.PlainPieces.size()) + " piece bits for " +
                std::to_string(Pieces.size()) + " pieces";
        return false;
    }
    if (!PutNumber(Encoder, -Command.Length, Error))
        return false;
    PutBytes(Encoder, LiteralStream, Command.Bytes);
    for (bool Plain : Command.PlainPieces)
        PutBit(Encoder, PieceBitStream, Plain);
    return true;
}

static bool PutCommand(EncoderState& Encoder, const DeltaCommand& Command, std::string& Error)
{
    switch (Command.Kind) {
    case CommandKind::Copy:
        return PutCopy(Encoder, Command, Error);
    case CommandKind::Literal:
        return PutLiteral(Encoder, Command, Error);
    case CommandKind::Skip:
        Encoder.ReuseCounter--;
        return PutNumber(Encoder, 0, Error);
    }
    Error = "an unknown command kind";
    return false;
}

bool EncodeCommands(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings,
                    EncodedDelta& Encoded, std::string& Error)
{
    Encoded = EncodedDelta();
    EncoderState Encoder;
    Encoder.Out = &Encoded;
    Encoder.Range = NumberRangeOf(Settings);
    Encoder.LengthReuse = Settings.LengthReuse;
    Encoder.BlockSize = Settings.BlockSize;
    for (size_t I = 0; I < Commands.size(); I++) {
        if (!PutCommand(Encoder, Commands[I], Error)) {
            Error = "command " + std::to_string(I) + ": " + Error;
            return false;
        }
    }
    for (int I = 0; I < SubStreamCount; I++)
        Encoded.StreamLengths[I] = (int32_t)Encoded.SubStreams[I].size();
    return true;
}
