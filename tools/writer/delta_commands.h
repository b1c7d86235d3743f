// A variant's delta as an explicit list of commands, before it is coded into five sub-streams.
#pragma once

#include <cstdint>
#include <vector>

enum class CommandKind {
    Copy,    // copy Length bytes from the combined source, then DeltaLength tail bytes
    Literal, // Length bytes from sub-stream 3, cut into pieces by the block size
    Skip,    // the value 0: the current tail length serves one copy command fewer
};

struct DeltaCommand {
    CommandKind Kind = CommandKind::Copy;
    int32_t Length = 0;             // Copy: bytes copied (> 0); Literal: total bytes (> 0)
    int32_t Offset = 0;             // Copy: relative to the end of the previous copy's exact range
    std::vector<uint8_t> Tail;      // Copy: sub-stream 4 bytes; its size is the tail length
    std::vector<uint8_t> Bytes;     // Literal: sub-stream 3 bytes
    std::vector<bool> PlainPieces;  // Literal: per piece, true = taken as read, false = added to source
};

// The settings of one variant that the commands are coded under.
struct DeltaSettings {
    int32_t BaseSize = 0;      // old file size
    int32_t ResultSize = 0;    // size of the file the commands produce
    uint16_t LengthReuse = 1;  // copy commands that share one tail-length byte
    uint8_t VariantFlags = 0;  // bit 0: number range is the sum of sizes; bit 1: tails are plain
    uint8_t BlockSize = 255;   // largest literal piece
};
