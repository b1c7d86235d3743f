// Runs the decoder on an old file and a delta given by a test, catching the abort it may end in.
#include "tests/support/decoder_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "apply/checksum.h"
#include "container/patch_block.h"
#include "core/patch_abort.h"
#include "delta/reconstruct.h"
#include "delta/substreams.h"
#include "platform/platform.h"
#include "shell/message_catalogue.h"
#include "tests/support/recording_window.h"
#include "tests/support/scratch.h"

// Bytes before the delta and after it, so that neither end of the payload hides a wrong position.
constexpr int32_t PayloadLead = 5;
constexpr int32_t PayloadTrail = 3;
constexpr int32_t PositionHandedIn = 2;

DecoderCase CaseFromCommands(const std::vector<uint8_t>& Old, const std::vector<DeltaCommand>& Commands,
                             const DeltaSettings& Settings)
{
    DecoderCase Case;
    Case.Old = Old;
    Case.ResultSize = Settings.ResultSize;
    Case.Variant.OldSize = (int32_t)Old.size();
    Case.Variant.LengthReuse = Settings.LengthReuse;
    Case.Variant.VariantFlags = Settings.VariantFlags;
    Case.Variant.BlockSize = Settings.BlockSize;
    EncodedDelta Encoded;
    std::string Error;
    EXPECT_TRUE(EncodeCommands(Commands, Settings, Encoded, Error)) << Error;
    for (int I = 0; I < SubStreamCount; I++)
        Case.SubStreams[I] = Encoded.SubStreams[I];
    return Case;
}

static void LoadPayload(const std::vector<uint8_t>& Bytes)
{
    std::string Name = MakeTempName();
    WriteBytes(Name, Bytes);
    ASSERT_TRUE(PlatformOpenRead(State.PayloadBuffer, Name));
    State.PayloadOpen = true;
    PlatformSeek(State.PayloadBuffer, PositionHandedIn);
}

static void ReadOutcome(DecoderOutcome& Outcome)
{
    if (State.PayloadOpen)
        Outcome.PositionAfter = PlatformFilePosition(State.PayloadBuffer);
    if (Outcome.Result) {
        Outcome.Output = ReadBytes(Outcome.OutputName);
        PlatformDeleteFile(Outcome.OutputName);
    }
    Cleanup();
    PlatformTakeError();
}

// The next counted operation is refused exactly when the decoder left the fault unused.
static bool FaultStillArmed()
{
    std::string Probe = State.TempDir + "probe";
    bool Refused = !PlatformMakeDirectory(Probe);
    PlatformTakeError();
    std::filesystem::remove(Probe);
    return Refused;
}

DecoderOutcome RunDecoder(const DecoderCase& Case, const std::string& ScratchDir)
{
    DecoderOutcome Outcome;
    std::string OldPath = ScratchDir + "old.bin";
    if (!Case.OldMissing)
        WriteBytes(OldPath, Case.Old);
    SourceVariant Variant = Case.Variant;
    std::vector<uint8_t> Payload(PayloadLead, 0xEE);
    for (int I = 0; I < SubStreamCount; I++) {
        Variant.StreamLengths[I] = (int32_t)Case.SubStreams[I].size();
        Payload.insert(Payload.end(), Case.SubStreams[I].begin(), Case.SubStreams[I].end());
    }
    Outcome.DeltaPosition = PayloadLead;
    Outcome.PayloadEnd = (int32_t)Payload.size();
    Outcome.PositionBefore = PositionHandedIn;
    if (Case.PayloadShortBy > 0)
        Payload.resize(Payload.size() - Case.PayloadShortBy);
    else
        Payload.insert(Payload.end(), PayloadTrail, 0xDD);
    LoadPayload(Payload);
    for (const std::string& Name : Case.DirectoriesInTempDir)
        std::filesystem::create_directory(State.TempDir + Name);
    PlatformFailAfter(Case.FailAfter);
    try {
        Outcome.Result = ReconstructFile(Variant, PayloadLead, OldPath, Outcome.OutputName, Case.VerifyOld,
                                         Case.MissingAllowed, Case.ResultSize, Case.WindowStart,
                                         Case.WindowLength);
    } catch (const PatchAbort& Abort) {
        Outcome.AbortText = Abort.Text;
        Outcome.Message = CatalogueNumberOf(Abort.Text);
    }
    if (Case.FailAfter > 0)
        Outcome.FaultUnused = FaultStillArmed();
    PlatformFailAfter(0);
    ReadOutcome(Outcome);
    return Outcome;
}

int CatalogueNumberOf(const std::string& Text)
{
    for (int N = 0; N < 38; N++)
        if (!Text.empty() && FormatCatalogueMessage(N) == Text)
            return N;
    return -1;
}

DeltaSettings SettingsOf(int32_t BaseSize, int32_t ResultSize, uint16_t LengthReuse, uint8_t Flags,
                         uint8_t BlockSize)
{
    DeltaSettings Result;
    Result.BaseSize = BaseSize;
    Result.ResultSize = ResultSize;
    Result.LengthReuse = LengthReuse;
    Result.VariantFlags = Flags;
    Result.BlockSize = BlockSize;
    return Result;
}

DeltaCommand PlainLiteral(const std::vector<uint8_t>& Bytes, int32_t BlockSize)
{
    return Literal(Bytes, std::vector<bool>(LiteralPieceSizes((int32_t)Bytes.size(), BlockSize).size(), true));
}

DeltaCommand Copy(int32_t Length, int32_t Offset, std::vector<uint8_t> Tail)
{
    DeltaCommand Command;
    Command.Kind = CommandKind::Copy;
    Command.Length = Length;
    Command.Offset = Offset;
    Command.Tail = std::move(Tail);
    return Command;
}

DeltaCommand Literal(std::vector<uint8_t> Bytes, std::vector<bool> PlainPieces)
{
    DeltaCommand Command;
    Command.Kind = CommandKind::Literal;
    Command.Length = (int32_t)Bytes.size();
    Command.Bytes = std::move(Bytes);
    Command.PlainPieces = std::move(PlainPieces);
    return Command;
}

DeltaCommand Skip()
{
    DeltaCommand Command;
    Command.Kind = CommandKind::Skip;
    return Command;
}

void PrepareSubStreams(const std::vector<uint8_t> (&SubStreams)[SubStreamCount])
{
    std::vector<uint8_t> Payload(PayloadLead, 0xEE);
    int32_t Lengths[SubStreamCount] = {};
    for (int I = 0; I < SubStreamCount; I++) {
        Lengths[I] = (int32_t)SubStreams[I].size();
        Payload.insert(Payload.end(), SubStreams[I].begin(), SubStreams[I].end());
    }
    LoadPayload(Payload);
    CutSubStreams(PayloadLead, Lengths);
    State.Decoder.CommandBytesLeft = Lengths[NumberStream];
}

std::vector<uint8_t> PackBits(const std::vector<int>& Bits)
{
    std::vector<uint8_t> Bytes((Bits.size() + 7) / 8, 0);
    for (size_t I = 0; I < Bits.size(); I++)
        Bytes[I / 8] |= (uint8_t)(Bits[I] << (I % 8));
    return Bytes;
}

uint32_t StoredChecksum(const std::vector<uint8_t>& Bytes, int32_t WindowStart, int32_t WindowLength)
{
    const int64_t Size = (int64_t)Bytes.size();
    if (WindowLength == 0)
        return CrcUpdate(0xFFFFFFFF, Bytes.data(), (int32_t)Size);
    int64_t Before = std::clamp<int64_t>(WindowStart, 0, Size);
    int64_t After = std::clamp<int64_t>((int64_t)WindowStart + WindowLength, 0, Size);
    uint32_t Register = CrcUpdate(0xFFFFFFFF, Bytes.data(), (int32_t)Before);
    return CrcUpdate(Register, Bytes.data() + After, (int32_t)(Size - After));
}

void ReconstructTest::SetUp()
{
    ResetApplierState();
    ResetRecorder();
    ScratchDir = MakeScratchDir();
}

void ReconstructTest::TearDown()
{
    Cleanup();
    PlatformTakeError();
    RemoveScratchDir(ScratchDir);
}
