// Short reads of a file that does not change while it is read (the old file, the part of the
// output already written) served from a cache of aligned blocks, instead of a seek and a read
// each.
#include <algorithm>
#include <cstring>

#include "container/patch_block.h"
#include "delta/decoder_io.h"
#include "platform/platform.h"

void EmptyReadCache(ReadCache& Cache)
{
    for (int Slot = 0; Slot < ReadCacheSlots; Slot++)
        Cache.Start[Slot] = Cache.End[Slot] = 0;
}

// Reads the block that holds Position into its slot, as far as the file's readable bytes go.
static bool FillSlot(FileObject& File, ReadCache& Cache, int Slot, int32_t Limit, int32_t Position)
{
    int32_t Start = Position - Position % ReadCacheBlock;
    int32_t Count = std::min(Limit - Start, ReadCacheBlock);
    Cache.Start[Slot] = Cache.End[Slot] = Start;
    if (Count <= 0)
        return true;
    PlatformSeek(File, Start);
    if (!ReadBlock(File, Cache.Bytes[Slot], Count))
        return false;
    Cache.End[Slot] = Start + Count;
    return true;
}

bool ReadThroughCache(FileObject& File, ReadCache& Cache, int32_t Limit, int32_t Position, uint8_t* Into, int32_t Count)
{
    if (Position < 0)
        return false;
    if (Count > ReadCacheBlock) {
        PlatformSeek(File, Position);
        return ReadBlock(File, Into, Count);
    }
    while (Count > 0) {
        int Slot = Position / ReadCacheBlock % ReadCacheSlots;
        bool Cached = Position >= Cache.Start[Slot] && Position < Cache.End[Slot];
        if (!Cached && (!FillSlot(File, Cache, Slot, Limit, Position) || Position >= Cache.End[Slot]))
            return false;
        int32_t Piece = std::min(Count, Cache.End[Slot] - Position);
        std::memcpy(Into, Cache.Bytes[Slot] + (Position - Cache.Start[Slot]), Piece);
        Into += Piece;
        Position += Piece;
        Count -= Piece;
    }
    return true;
}
