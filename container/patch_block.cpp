// Finds the patch block through its trailer, checks the header, and copies the payload into a
// temporary file from which every later read of patch data is made.
#include <algorithm>

#include "container/name_rules.h"
#include "container/patch_block.h"
#include "core/applier_state.h"
#include "core/byte_order.h"
#include "platform/platform.h"
#include "shell/fixed_texts.h"
#include "shell/message_catalogue.h"
#include "shell/window_ops.h"

constexpr int32_t PatchVersionAccepted = 190;
constexpr uint8_t ModeMultiFile = 2;
constexpr uint8_t FlagCompressed = 0x01;
constexpr uint8_t FlagRegistry = 0x02;
constexpr int32_t HeaderMagicOffset = 0;
constexpr int32_t HeaderVersionOffset = 4;
constexpr int32_t HeaderModeOffset = 8;
constexpr int32_t HeaderFlagsOffset = 9;
constexpr int32_t HeaderDescriptionOffset = 74;
constexpr int32_t PayloadCopyPiece = 57344; // whole pages, and within one platform call

int32_t HeaderVersion()
{
    return (int32_t)ReadLe32(State.HeaderCopy + HeaderVersionOffset);
}

uint8_t HeaderMode()
{
    return State.HeaderCopy[HeaderModeOffset];
}

uint8_t HeaderFlags()
{
    return State.HeaderCopy[HeaderFlagsOffset];
}

uint16_t HeaderDescriptionLength()
{
    return ReadLe16(State.HeaderCopy + HeaderDescriptionOffset);
}

// Creation is retried under fresh names, but not forever: a missing temporary directory or a
// directory in the way of every name would never let it succeed.
static void CreatePayloadFile()
{
    for (int Attempt = 0; Attempt < TempNameAttempts; Attempt++) {
        std::string Name = MakeTempName();
        PlatformCreate(State.PayloadBuffer, Name);
        if (PlatformTakeError() == 0) {
            State.PayloadOpen = true;
            return;
        }
        PlatformClose(State.PayloadBuffer);
    }
    AbortWithMessage(7);
}

void CreatePayloadBuffer()
{
    CreatePayloadFile();
    int32_t Remaining = PlatformFileSize(State.PatchFile) - PlatformFilePosition(State.PatchFile);
    if (HeaderFlags() & FlagCompressed)
        AbortWithText(CompressionText);
    uint8_t Buffer[PayloadCopyPiece];
    while (Remaining > 0) {
        int32_t Piece = std::min(Remaining, PayloadCopyPiece);
        if (!ReadBlock(State.PatchFile, Buffer, Piece))
            AbortWithMessage(3);
        Remaining -= Piece;
        if (!WriteBlock(State.PayloadBuffer, Buffer, Piece))
            AbortWithMessage(7);
    }
    std::string Name = State.PayloadBuffer.Path;
    PlatformClose(State.PayloadBuffer);
    PlatformOpenRead(State.PayloadBuffer, Name);
    State.PayloadBuffer.Path = Name; // the cleanup deletes it by this name even if the open failed
}

// An earlier read's patch file and payload are given up before a new read replaces them.
static void ReleaseEarlierRead()
{
    if (State.PatchFile.IsOpen)
        PlatformClose(State.PatchFile);
    Cleanup();
}

// Reads the trailer and the header; a block that lies outside the file reads short.
static void ReadTrailerAndHeader(int32_t Size)
{
    uint8_t Trailer[PatchTrailerSize];
    PlatformSeek(State.PatchFile, Size - PatchTrailerSize);
    bool Ok = ReadBlock(State.PatchFile, Trailer, 4) && ReadBlock(State.PatchFile, Trailer + 4, 4);
    if (!Ok)
        AbortWithMessage(12);
    int64_t HeaderPosition = (int64_t)Size - (int32_t)ReadLe32(Trailer);
    if (HeaderPosition < 0 || HeaderPosition > INT32_MAX)
        AbortWithMessage(12);
    PlatformSeek(State.PatchFile, (int32_t)HeaderPosition);
    if (!ReadBlock(State.PatchFile, State.HeaderCopy, PatchHeaderSize))
        AbortWithMessage(12);
    if (ReadLe32(Trailer + 4) != PatchMagic || ReadLe32(State.HeaderCopy + HeaderMagicOffset) != PatchMagic)
        AbortWithMessage(14);
}

// Only the first DescriptionCapacity bytes are kept; the rest is read past, so a payload that
// ends inside it still fails as it should.
static void ReadDescription()
{
    int32_t Length = HeaderDescriptionLength();
    State.DescriptionLength = std::min(Length, DescriptionCapacity);
    ReadPayload(State.DescriptionBuffer, State.DescriptionLength);
    uint8_t Excess[512];
    for (int32_t Left = Length - State.DescriptionLength; Left > 0; Left -= (int32_t)sizeof Excess)
        ReadPayload(Excess, std::min(Left, (int32_t)sizeof Excess));
}

void ReadPatchBlock()
{
    PlatformTakeError();
    ReleaseEarlierRead();
    PlatformTakeError();
    if (!PlatformOpenRead(State.PatchFile, State.PatchPath) || PlatformTakeError() != 0)
        AbortWithMessage(13);
    int32_t Size = PlatformFileSize(State.PatchFile);
    ReadTrailerAndHeader(Size);
    CreatePayloadBuffer();
    ReadDescription();
    State.BackupDirName = ReadPayloadString();
    if (HeaderFlags() & FlagRegistry) {
        State.RegistryKeyPath = ReadPayloadString();
        State.RegistryValueName = ReadPayloadString();
    }
    if (HeaderVersion() != PatchVersionAccepted) {
        State.TargetPath = IntToDecimal(HeaderVersion());
        AbortWithMessage(15);
    }
    State.MultiFileMode = HeaderMode() == ModeMultiFile;
    if (!IsAcceptableBackupName(State.BackupDirName))
        AbortWithMessage(0);
    bool FirstRead = State.KnownPatchSize != Size;
    if (FirstRead)
        SetControlText(Control::InfoBox, WaitText);
    DecodeDescription();
    if (FirstRead) {
        State.DescriptionBuffer[State.DescriptionLength] = 0;
        ShowDescription(State.DescriptionBuffer);
    }
    State.StreamStart = PlatformFilePosition(State.PayloadBuffer);
    State.KnownPatchSize = Size;
}
