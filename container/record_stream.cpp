// Reads the record stream of patched and embedded files, one record per call.
#include "container/record_stream.h"

#include "container/name_rules.h"
#include "container/patch_block.h"
#include "core/applier_state.h"
#include "core/byte_order.h"
#include "platform/platform.h"

static void ReadFixedBlock()
{
    uint8_t Raw[RecordFixedSize];
    ReadPayload(Raw, RecordFixedSize);
    State.Record.NewCrc = ReadLe32(Raw + 0);
    State.Record.NewSize = (int32_t)ReadLe32(Raw + 4);
    State.Record.NewTime = ReadLe32(Raw + 8);
    State.Record.VariantCount = ReadLe16(Raw + 12);
    State.Record.RecordFlags = Raw[14];
    State.Record.Reserved = Raw[15];
}

// Reads a window pair when the record carries windows; both are 0 otherwise.
static void ReadWindow(int32_t& Start, int32_t& Length)
{
    Start = 0;
    Length = 0;
    if (!(State.Record.RecordFlags & RecordHasWindows))
        return;
    uint8_t Raw[8];
    ReadPayload(Raw, 4);
    ReadPayload(Raw + 4, 4);
    Start = (int32_t)ReadLe32(Raw);
    Length = (int32_t)ReadLe32(Raw + 4);
}

static void ReadSourceVariant(SourceVariant& Variant)
{
    uint8_t Raw[SourceVariantSize];
    ReadPayload(Raw, SourceVariantSize);
    Variant.OldCrc = ReadLe32(Raw + 0);
    Variant.OldSize = (int32_t)ReadLe32(Raw + 4);
    for (int K = 0; K < SubStreamCount; K++)
        Variant.StreamLengths[K] = (int32_t)ReadLe32(Raw + 8 + 4 * K);
    Variant.LengthReuse = ReadLe16(Raw + 28);
    Variant.VariantFlags = Raw[30];
    Variant.BlockSize = Raw[31];
}

// A name that would reach outside the target, or a device, refuses the whole patch.
static std::string ReadFileName()
{
    std::string Name = ReadPayloadString();
    if (!IsAcceptableName(Name))
        AbortWithMessage(0);
    return Name;
}

// Steps over the delta data without reading it. A negative length would move the reader
// backwards, so that a record could point at itself; the sum is kept in 64 bits so that
// huge lengths cannot wrap around either.
static void StepOverDeltaData(const SourceVariant& Variant)
{
    int64_t Position = PlatformFilePosition(State.PayloadBuffer);
    for (int32_t Length : Variant.StreamLengths) {
        if (Length < 0)
            AbortWithMessage(0);
        Position += Length;
    }
    if (Position > INT32_MAX)
        AbortWithMessage(0);
    PlatformSeek(State.PayloadBuffer, (int32_t)Position);
}

static void ReadVariant(int I)
{
    if (State.MultiFileMode) {
        State.VariantNames[I] = ReadPayloadString();
        if (State.VariantNames[I].empty())
            State.VariantNames[I] = State.CurrentFileName;
        else if (!IsAcceptableName(State.VariantNames[I]))
            AbortWithMessage(0);
    }
    ReadSourceVariant(State.Variants[I]);
    ReadWindow(State.VariantWindowStart[I], State.VariantWindowLength[I]);
    State.DeltaPosition[I] = PlatformFilePosition(State.PayloadBuffer);
    StepOverDeltaData(State.Variants[I]);
}

static void ReadPatchedRecord()
{
    State.RecordPath = State.TargetBase;
    ReadFixedBlock();
    if (State.Record.VariantCount > MaxVariants)
        AbortWithMessage(0);
    ReadWindow(State.CrcWindowStart, State.CrcWindowLength);
    State.FileOptional = (State.Record.RecordFlags & RecordOptional) != 0;
    if (State.MultiFileMode) {
        State.CurrentFileName = ReadFileName();
        State.RecordPath = State.TargetBase + "\\" + State.CurrentFileName;
    } else {
        State.CurrentFileName = State.TargetPath;
    }
    for (int I = 0; I < State.Record.VariantCount; I++)
        ReadVariant(I);
}

uint8_t ReadFileRecord()
{
    PlatformTakeError();
    uint8_t Type = RecordPatched;
    if (State.MultiFileMode)
        ReadPayload(&Type, 1);
    if (Type == RecordPatched) {
        ReadPatchedRecord();
    } else if (Type == RecordEmbedded) {
        State.CurrentFileName = ReadFileName();
        State.EmbeddedPath = State.TargetBase + "\\" + State.CurrentFileName;
    } else if (Type != RecordEnd) {
        AbortWithMessage(0);
    }
    return Type;
}
