// Exact-length block reads and writes, and the reads of patch data from the payload buffer.
#include <algorithm>

#include "container/patch_block.h"
#include "core/applier_state.h"
#include "platform/platform.h"

// The platform is handed at most this many bytes per call.
constexpr int32_t PlatformPiece = 60000;

bool ReadBlock(FileObject& File, void* Buffer, int32_t Count)
{
    for (int32_t Done = 0; Done < Count; Done += PlatformPiece)
        PlatformRead(File, (uint8_t*)Buffer + Done, std::min(Count - Done, PlatformPiece));
    return PlatformTakeError() == 0;
}

bool ReadBlockAt(FileObject& File, int32_t Position, void* Buffer, int32_t Count)
{
    for (int32_t Done = 0; Done < Count; Done += PlatformPiece)
        PlatformReadAt(File, Position + Done, (uint8_t*)Buffer + Done, std::min(Count - Done, PlatformPiece));
    return PlatformTakeError() == 0;
}

bool WriteBlock(FileObject& File, const void* Buffer, int32_t Count)
{
    for (int32_t Done = 0; Done < Count; Done += PlatformPiece)
        PlatformWrite(File, (const uint8_t*)Buffer + Done, std::min(Count - Done, PlatformPiece));
    return PlatformTakeError() == 0;
}

void ReadPayload(void* Buffer, int32_t Count)
{
    if (!ReadBlock(State.PayloadBuffer, Buffer, Count))
        AbortWithMessage(0);
}

std::string ReadPayloadString()
{
    uint8_t Length = 0;
    ReadPayload(&Length, 1);
    char Text[256];
    ReadPayload(Text, Length);
    return std::string(Text, Length);
}
