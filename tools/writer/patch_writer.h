// Plain records of a patch block and the procedures that lay them out byte for byte and write them.
//
// Every field is written as given, so tests can also produce damaged blocks: the Override fields
// replace a derived value (a length, a count, a magic) with whatever the test needs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/applier_state.h"

constexpr int32_t CurrentPatchVersion = 190;
constexpr uint8_t SingleFileMode = 1;
constexpr uint8_t MultiFileModeByte = 2;
constexpr uint8_t PatchFlagCompressed = 0x01;
constexpr uint8_t PatchFlagRegistry = 0x02;
constexpr int OpaqueBlockSize = 64;
constexpr size_t MaxStoredStringLength = 255;

// Field offsets inside the 76-byte header, the 8-byte trailer and the 32-byte variant descriptor.
struct HeaderLayout {
    static constexpr int Magic = 0;
    static constexpr int Version = 4;
    static constexpr int Mode = 8;
    static constexpr int Flags = 9;
    static constexpr int Opaque = 10;
    static constexpr int DescriptionLength = 74;
};
struct TrailerLayout {
    static constexpr int BlockLength = 0;
    static constexpr int Magic = 4;
};
struct VariantLayout {
    static constexpr int OldCrc = 0;
    static constexpr int OldSize = 4;
    static constexpr int StreamLengths = 8;
    static constexpr int LengthReuse = 28;
    static constexpr int VariantFlags = 30;
    static constexpr int BlockSize = 31;
};

// A byte window that a checksum leaves out; Length 0 means none.
struct CrcWindowSpec {
    int32_t Start = 0;
    int32_t Length = 0;
};

// One accepted old version of a patched file and the delta data that turns it into the next.
struct VariantSpec {
    std::string Name;                      // multi-file only; empty stands for the record's name
    uint32_t OldCrc = 0;
    int32_t OldSize = 0;
    std::vector<uint8_t> Streams[SubStreamCount]; // sub-streams 0 to 4, stored back to back
    bool OverrideLengths = false;          // store StreamLengths instead of the streams' sizes
    int32_t StreamLengths[SubStreamCount] = {};
    uint16_t LengthReuse = 1;
    uint8_t VariantFlags = 0;
    uint8_t BlockSize = 255;
    CrcWindowSpec Window;                  // stored only when the record carries windows
};

// A patched-file record: the new version's identity and the chain of old versions.
struct PatchedFileSpec {
    std::string Name; // multi-file only
    uint32_t NewCrc = 0;
    int32_t NewSize = 0;
    uint32_t NewTime = 0;  // MS-DOS packed local date and time
    bool HasWindows = false;
    bool Optional = false;
    uint8_t UnusedFlags = 0; // further RecordFlags bits, ORed in as they are
    uint8_t Reserved = 0;
    CrcWindowSpec Window;
    std::vector<VariantSpec> Variants;
    bool OverrideVariantCount = false;
    uint16_t VariantCount = 0;
};

// An embedded-file record: a file carried whole.
struct EmbeddedFileSpec {
    std::string Name;
    uint32_t Time = 0; // MS-DOS packed local date and time
    std::vector<uint8_t> Content;
    bool OverrideSize = false;
    int32_t Size = 0;
};

enum class RecordKind { Patched, Embedded };

struct RecordSpec {
    RecordKind Kind = RecordKind::Patched;
    PatchedFileSpec Patched;   // when Kind is Patched
    EmbeddedFileSpec Embedded; // when Kind is Embedded
};

struct PatchSpec {
    uint32_t HeaderMagic = PatchMagic;
    int32_t Version = CurrentPatchVersion;
    uint8_t Mode = MultiFileModeByte;
    uint8_t Flags = 0; // bit 1 is added when HasRegistry is set
    uint8_t Opaque[OpaqueBlockSize] = {};
    std::vector<uint8_t> Description; // stored bytes, before the applier's decoding
    bool OverrideDescriptionLength = false;
    uint16_t DescriptionLength = 0;
    std::string BackupDirName;
    bool HasRegistry = false;
    std::string RegistryKeyPath;
    std::string RegistryValueName;
    std::vector<RecordSpec> Records; // single-file mode: exactly one patched-file record
    bool WriteEndRecord = true;      // multi-file mode only
    std::vector<uint8_t> StreamTail; // raw bytes behind the record stream, before the trailer
    bool OverrideBlockLength = false;
    int32_t BlockLength = 0;
    uint32_t TrailerMagic = PatchMagic;
};

// Lays the block out; false with a reason when the records cannot be expressed at all
// (a string over 255 bytes, counts beyond their fields, a block beyond 2 GiB, a single-file
// patch that is not one patched-file record).
bool SerialisePatch(const PatchSpec& Layout, std::vector<uint8_t>& Block, std::string& Error);

// Writes the block alone as a patch file.
bool WritePatchFile(const std::vector<uint8_t>& Block, const std::string& Path, std::string& Error);

// Writes the executable's bytes followed by the block: a self-applying executable.
bool AppendPatchToExecutable(const std::vector<uint8_t>& Block, const std::string& ExecutablePath,
                             const std::string& OutputPath, std::string& Error);
