// Runs the delta matcher on an old and a new file, codes the commands, and prints the coded
// size, its share of the new file, the time taken and the peak memory; with a third argument
// it also writes the five sub-streams there, back to back. --stored makes the stored patch
// smallest instead of the compressed one.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/builder/delta_matcher.h"
#include "tools/writer/command_encoder.h"

static std::vector<uint8_t> ReadWhole(const char* Path)
{
    std::ifstream In(Path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> Bytes(In ? (size_t)In.tellg() : 0);
    In.seekg(0);
    In.read((char*)Bytes.data(), (std::streamsize)Bytes.size());
    return Bytes;
}

int main(int argc, char** argv)
{
    SizeGoal Goal = SizeGoal::Compressed;
    if (argc > 1 && std::string(argv[1]) == "--stored") {
        Goal = SizeGoal::Stored;
        argv++;
        argc--;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: match_bench [--stored] OLD NEW [STREAMS-OUT]\n");
        return 1;
    }
    std::vector<uint8_t> Old = ReadWhole(argv[1]);
    std::vector<uint8_t> New = ReadWhole(argv[2]);
    DeltaSettings Settings;
    Settings.BaseSize = (int32_t)Old.size();
    Settings.ResultSize = (int32_t)New.size();
    auto Begin = std::chrono::steady_clock::now();
    std::vector<DeltaCommand> Commands = MatchDelta(Old, New, Settings, CrcWindowSpec(), Goal);
    double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Begin).count();
    rusage Usage;
    getrusage(RUSAGE_SELF, &Usage);
    EncodedDelta Encoded;
    std::string Error;
    if (!EncodeCommands(Commands, Settings, Encoded, Error)) {
        std::fprintf(stderr, "match_bench: %s\n", Error.c_str());
        return 2;
    }
    long long Raw = 0;
    for (int Stream = 0; Stream < SubStreamCount; Stream++)
        Raw += Encoded.StreamLengths[Stream];
    std::printf("commands %zu  length reuse %u  flags %u  block size %u\n", Commands.size(), Settings.LengthReuse,
                Settings.VariantFlags, Settings.BlockSize);
    std::printf("sub-streams %d %d %d %d %d\n", Encoded.StreamLengths[0], Encoded.StreamLengths[1],
                Encoded.StreamLengths[2], Encoded.StreamLengths[3], Encoded.StreamLengths[4]);
    std::printf("raw %lld bytes  %.2f %% of new  time %.3f s  cpu %.3f s  peak %.1f MB (%.1f x old)\n", Raw,
                100.0 * Raw / std::max<size_t>(New.size(), 1), Seconds,
                Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec + (Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6,
                Usage.ru_maxrss / 1024.0, Usage.ru_maxrss * 1024.0 / std::max<size_t>(Old.size(), 1));
    if (argc > 3) {
        std::ofstream Out(argv[3], std::ios::binary);
        for (const std::vector<uint8_t>& Stream : Encoded.SubStreams)
            Out.write((const char*)Stream.data(), (std::streamsize)Stream.size());
    }
    return 0;
}
