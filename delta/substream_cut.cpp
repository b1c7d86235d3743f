// Cuts one variant's five sub-streams out of the payload into temporary files of their own.
#include <algorithm>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "delta/substreams.h"
#include "platform/platform.h"

// The payload is moved in pieces of this size (whole pages, one platform call each); the files
// made do not depend on it.
constexpr int32_t CutPiece = 57344;

// A failing file is closed before the failure is reported, so no handle outlives the run.
bool ExtractSubStream(int32_t Length, FileObject& File, const std::string& Name)
{
    if (!PlatformCreate(File, Name)) {
        PlatformTakeError();
        return false;
    }
    uint8_t Buffer[CutPiece];
    for (int32_t Left = Length; Left > 0; Left -= CutPiece) {
        int32_t Piece = std::min(Left, CutPiece);
        if (!ReadBlock(State.PayloadBuffer, Buffer, Piece)) {
            PlatformClose(File);
            AbortWithMessage(0);
        }
        if (!WriteBlock(File, Buffer, Piece)) {
            PlatformClose(File);
            return false;
        }
    }
    PlatformClose(File);
    if (PlatformOpenRead(File, Name))
        return true;
    PlatformTakeError();
    return false;
}

// The files are flagged before the first is made, so that a failure while cutting leaves none
// of them behind; the names of an earlier reconstruction are forgotten first, since they may
// belong to other files by now.
void CutSubStreams(int32_t DeltaPosition, const int32_t* StreamLengths)
{
    for (FileObject& File : State.SubStreamFiles)
        File = FileObject();
    State.SubStreamsOpen = true;
    PlatformSeek(State.PayloadBuffer, DeltaPosition);
    for (int I = 0; I < SubStreamCount; I++)
        if (!ExtractSubStream(StreamLengths[I], State.SubStreamFiles[I], MakeTempName()))
            AbortWithMessage(7);
    for (BitReaderState& Bits : State.Decoder.Bits)
        Bits.Counter = 0;
    for (int I = 0; I < SubStreamCount; I++) {
        SubStreamReaderState& Reader = State.Decoder.Streams[I];
        Reader.Next = 0;
        Reader.End = 0;
        Reader.FileLeft = std::max(StreamLengths[I], 0);
    }
}
