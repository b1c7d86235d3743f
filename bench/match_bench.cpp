// Runs the delta matcher on an old and a new file and prints the coded size, its share of the
// new file, the time taken and the peak memory; optionally writes the five sub-streams.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/builder/command_cost.h"
#include "tools/builder/delta_matcher.h"

static std::vector<uint8_t> ReadWhole(const char* Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: match_bench OLD NEW\n");
        return 1;
    }
    std::vector<uint8_t> Old = ReadWhole(argv[1]);
    std::vector<uint8_t> New = ReadWhole(argv[2]);
    DeltaSettings Settings;
    Settings.BaseSize = (int32_t)Old.size();
    Settings.ResultSize = (int32_t)New.size();
    auto Begin = std::chrono::steady_clock::now();
    std::vector<DeltaCommand> Commands = MatchDelta(Old, New, Settings);
    double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Begin).count();
    StreamSizes Sizes = CodedSizes(Commands, Settings);
    rusage Usage;
    getrusage(RUSAGE_SELF, &Usage);
    std::printf("commands %zu  reuse %u  flags %u  block %u\n", Commands.size(), Settings.LengthReuse,
                Settings.VariantFlags, Settings.BlockSize);
    std::printf("streams %lld %lld %lld %lld %lld\n", (long long)Sizes.Bytes[0], (long long)Sizes.Bytes[1],
                (long long)Sizes.Bytes[2], (long long)Sizes.Bytes[3], (long long)Sizes.Bytes[4]);
    std::printf("raw %lld bytes  %.2f %% of new  time %.3f s  peak %.1f MB (%.1fx old)\n", (long long)Sizes.Total(),
                100.0 * Sizes.Total() / New.size(), Seconds, Usage.ru_maxrss / 1024.0,
                Usage.ru_maxrss * 1024.0 / std::max<size_t>(Old.size(), 1));
    return 0;
}
