// tarnwel-build list: prints what a patch holds, read through the applier's own reader so that
// the listing shows exactly what the applier will see.
#include <cstdio>
#include <cstring>
#include <string>

#include "container/patch_block.h"
#include "container/record_stream.h"
#include "core/applier_state.h"
#include "core/byte_order.h"
#include "core/patch_abort.h"
#include "platform/platform.h"
#include "tools/builder/builder_commands.h"
#include "tools/builder/builder_messages.h"
#include "tools/writer/description_encoding.h"
#include "tools/writer/dos_time.h"
#include "tools/writer/patch_writer.h"

namespace {

const char ListUsage[] = "Usage: tarnwel-build list PATCH\n"
                         "Prints the header, description, backup directory, registry location and every record\n"
                         "of PATCH (a patch file or a self-applying executable). Exit codes: 0 listed,\n"
                         "1 usage, 2 the patch is damaged or unreadable.\n";

std::string Hex32(uint32_t Value)
{
    char Text[16];
    std::snprintf(Text, sizeof Text, "0x%08X", (unsigned)Value);
    return Text;
}

std::string Hex8(uint8_t Value)
{
    char Text[8];
    std::snprintf(Text, sizeof Text, "0x%02X", (unsigned)Value);
    return Text;
}

std::string Quoted(const std::string& Text)
{
    return "\"" + Text + "\"";
}

std::string Window(int32_t Start, int32_t Length)
{
    return ", window start " + std::to_string(Start) + " length " + std::to_string(Length);
}

void PrintHead()
{
    uint8_t Flags = HeaderFlags();
    std::printf("Version: %d\n", (int)HeaderVersion());
    std::printf("Mode: %u (%s)\n", (unsigned)HeaderMode(), State.MultiFileMode ? "multi-file" : "single-file");
    std::printf("Flags: %s%s\n", Hex8(Flags).c_str(), Flags & PatchFlagRegistry ? " (registry)" : "");
    uint8_t Decoded[DescriptionCapacity + 2] = {};
    std::memcpy(Decoded, State.DescriptionBuffer, sizeof State.DescriptionBuffer);
    std::string Description = DecodedDescriptionToUtf8(Decoded);
    std::printf("Description:%s\n", Description.empty() ? " (none)" : "");
    size_t Start = 0;
    while (Start < Description.size()) {
        size_t End = Description.find('\n', Start);
        End = End == std::string::npos ? Description.size() : End;
        std::printf("  %s\n", Description.substr(Start, End - Start).c_str());
        Start = End + 1;
    }
    std::printf("Backup directory: %s\n", Quoted(State.BackupDirName).c_str());
    if (Flags & PatchFlagRegistry)
        std::printf("Registry: key %s, value %s\n", Quoted(State.RegistryKeyPath).c_str(),
                    Quoted(State.RegistryValueName).c_str());
    else
        std::printf("Registry: none\n");
}

void PrintVariant(int i)
{
    const SourceVariant& Variant = State.Variants[i];
    std::string Line = "  Variant " + std::to_string(i + 1);
    if (State.MultiFileMode)
        Line += " " + Quoted(State.VariantNames[i]);
    Line += ": OldSize " + std::to_string(Variant.OldSize) + ", OldCrc " + Hex32(Variant.OldCrc) + ", StreamLengths";
    for (int32_t Length : Variant.StreamLengths)
        Line += " " + std::to_string(Length);
    Line += ", LengthReuse " + std::to_string(Variant.LengthReuse) + ", VariantFlags " + Hex8(Variant.VariantFlags) +
            ", BlockSize " + std::to_string(Variant.BlockSize) + ", DeltaPosition " + std::to_string(State.DeltaPosition[i]);
    if (State.Record.RecordFlags & RecordHasWindows)
        Line += Window(State.VariantWindowStart[i], State.VariantWindowLength[i]);
    std::printf("%s\n", Line.c_str());
}

void PrintPatchedFile()
{
    const RecordFixedBlock& Record = State.Record;
    std::string Line = "Patched file";
    Line += State.MultiFileMode ? " " + Quoted(State.CurrentFileName) : std::string();
    Line += ": NewSize " + std::to_string(Record.NewSize) + ", NewCrc " + Hex32(Record.NewCrc) + ", NewTime " +
            FormatDosTime(Record.NewTime) + ", RecordFlags " + Hex8(Record.RecordFlags);
    if (Record.RecordFlags & RecordOptional)
        Line += " (optional)";
    if (Record.RecordFlags & RecordHasWindows)
        Line += Window(State.CrcWindowStart, State.CrcWindowLength);
    Line += ", " + std::to_string(Record.VariantCount) + (Record.VariantCount == 1 ? " variant" : " variants");
    std::printf("%s\n", Line.c_str());
    for (int i = 0; i < Record.VariantCount && i < MaxVariants; i++)
        PrintVariant(i);
}

// Reads the size and time of an embedded file and steps over its content, refusing a size that
// points backwards or past the end of the patch.
void ListEmbeddedFile()
{
    uint8_t Fields[8];
    ReadPayload(Fields, 8);
    int32_t Size = (int32_t)ReadLe32(Fields);
    uint32_t Time = ReadLe32(Fields + 4);
    int32_t Position = PlatformFilePosition(State.PayloadBuffer);
    int32_t End = PlatformFileSize(State.PayloadBuffer);
    if (Size < 0)
        AbortWithText("embedded file \"" + State.CurrentFileName + "\" has the negative size " + std::to_string(Size));
    if (Size > End - Position)
        AbortWithText("embedded file \"" + State.CurrentFileName + "\" of " + std::to_string(Size) +
                      " bytes runs past the end of the patch");
    PlatformSeek(State.PayloadBuffer, Position + Size);
    std::printf("Embedded file %s: size %d, time %s\n", Quoted(State.CurrentFileName).c_str(), (int)Size,
                FormatDosTime(Time).c_str());
}

void ListRecords()
{
    if (!State.MultiFileMode) {
        ReadFileRecord();
        PrintPatchedFile();
        return;
    }
    int Patched = 0;
    int Embedded = 0;
    for (uint8_t Type = ReadFileRecord(); Type != RecordEnd; Type = ReadFileRecord()) {
        if (Type == RecordPatched) {
            PrintPatchedFile();
            Patched++;
        } else {
            ListEmbeddedFile();
            Embedded++;
        }
    }
    std::printf("End of records: %d patched, %d embedded\n", Patched, Embedded);
}

} // namespace

int ListCommand(int argc, char** argv)
{
    if (argc == 1 && (!std::strcmp(argv[0], "--help") || !std::strcmp(argv[0], "-h"))) {
        std::fputs(ListUsage, stdout);
        return 0;
    }
    if (argc != 1 || argv[0][0] == '\0') {
        std::fputs(ListUsage, stderr);
        return 1;
    }
    ResetApplierState();
    State.PatchPath = argv[0];
    int ExitCode = 0;
    try {
        InitTempDir();
        ReadPatchBlock();
        PrintHead();
        ListRecords();
    } catch (const PatchAbort& Abort) {
        PrintError(std::string(argv[0]) + ": " + Abort.Text);
        ExitCode = 2;
    }
    Cleanup();
    PlatformClose(State.PatchFile);
    return ExitCode;
}
