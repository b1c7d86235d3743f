// Lays a patch block out from plain records and writes it as a patch file or behind an executable.
#include "tools/writer/patch_writer.h"

#include <climits>
#include <fstream>
#include <iterator>

#include "container/record_stream.h"
#include "core/byte_order.h"

static void PutByte(std::vector<uint8_t>& Out, uint8_t Value)
{
    Out.push_back(Value);
}

static void PutLe16(std::vector<uint8_t>& Out, uint16_t Value)
{
    uint8_t Raw[2];
    WriteLe16(Raw, Value);
    Out.insert(Out.end(), Raw, Raw + 2);
}

static void PutLe32(std::vector<uint8_t>& Out, uint32_t Value)
{
    uint8_t Raw[4];
    WriteLe32(Raw, Value);
    Out.insert(Out.end(), Raw, Raw + 4);
}

// One unsigned length byte, then the bytes; false when the string does not fit the byte.
static bool PutString(std::vector<uint8_t>& Out, const std::string& Text, const char* What, std::string& Error)
{
    if (Text.size() > MaxStoredStringLength) {
        Error = std::string(What) + " \"" + Text.substr(0, 40) + "...\" is longer than 255 bytes";
        return false;
    }
    PutByte(Out, (uint8_t)Text.size());
    Out.insert(Out.end(), Text.begin(), Text.end());
    return true;
}

static void PutWindow(std::vector<uint8_t>& Out, const CrcWindowSpec& Window)
{
    PutLe32(Out, (uint32_t)Window.Start);
    PutLe32(Out, (uint32_t)Window.Length);
}

static bool PutVariant(std::vector<uint8_t>& Out, const VariantSpec& Variant, bool MultiFile, bool HasWindows,
                       std::string& Error)
{
    if (MultiFile && !PutString(Out, Variant.Name, "variant name", Error))
        return false;
    uint8_t Raw[SourceVariantSize] = {};
    WriteLe32(Raw + VariantLayout::OldCrc, Variant.OldCrc);
    WriteLe32(Raw + VariantLayout::OldSize, (uint32_t)Variant.OldSize);
    for (int k = 0; k < SubStreamCount; k++) {
        size_t Length = Variant.OverrideLengths ? (size_t)(uint32_t)Variant.StreamLengths[k] : Variant.Streams[k].size();
        if (!Variant.OverrideLengths && Length > (size_t)INT32_MAX) {
            Error = "a sub-stream is longer than 2147483647 bytes";
            return false;
        }
        WriteLe32(Raw + VariantLayout::StreamLengths + 4 * k, (uint32_t)Length);
    }
    WriteLe16(Raw + VariantLayout::LengthReuse, Variant.LengthReuse);
    Raw[VariantLayout::VariantFlags] = Variant.VariantFlags;
    Raw[VariantLayout::BlockSize] = Variant.BlockSize;
    Out.insert(Out.end(), Raw, Raw + SourceVariantSize);
    if (HasWindows)
        PutWindow(Out, Variant.Window);
    for (const std::vector<uint8_t>& Stream : Variant.Streams)
        Out.insert(Out.end(), Stream.begin(), Stream.end());
    return true;
}

static bool PutPatchedFile(std::vector<uint8_t>& Out, const PatchedFileSpec& File, bool MultiFile, std::string& Error)
{
    if (!File.OverrideVariantCount && File.Variants.size() > UINT16_MAX) {
        Error = "more than 65535 variants";
        return false;
    }
    if (MultiFile)
        PutByte(Out, RecordPatched);
    PutLe32(Out, File.NewCrc);
    PutLe32(Out, (uint32_t)File.NewSize);
    PutLe32(Out, File.NewTime);
    PutLe16(Out, File.OverrideVariantCount ? File.VariantCount : (uint16_t)File.Variants.size());
    PutByte(Out, (uint8_t)((File.HasWindows ? RecordHasWindows : 0) | (File.Optional ? RecordOptional : 0) |
                           File.UnusedFlags));
    PutByte(Out, File.Reserved);
    if (File.HasWindows)
        PutWindow(Out, File.Window);
    if (MultiFile && !PutString(Out, File.Name, "file name", Error))
        return false;
    for (const VariantSpec& Variant : File.Variants)
        if (!PutVariant(Out, Variant, MultiFile, File.HasWindows, Error))
            return false;
    return true;
}

static bool PutEmbeddedFile(std::vector<uint8_t>& Out, const EmbeddedFileSpec& File, std::string& Error)
{
    if (!File.OverrideSize && File.Content.size() > (size_t)INT32_MAX) {
        Error = "embedded file \"" + File.Name + "\" is larger than 2147483647 bytes";
        return false;
    }
    PutByte(Out, RecordEmbedded);
    if (!PutString(Out, File.Name, "file name", Error))
        return false;
    PutLe32(Out, File.OverrideSize ? (uint32_t)File.Size : (uint32_t)File.Content.size());
    PutLe32(Out, File.Time);
    Out.insert(Out.end(), File.Content.begin(), File.Content.end());
    return true;
}

static bool PutRecordStream(std::vector<uint8_t>& Out, const PatchSpec& Layout, std::string& Error)
{
    bool MultiFile = Layout.Mode == MultiFileModeByte;
    if (!MultiFile) {
        if (Layout.Records.size() != 1 || Layout.Records[0].Kind != RecordKind::Patched) {
            Error = "a single-file patch holds exactly one patched-file record";
            return false;
        }
        return PutPatchedFile(Out, Layout.Records[0].Patched, false, Error);
    }
    for (const RecordSpec& Record : Layout.Records) {
        bool Ok = Record.Kind == RecordKind::Patched ? PutPatchedFile(Out, Record.Patched, true, Error)
                                                     : PutEmbeddedFile(Out, Record.Embedded, Error);
        if (!Ok)
            return false;
    }
    if (Layout.WriteEndRecord)
        PutByte(Out, RecordEnd);
    return true;
}

static bool PutHeadAndPayloadHead(std::vector<uint8_t>& Out, const PatchSpec& Layout, std::string& Error)
{
    if (!Layout.OverrideDescriptionLength && Layout.Description.size() > UINT16_MAX) {
        Error = "the description is longer than 65535 bytes";
        return false;
    }
    uint8_t Header[PatchHeaderSize] = {};
    WriteLe32(Header + HeaderLayout::Magic, Layout.HeaderMagic);
    WriteLe32(Header + HeaderLayout::Version, (uint32_t)Layout.Version);
    Header[HeaderLayout::Mode] = Layout.Mode;
    Header[HeaderLayout::Flags] = (uint8_t)(Layout.Flags | (Layout.HasRegistry ? PatchFlagRegistry : 0));
    std::copy(Layout.Opaque, Layout.Opaque + OpaqueBlockSize, Header + HeaderLayout::Opaque);
    WriteLe16(Header + HeaderLayout::DescriptionLength,
              Layout.OverrideDescriptionLength ? Layout.DescriptionLength : (uint16_t)Layout.Description.size());
    Out.insert(Out.end(), Header, Header + PatchHeaderSize);
    Out.insert(Out.end(), Layout.Description.begin(), Layout.Description.end());
    if (!PutString(Out, Layout.BackupDirName, "backup directory name", Error))
        return false;
    if (Layout.HasRegistry)
        return PutString(Out, Layout.RegistryKeyPath, "registry key path", Error) &&
               PutString(Out, Layout.RegistryValueName, "registry value name", Error);
    return true;
}

bool SerialisePatch(const PatchSpec& Layout, std::vector<uint8_t>& Block, std::string& Error)
{
    Block.clear();
    if (!PutHeadAndPayloadHead(Block, Layout, Error) || !PutRecordStream(Block, Layout, Error))
        return false;
    Block.insert(Block.end(), Layout.StreamTail.begin(), Layout.StreamTail.end());
    if (!Layout.OverrideBlockLength && Block.size() > (size_t)INT32_MAX - PatchTrailerSize) {
        Error = "the patch block would be larger than 2147483647 bytes";
        return false;
    }
    PutLe32(Block, Layout.OverrideBlockLength ? (uint32_t)Layout.BlockLength : (uint32_t)(Block.size() + PatchTrailerSize));
    PutLe32(Block, Layout.TrailerMagic);
    return true;
}

static bool WriteAll(std::ofstream& Out, const std::vector<uint8_t>& Bytes)
{
    return (bool)Out.write((const char*)Bytes.data(), (std::streamsize)Bytes.size());
}

bool WritePatchFile(const std::vector<uint8_t>& Block, const std::string& Path, std::string& Error)
{
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    if (!Out || !WriteAll(Out, Block) || !Out.flush()) {
        Error = "cannot write \"" + Path + "\"";
        return false;
    }
    return true;
}

bool AppendPatchToExecutable(const std::vector<uint8_t>& Block, const std::string& ExecutablePath,
                             const std::string& OutputPath, std::string& Error)
{
    std::ifstream In(ExecutablePath, std::ios::binary);
    if (!In) {
        Error = "cannot read \"" + ExecutablePath + "\"";
        return false;
    }
    std::vector<uint8_t> Executable((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    if (In.bad()) {
        Error = "cannot read \"" + ExecutablePath + "\"";
        return false;
    }
    std::ofstream Out(OutputPath, std::ios::binary | std::ios::trunc);
    if (!Out || !WriteAll(Out, Executable) || !WriteAll(Out, Block) || !Out.flush()) {
        Error = "cannot write \"" + OutputPath + "\"";
        return false;
    }
    return true;
}
