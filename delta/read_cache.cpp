// Short reads of a file that does not change while it is read (the old file, the part of the
// output already written) served from a cache, instead of a seek and a read each.
#include <algorithm>
#include <cstring>

#include "container/patch_block.h"
#include "delta/decoder_io.h"
#include "platform/platform.h"

// The cache is filled from the first byte asked for on, a little further than asked, since the
// tail and the pieces after a copy read on from its end.
constexpr int32_t ReadAhead = 4096;

static bool FillCache(FileObject& File, ReadCache& Cache, int32_t Limit, int32_t Position, int32_t Wanted)
{
    int32_t Count = std::min({Limit - Position, ReadCacheSize, Wanted + ReadAhead});
    Cache.Start = Cache.End = Position;
    if (Count <= 0)
        return true;
    PlatformSeek(File, Position);
    if (!ReadBlock(File, Cache.Bytes, Count))
        return false;
    Cache.End = Position + Count;
    return true;
}

bool ReadThroughCache(FileObject& File, ReadCache& Cache, int32_t Limit, int32_t Position, uint8_t* Into, int32_t Count)
{
    if (Position < 0)
        return false;
    if (Count > ReadCacheSize) {
        PlatformSeek(File, Position);
        return ReadBlock(File, Into, Count);
    }
    bool Cached = Position >= Cache.Start && Count <= Cache.End - Position;
    if (!Cached && (!FillCache(File, Cache, Limit, Position, Count) || Count > Cache.End - Position))
        return false;
    std::memcpy(Into, Cache.Bytes + (Position - Cache.Start), Count);
    return true;
}
