// Counts the bytes and bits that a command list takes in each sub-stream, exactly as the coder
// lays them out.
#include "tools/builder/command_cost.h"

#include <algorithm>
#include <cstdlib>

int64_t LargestMagnitude(int64_t Range)
{
    if (Range <= 255)
        return 255;
    if (Range <= 65535)
        return 65535;
    if (Range <= 16777215)
        return 16777215;
    return INT32_MAX;
}

static int32_t ByteWidth(int64_t Magnitude)
{
    if (Magnitude <= 255)
        return 1;
    if (Magnitude <= 65535)
        return 2;
    return Magnitude <= 16777215 ? 3 : 4;
}

// Adds one number to the byte and bit counts of the streams that carry it.
static void CountNumber(int64_t Value, int64_t Range, StreamSizes& Sizes, int64_t (&Bits)[2])
{
    int32_t Width = ByteWidth(std::llabs(Value));
    Sizes.Bytes[0] += Width;
    Bits[1] += Range > 255 ? 2 : 1;
    if (Width >= 2 && Range > 65535)
        Bits[0]++;
    if (Width >= 3 && Range > 16777215)
        Bits[0]++;
}

StreamSizes CodedSizes(const std::vector<DeltaCommand>& Commands, const DeltaSettings& Settings)
{
    StreamSizes Sizes;
    int64_t Bits[2] = {}; // sub-stream 1, sub-stream 2
    int64_t Range = NumberRangeOf(Settings);
    int32_t ReuseCounter = 0;
    for (const DeltaCommand& Command : Commands) {
        switch (Command.Kind) {
        case CommandKind::Skip:
            CountNumber(0, Range, Sizes, Bits);
            ReuseCounter--;
            break;
        case CommandKind::Copy:
            CountNumber(Command.Length, Range, Sizes, Bits);
            CountNumber(Command.Offset, Range, Sizes, Bits);
            if (ReuseCounter == 0) {
                Sizes.Bytes[0]++;
                ReuseCounter = Settings.LengthReuse;
            }
            ReuseCounter--;
            Sizes.Bytes[4] += (int64_t)Command.Tail.size();
            break;
        case CommandKind::Literal:
            CountNumber(-(int64_t)Command.Length, Range, Sizes, Bits);
            Sizes.Bytes[3] += Command.Length;
            Bits[0] += LiteralPieceCount(Command.Length, Settings.BlockSize);
            break;
        }
    }
    Sizes.Bytes[1] = (Bits[0] + 7) / 8;
    Sizes.Bytes[2] = (Bits[1] + 7) / 8;
    return Sizes;
}
