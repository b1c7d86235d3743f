// Verification of a written patch through the applier's reader, decoder and checksum: each
// variant is rebuilt from the old version it was made from and compared byte for byte with the
// version that follows it, and the last with the new file.
#include "tools/builder/create_verify.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "apply/checksum.h"
#include "container/patch_block.h"
#include "container/record_stream.h"
#include "core/applier_state.h"
#include "core/byte_order.h"
#include "core/patch_abort.h"
#include "delta/reconstruct.h"
#include "platform/platform.h"
#include "tools/builder/create_content.h"
#include "tools/writer/description_encoding.h"

namespace fs = std::filesystem;

namespace {

// A mismatch found while reading back; it leaves through the same path as the applier's aborts.
[[noreturn]] void Mismatch(const std::string& Text)
{
    throw PatchAbort{Text};
}

std::string Named(const FilePlan& Plan)
{
    return "\"" + Plan.Name + "\"";
}

// A private folder for the decoder's temporary files, so that other programs using the same
// temporary directory cannot meet ours.
std::string MakePrivateTempDir()
{
    std::random_device Seed;
    for (int Attempt = 0; Attempt < 100; Attempt++) {
        fs::path Folder = fs::path(State.TempDir) / ("tarnwel-verify-" + std::to_string(Seed()));
        std::error_code Failure;
        if (fs::create_directory(Folder, Failure))
            return Folder.string() + "/";
    }
    Mismatch("cannot make a folder in the temporary directory \"" + State.TempDir + "\"");
}

std::string LineEndsAsNewlines(const std::string& Text)
{
    std::string Out;
    for (size_t i = 0; i < Text.size(); i++) {
        if (Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n')
            continue;
        Out += Text[i] == '\r' ? '\n' : Text[i];
    }
    return Out;
}

void CheckHead(const CreateOptions& Options)
{
    uint8_t Decoded[DescriptionCapacity + 2] = {};
    std::memcpy(Decoded, State.DescriptionBuffer, sizeof State.DescriptionBuffer);
    if (DecodedDescriptionToUtf8(Decoded) != LineEndsAsNewlines(Options.Description))
        Mismatch("the applier reads a different description");
    if (State.MultiFileMode != Options.MultiFile || State.BackupDirName != Options.BackupDirName ||
        ((HeaderFlags() & PatchFlagRegistry) != 0) != Options.HasRegistry ||
        (Options.HasRegistry &&
         (State.RegistryKeyPath != Options.RegistryKeyPath || State.RegistryValueName != Options.RegistryValueName)))
        Mismatch("the applier reads a different header");
}

void CheckSameFile(const std::string& Rebuilt, const fs::path& Expected, const std::string& What)
{
    bool Same = false;
    std::string Error;
    if (!CompareOutsideWindow(Rebuilt, Expected, CrcWindowSpec{}, Same, Error))
        Mismatch(Error);
    if (!Same)
        Mismatch(What + " rebuilds a file that differs from \"" + Expected.string() + "\"");
}

void CheckNewCrc(const std::string& Rebuilt, const FilePlan& Plan)
{
    FileObject File;
    if (!PlatformOpenRead(File, Rebuilt))
        Mismatch("cannot read back the rebuilt " + Named(Plan));
    uint32_t Crc = 0;
    bool Read = WindowedCrc(File, State.CrcWindowStart, State.CrcWindowLength, Crc);
    PlatformClose(File);
    PlatformTakeError();
    if (!Read || Crc != State.Record.NewCrc)
        Mismatch("the rebuilt " + Named(Plan) + " fails the applier's checksum");
}

void VerifyVariant(const FilePlan& Plan, int i)
{
    int Count = State.Record.VariantCount;
    int32_t ResultSize = i + 1 < Count ? State.Variants[i + 1].OldSize : State.Record.NewSize;
    const fs::path& Expected = i + 1 < Count ? Plan.Links[i + 1].OldPath : Plan.NewPath;
    std::string What = "variant " + std::to_string(i + 1) + " of " + Named(Plan);
    std::string Output;
    SourceVariant Variant = State.Variants[i];
    if (!ReconstructFile(Variant, State.DeltaPosition[i], Plan.Links[i].OldPath.string(), Output, true, false,
                         ResultSize, State.VariantWindowStart[i], State.VariantWindowLength[i]))
        Mismatch(What + " does not recognise its own old version \"" + Plan.Links[i].OldPath.string() + "\"");
    CheckSameFile(Output, Expected, What);
    if (i + 1 == Count)
        CheckNewCrc(Output, Plan);
    PlatformDeleteFile(Output);
    PlatformTakeError();
}

void VerifyPatchedFile(const FilePlan& Plan)
{
    const RecordFixedBlock& Record = State.Record;
    if ((State.MultiFileMode && State.CurrentFileName != Plan.Name) || Record.NewSize != Plan.NewSize ||
        Record.NewCrc != Plan.NewCrc || Record.NewTime != Plan.NewTime || Record.VariantCount != Plan.Links.size() ||
        ((Record.RecordFlags & RecordOptional) != 0) != Plan.Optional ||
        ((Record.RecordFlags & RecordHasWindows) != 0) != Plan.HasWindow ||
        State.CrcWindowStart != Plan.Window.Start || State.CrcWindowLength != Plan.Window.Length)
        Mismatch("the applier reads a different record for " + Named(Plan));
    for (int i = 0; i < Record.VariantCount; i++)
        VerifyVariant(Plan, i);
}

void VerifyEmbeddedFile(const FilePlan& Plan)
{
    uint8_t Fields[8];
    ReadPayload(Fields, 8);
    if (State.CurrentFileName != Plan.Name || (int32_t)ReadLe32(Fields) != Plan.NewSize ||
        ReadLe32(Fields + 4) != Plan.NewTime)
        Mismatch("the applier reads a different record for " + Named(Plan));
    std::ifstream In(Plan.NewPath, std::ios::binary);
    std::vector<char> Expected(1 << 16), Stored(1 << 16);
    for (int32_t Left = Plan.NewSize; Left > 0;) {
        int32_t Piece = std::min<int32_t>(Left, (int32_t)Stored.size());
        ReadPayload(Stored.data(), Piece);
        if (!In.read(Expected.data(), Piece) || std::memcmp(Expected.data(), Stored.data(), (size_t)Piece) != 0)
            Mismatch("the patch carries a different " + Named(Plan));
        Left -= Piece;
    }
}

void VerifyRecords(const std::vector<const FilePlan*>& Records, ProgressBar& Bar)
{
    for (const FilePlan* Plan : Records) {
        uint8_t Type = ReadFileRecord();
        uint8_t Wanted = Plan->Action == FileAction::Embedded ? RecordEmbedded : RecordPatched;
        if (Type != Wanted)
            Mismatch("the applier reads a different record for " + Named(*Plan));
        if (Type == RecordEmbedded)
            VerifyEmbeddedFile(*Plan);
        else
            VerifyPatchedFile(*Plan);
        StepProgress(Bar);
    }
    if (State.MultiFileMode && ReadFileRecord() != RecordEnd)
        Mismatch("the record stream does not end where it should");
}

} // namespace

bool VerifyPatch(const std::string& PatchPath, const CreateOptions& Options, const std::vector<const FilePlan*>& Records,
                 ProgressBar& Bar, std::string& Error)
{
    ResetApplierState();
    State.PatchPath = PatchPath;
    std::string PrivateDir;
    bool Ok = true;
    try {
        InitTempDir();
        PrivateDir = MakePrivateTempDir();
        State.TempDir = PrivateDir;
        ReadPatchBlock();
        CheckHead(Options);
        VerifyRecords(Records, Bar);
    } catch (const PatchAbort& Abort) {
        Error = "the written patch fails its check: " + Abort.Text;
        Ok = false;
    }
    Cleanup();
    PlatformClose(State.PatchFile);
    PlatformTakeError();
    std::error_code Ignored;
    if (!PrivateDir.empty())
        fs::remove_all(PrivateDir, Ignored);
    return Ok;
}

