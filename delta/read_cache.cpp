// Short reads of a file that does not change while it is read (the old file, the part of the
// output already written) served from a cache of aligned blocks, instead of a seek and a read
// each.
#include <algorithm>
#include <cstring>

#include "container/patch_block.h"
#include "delta/decoder_io.h"
#include "platform/platform.h"

void EmptyReadCache(CacheSlots Cache)
{
    for (int Slot = 0; Slot < Cache.Count; Slot++)
        Cache.Start[Slot] = Cache.End[Slot] = 0;
}

// Reads the block that holds Position into its slot, as far as the file's readable bytes go.
static bool FillSlot(FileObject& File, CacheSlots Cache, int Slot, int32_t Limit, int32_t Position)
{
    int32_t Start = Position - Position % ReadCacheBlock;
    int32_t Count = std::min(Limit - Start, ReadCacheBlock);
    Cache.Start[Slot] = Cache.End[Slot] = Start;
    if (Count <= 0)
        return true;
    if (!ReadBlockAt(File, Start, Cache.Bytes[Slot], Count))
        return false;
    Cache.End[Slot] = Start + Count;
    return true;
}

bool ReadThroughCache(FileObject& File, CacheSlots Cache, int32_t Limit, int32_t Position, uint8_t* Into, int32_t Count)
{
    if (Position < 0)
        return false;
    if (Count > ReadCacheBlock)
        return ReadBlockAt(File, Position, Into, Count);
    while (Count > 0) {
        int Slot = Position / ReadCacheBlock % Cache.Count;
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
