// Rebuilds the next version of a file from an old file and one variant's delta commands.
#include "delta/reconstruct.h"

#include <algorithm>

#include "apply/checksum.h"
#include "container/patch_block.h"
#include "delta/decoder_io.h"
#include "delta/substreams.h"
#include "platform/platform.h"
#include "shell/window_ops.h"

constexpr uint8_t NumberRangeIsSum = 0x01;
constexpr uint8_t PlainTails = 0x02;
constexpr int MissingOldFileMessage = 5;
constexpr int OutputNotCreatedMessage = 9;

static bool OpenOldFile(const std::string& OldPath, bool MissingAllowed)
{
    if (!PlatformOpenRead(State.SourceFile, OldPath)) {
        PlatformTakeError();
        if (!MissingAllowed)
            AbortWithMessage(MissingOldFileMessage);
        return false;
    }
    State.SourceOpen = true;
    State.Decoder.BaseSize = PlatformFileSize(State.SourceFile);
    return true;
}

static bool OldFileMatches(const SourceVariant& Variant, int32_t WindowStart, int32_t WindowLength)
{
    return State.Decoder.BaseSize == Variant.OldSize &&
           WindowedCrcMatches(State.SourceFile, WindowStart, WindowLength, Variant.OldCrc);
}

static void FixSettings(const SourceVariant& Variant, int32_t ResultSize)
{
    DecoderState& Decoder = State.Decoder;
    Decoder.NumberRange = (Variant.VariantFlags & NumberRangeIsSum)
                              ? AddWrapped(Decoder.BaseSize, ResultSize)
                              : std::max(Decoder.BaseSize, ResultSize);
    Decoder.AddDeltas = !(Variant.VariantFlags & PlainTails);
    Decoder.CommandBytesLeft = Variant.StreamLengths[NumberStream];
    Decoder.LengthReuse = Variant.LengthReuse;
    Decoder.BlockSize = Variant.BlockSize;
    EmptyReadCache(SlotsOf(Decoder.OldCache));
    EmptyReadCache(SlotsOf(Decoder.OutputCache));
}

// A name can fail for reasons a fresh name cures (a directory in the way) and for reasons none
// does (no temporary directory), so the retries are bounded.
static void CreateOutput(std::string& OutputName)
{
    for (int Attempt = 0; Attempt < TempNameAttempts; Attempt++) {
        OutputName = MakeTempName();
        if (PlatformCreate(State.OutputFile, OutputName)) {
            State.OutputOpen = true;
            ResetOutput();
            return;
        }
        PlatformTakeError();
    }
    AbortWithMessage(OutputNotCreatedMessage);
}

// Sub-stream 0 alone decides where the command list ends.
static void RunCommands()
{
    DecoderState& Decoder = State.Decoder;
    Decoder.CopyPosition = 0;
    Decoder.CopyLength = 0;
    Decoder.DeltaLength = 0;
    Decoder.ReuseCounter = 0;
    while (Decoder.CommandBytesLeft > 0) {
        PumpMessages();
        int32_t Value = ReadNumber();
        if (Value == 0)
            Decoder.ReuseCounter = AddWrapped(Decoder.ReuseCounter, -1);
        else if (Value > 0)
            RunCopyCommand(Value);
        else
            RunLiteralCommand(Value);
    }
}

bool ReconstructFile(const SourceVariant& Variant, int32_t DeltaPosition, const std::string& OldPath,
                     std::string& OutputName, bool VerifyOld, bool MissingAllowed, int32_t ResultSize,
                     int32_t WindowStart, int32_t WindowLength)
{
    PlatformTakeError();
    bool Result = OpenOldFile(OldPath, MissingAllowed) &&
                  (!VerifyOld || OldFileMatches(Variant, WindowStart, WindowLength));
    if (Result) {
        FixSettings(Variant, ResultSize);
        CreateOutput(OutputName);
        CutSubStreams(DeltaPosition, Variant.StreamLengths);
        RunCommands();
        if (!FlushOutput())
            AbortWithMessage(1);
    }
    CloseWorkFiles();
    return Result;
}
