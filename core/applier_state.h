// The single global record of the applier: paths, flags, open files, the current record and the decoder.
#pragma once

#include <cstdint>
#include <string>

#include "core/file_object.h"

constexpr uint32_t PatchMagic = 0x3E7F8443;
constexpr int32_t PatchHeaderSize = 76;
constexpr int32_t PatchTrailerSize = 8;
constexpr int32_t SourceVariantSize = 32;
constexpr int32_t RecordFixedSize = 16;
constexpr int MaxVariants = 20;
constexpr int SubStreamCount = 5;
constexpr int32_t DescriptionCapacity = 1000; // bytes of text; one more holds the terminating zero
constexpr int32_t DisplayCapacity = 2004;     // expanded description with its terminating zero

enum class UiState { Idle, Busy };

// One accepted old version of a patched file, decoded from its 32 stored bytes.
struct SourceVariant {
    uint32_t OldCrc = 0;
    int32_t OldSize = 0;
    int32_t StreamLengths[SubStreamCount] = {};
    uint16_t LengthReuse = 0;
    uint8_t VariantFlags = 0;
    uint8_t BlockSize = 0;
};

// The 16-byte fixed block of a patched-file record, decoded.
struct RecordFixedBlock {
    uint32_t NewCrc = 0;
    int32_t NewSize = 0;
    uint32_t NewTime = 0;
    uint16_t VariantCount = 0;
    uint8_t RecordFlags = 0;
    uint8_t Reserved = 0;
};

// Reader state of one bit sub-stream.
struct BitReaderState {
    int32_t Counter = 0; // next bit number of Current, 0 forces a fresh byte
    uint8_t Current = 0; // the byte being consumed
};

constexpr int32_t SubStreamBufferSize = 8192;  // bytes of one sub-stream file read at a time
constexpr int32_t OutputBufferSize = 57344;    // output bytes gathered before one write: whole pages,
                                               // and few enough for a single platform call
constexpr int32_t ReadCacheBlock = 8192;       // file bytes read at once for short reads, aligned
// Blocks kept of the old file and of the output: copies hop between a few regions of each, and
// more blocks cost more in page faults than they save in reads.
constexpr int OldCacheSlots = 64;
constexpr int OutputCacheSlots = 64;
constexpr int32_t DecoderHalfSize = 513;       // a tail or a literal piece fits in one half

// Buffered reads of one sub-stream file, which is read strictly from front to back.
struct SubStreamReaderState {
    uint8_t Buffer[SubStreamBufferSize] = {};
    int32_t Next = 0;     // next unread byte of Buffer
    int32_t End = 0;      // bytes of Buffer that hold data
    int32_t FileLeft = 0; // bytes of the file not yet read into Buffer
};

// Aligned blocks of a file that does not change while it is read, kept for the short reads
// that follow; block B lives in slot B modulo the slot count.
template <int SlotCount>
struct BlockCache {
    uint8_t Bytes[SlotCount][ReadCacheBlock] = {};
    int32_t Start[SlotCount] = {}; // file position of the slot's first byte
    int32_t End[SlotCount] = {};   // the slot holds the file up to here; Start when empty
};

// The slots of a cache as the reading procedures see them, whatever their number.
struct CacheSlots {
    uint8_t (*Bytes)[ReadCacheBlock];
    int32_t* Start;
    int32_t* End;
    int Count;
};

template <int SlotCount>
CacheSlots SlotsOf(BlockCache<SlotCount>& Cache)
{
    return {Cache.Bytes, Cache.Start, Cache.End, SlotCount};
}

// State of the reconstruction in progress; reset by every reconstruction.
struct DecoderState {
    BitReaderState Bits[2];       // [0] reads sub-stream 1, [1] reads sub-stream 2
    int32_t CommandBytesLeft = 0; // bytes of sub-stream 0 not yet consumed
    int32_t NumberRange = 0;      // largest value a number may need; fixes its width
    int32_t BaseSize = 0;         // size of the old file; positions at or above it address the output
    bool AddDeltas = false;       // tails are added to the source rather than taken plain
    int32_t LengthReuse = 0;      // copy commands that share one tail length
    int32_t BlockSize = 0;        // largest literal piece, 0 to 255
    int32_t CopyPosition = 0;     // where the most recent copy started in the combined source
    int32_t CopyLength = 0;       // bytes of the most recent copy
    int32_t DeltaLength = 0;      // tail bytes after every copy, 0 to 255
    int32_t ReuseCounter = 0;     // copies left before a new tail length is read
    SubStreamReaderState Streams[SubStreamCount];
    uint8_t SourceHalf[DecoderHalfSize] = {}; // bytes of the combined source under a tail or piece
    uint8_t DataHalf[DecoderHalfSize] = {};   // tail or literal bytes, summed and then written
    uint8_t OutputBuffer[OutputBufferSize] = {}; // output bytes not yet written to the file
    int32_t OutputFill = 0;       // bytes waiting in OutputBuffer
    int32_t OutputFlushed = 0;    // bytes already in the output file; OutputBuffer continues there
    BlockCache<OldCacheSlots> OldCache;       // of the old file
    BlockCache<OutputCacheSlots> OutputCache; // of the part of the output already in its file
};

struct ApplierState {
    // Startup and command line.
    bool EmbeddedPatch = false; // the block is appended to our own executable
    std::string PatchPath;      // the patch file ("%p")
    std::string TargetPath;     // where old versions are looked for ("%s")
    std::string TargetBase;     // where the record's files belong
    bool SearchMode = false;    // the run may search for its target

    // Output list assembly.
    std::string LastLine; // the line most recently added by EmitText

    // Patch block.
    std::string TempDir;                           // ends with a separator unless empty
    FileObject PatchFile;                          // open from a read until the run ends
    uint8_t HeaderCopy[PatchHeaderSize] = {};      // the header of the last read
    bool MultiFileMode = false;                    // header mode byte is 2
    FileObject PayloadBuffer;                      // temporary copy of everything behind the header
    bool PayloadOpen = false;                      // PayloadBuffer is open and its file must be deleted
    uint8_t DescriptionBuffer[DescriptionCapacity + 1] = {};
    int32_t DescriptionLength = 0;                 // bytes of DescriptionBuffer that were read
    std::string BackupDirName;
    std::string RegistryKeyPath;
    std::string RegistryValueName;
    int32_t StreamStart = 0;                       // PayloadBuffer position of the first record
    int32_t KnownPatchSize = 0;                    // patch file size as of the last completed read

    // Working files of one reconstruction.
    FileObject SourceFile;
    bool SourceOpen = false;
    FileObject OutputFile;
    bool OutputOpen = false;
    FileObject SubStreamFiles[SubStreamCount];
    bool SubStreamsOpen = false;
    std::string PlacingPath;   // a new file being written beside its destination; gone after an abort
    std::string RebuiltInput;  // a record's intermediate rebuilt version; gone after an abort
    std::string RebuiltOutput; // a record's latest rebuilt version; gone after an abort

    // Current record of the record stream.
    RecordFixedBlock Record;
    int32_t CrcWindowStart = 0;
    int32_t CrcWindowLength = 0;
    bool FileOptional = false;
    std::string CurrentFileName; // "%m"
    std::string RecordPath;
    std::string EmbeddedPath;
    SourceVariant Variants[MaxVariants];
    int32_t DeltaPosition[MaxVariants] = {};
    int32_t VariantWindowStart[MaxVariants] = {};
    int32_t VariantWindowLength[MaxVariants] = {};
    std::string VariantNames[MaxVariants];

    // Delta decoder.
    DecoderState Decoder;

    // Window.
    UiState Ui = UiState::Idle;
    bool AbortRequested = false; // a close was confirmed during a run
};

extern ApplierState State;

// Puts every field back to its program-start value (tests call it between cases).
void ResetApplierState();
