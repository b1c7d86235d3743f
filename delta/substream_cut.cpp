// Cuts one variant's five sub-streams out of the payload into temporary files of their own.
#include <algorithm>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "delta/substreams.h"
#include "platform/platform.h"

// The payload is moved in pieces of this size; the files made do not depend on it.
constexpr int32_t CutPiece = 65536;

enum class CutResult { Done, FileFailed, PayloadShort };

// A file that fails is closed before the failure is reported, so no handle outlives the run.
static CutResult CopyPayloadToFile(int32_t Length, FileObject& File, const std::string& Name)
{
    if (!PlatformCreate(File, Name)) {
        PlatformTakeError();
        return CutResult::FileFailed;
    }
    uint8_t Buffer[CutPiece];
    for (int32_t Left = Length; Left > 0; Left -= CutPiece) {
        int32_t Piece = std::min(Left, CutPiece);
        if (!ReadBlock(State.PayloadBuffer, Buffer, Piece)) {
            PlatformClose(File);
            return CutResult::PayloadShort;
        }
        if (!WriteBlock(File, Buffer, Piece)) {
            PlatformClose(File);
            return CutResult::FileFailed;
        }
    }
    PlatformClose(File);
    if (PlatformOpenRead(File, Name))
        return CutResult::Done;
    PlatformTakeError();
    return CutResult::FileFailed;
}

bool ExtractSubStream(int32_t Length, FileObject& File, const std::string& Name)
{
    CutResult Result = CopyPayloadToFile(Length, File, Name);
    if (Result == CutResult::PayloadShort)
        AbortWithMessage(0);
    return Result == CutResult::Done;
}

// The files are flagged open only once all five exist, so a failure while cutting leaves the
// ones already made in the temporary directory; they are closed, though, so that nothing holds
// them.
void CutSubStreams(int32_t DeltaPosition, const int32_t* StreamLengths)
{
    PlatformSeek(State.PayloadBuffer, DeltaPosition);
    for (int I = 0; I < SubStreamCount; I++) {
        CutResult Result = CopyPayloadToFile(StreamLengths[I], State.SubStreamFiles[I], MakeTempName());
        if (Result != CutResult::Done) {
            for (int Made = 0; Made < I; Made++)
                PlatformClose(State.SubStreamFiles[Made]);
            AbortWithMessage(Result == CutResult::PayloadShort ? 0 : 7);
        }
    }
    State.SubStreamsOpen = true;
    for (BitReaderState& Bits : State.Decoder.Bits)
        Bits.Counter = 0;
    for (int I = 0; I < SubStreamCount; I++) {
        SubStreamReaderState& Reader = State.Decoder.Streams[I];
        Reader.Next = 0;
        Reader.End = 0;
        Reader.FileLeft = std::max(StreamLengths[I], 0);
    }
}
