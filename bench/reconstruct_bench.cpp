// Measures rebuilding a large file and checksumming it, beside zlib's crc32 as a yardstick.
//
//   reconstruct_bench prepare SIZE_MB DIR   writes DIR/old.bin, DIR/payload.bin and DIR/delta.txt
//   reconstruct_bench run DIR               rebuilds DIR/result.bin and prints the figures
//
// The two steps run as separate processes so that the peak memory printed by "run" is the
// decoder's and the checksum's alone, not that of generating and encoding the delta.
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "apply/checksum.h"
#include "container/patch_block.h"
#include "core/applier_state.h"
#include "delta/reconstruct.h"
#include "platform/platform.h"
#include "shell/window_ops.h"
#include "tools/writer/command_encoder.h"

// The applier's window is not needed here: nothing is shown and nothing waits.
void AddLine(const std::string&) {}
void RemoveLastLine() {}
void PumpMessages() {}
void SetControlText(Control, const std::string&) {}
void ShowBox(const std::string&, const std::string&, BoxKind) {}
bool AskYesNoBox(const std::string&, const std::string&)
{
    return false;
}

constexpr int32_t Piece = 65536;
constexpr int32_t DeltaLead = 7; // payload bytes before the delta, so its position is not 0

// Byte Position of the old file: a counter-based generator, so any range can be made again
// without keeping the file in memory.
static uint8_t OldByte(int64_t Position)
{
    uint64_t Z = (uint64_t)(Position >> 3) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
    Z ^= Z >> 31;
    return (uint8_t)(Z >> (8 * (Position & 7)));
}

static void OldBytes(int64_t Position, int32_t Count, uint8_t* Into)
{
    for (int32_t I = 0; I < Count; I++)
        Into[I] = OldByte(Position + I);
}

// A stretch of the target that is an exact copy of the old file, for later copies from the output.
struct CopiedStretch {
    int32_t TargetOffset;
    int32_t OldOffset;
    int32_t Length;
};

// Builds the commands and, on the side, the checksum of the target they produce.
struct DeltaGenerator {
    std::mt19937_64 Random{20260101};
    int32_t OldSize = 0;
    int32_t TargetSize = 0;
    uint32_t TargetCrc = 0xFFFFFFFF;
    std::vector<DeltaCommand> Commands;
    std::vector<CopiedStretch> Stretches;
    DeltaSettings Settings;
    int32_t CopyPosition = 0;
    int32_t CopyLength = 0;
    int32_t DeltaLength = 0;
    int32_t ReuseCounter = 0;
    int32_t Cursor = 0; // where the target goes on in the old file

    int32_t Pick(int32_t Low, int32_t High)
    {
        return std::uniform_int_distribution<int32_t>(Low, High)(Random);
    }

    void Emit(const uint8_t* Bytes, int32_t Count)
    {
        TargetCrc = CrcUpdate(TargetCrc, Bytes, Count);
        TargetSize += Count;
    }

    void EmitOld(int64_t Position, int32_t Count)
    {
        std::vector<uint8_t> Buffer(Piece);
        for (int32_t Done = 0; Done < Count; Done += Piece) {
            int32_t N = std::min(Piece, Count - Done);
            OldBytes(Position + Done, N, Buffer.data());
            Emit(Buffer.data(), N);
        }
    }

    // Tail bytes: small changes to the old bytes at Source, most of them none.
    std::vector<uint8_t> MakeTail(int64_t Source, int32_t Length)
    {
        std::vector<uint8_t> Differences(Length), Wanted(Length);
        for (int32_t I = 0; I < Length; I++) {
            Differences[I] = Pick(0, 2) == 0 ? (uint8_t)Pick(1, 255) : 0;
            Wanted[I] = (uint8_t)(OldByte(Source + I) + Differences[I]);
        }
        Emit(Wanted.data(), Length);
        return Differences;
    }

    int32_t TailLengthDue()
    {
        return ReuseCounter == 0 ? Pick(0, 8) : DeltaLength;
    }

    void Account(int32_t Position, int32_t Length, int32_t TailLength)
    {
        if (ReuseCounter == 0) {
            DeltaLength = TailLength;
            ReuseCounter = Settings.LengthReuse;
        }
        ReuseCounter--;
        CopyPosition = Position;
        CopyLength = Length;
    }

    // Mostly long copies in order, now and then a little further on or back.
    void AddOldCopy()
    {
        if (Pick(0, 9) == 0)
            Cursor = std::max(0, Cursor + Pick(-2048, 4096));
        int32_t TailLength = TailLengthDue();
        int32_t Room = OldSize - Cursor - TailLength;
        if (Room <= 0) {
            Cursor = OldSize;
            return;
        }
        int32_t Length = std::min(Room, Pick(4096, 131072));
        int32_t Offset = Cursor - CopyPosition - CopyLength;
        Stretches.push_back({TargetSize, Cursor, Length});
        EmitOld(Cursor, Length);
        std::vector<uint8_t> Tail = MakeTail((int64_t)Cursor + Length, TailLength);
        Commands.push_back(Copy(Offset, Length, Tail));
        Account(Cursor, Length, TailLength);
        Cursor += Length + TailLength;
    }

    // Part of a stretch produced earlier, tail included, taken again from the output.
    void AddOutputCopy()
    {
        const CopiedStretch& From = Stretches[Stretches.size() - 1 - Pick(0, std::min<int>(Stretches.size(), 64) - 1)];
        int32_t TailLength = TailLengthDue();
        if (From.Length < TailLength + 2)
            return;
        int32_t Skip = Pick(0, (From.Length - TailLength) / 2);
        int32_t Length = Pick(1, From.Length - TailLength - Skip);
        int32_t Position = OldSize + From.TargetOffset + Skip;
        int32_t Offset = Position - CopyPosition - CopyLength;
        EmitOld((int64_t)From.OldOffset + Skip, Length);
        std::vector<uint8_t> Tail = MakeTail((int64_t)From.OldOffset + Skip + Length, TailLength);
        Commands.push_back(Copy(Offset, Length, Tail));
        Account(Position, Length, TailLength);
    }

    // New bytes, plain or as differences to the old bytes after the last copy's tail.
    void AddLiteral()
    {
        int32_t Total = Pick(16, 2000);
        std::vector<int32_t> Pieces = LiteralPieceSizes(Total, Settings.BlockSize);
        int64_t SourceStart = (int64_t)CopyPosition + CopyLength + DeltaLength;
        bool FromOld = CopyPosition < OldSize && SourceStart + Total <= OldSize;
        DeltaCommand Command;
        Command.Kind = CommandKind::Literal;
        Command.Length = Total;
        int32_t Done = 0;
        for (int32_t Size : Pieces) {
            bool Added = FromOld && Pick(0, 2) == 0;
            std::vector<uint8_t> Wanted(Size);
            for (int32_t I = 0; I < Size; I++) {
                Wanted[I] = (uint8_t)Random();
                uint8_t Source = Added ? OldByte(SourceStart + Done + I) : 0;
                Command.Bytes.push_back((uint8_t)(Wanted[I] - Source));
            }
            Command.PlainPieces.push_back(!Added);
            Emit(Wanted.data(), Size);
            Done += Size;
        }
        Commands.push_back(Command);
        if (Pick(0, 1) == 0)
            Cursor = std::min(OldSize, Cursor + Total); // replaced rather than inserted
    }

    static DeltaCommand Copy(int32_t Offset, int32_t Length, const std::vector<uint8_t>& Tail)
    {
        DeltaCommand Command;
        Command.Kind = CommandKind::Copy;
        Command.Length = Length;
        Command.Offset = Offset;
        Command.Tail = Tail;
        return Command;
    }

    void Generate()
    {
        while (Cursor < OldSize) {
            int Kind = Pick(0, 99);
            if (Kind < 85 || Stretches.empty())
                AddOldCopy();
            else if (Kind < 95)
                AddLiteral();
            else
                AddOutputCopy();
        }
    }
};

static double Seconds(std::chrono::steady_clock::time_point Since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Since).count();
}

static int Prepare(int32_t SizeMb, const std::string& Dir)
{
    DeltaGenerator Generator;
    Generator.OldSize = SizeMb * 1048576;
    Generator.Settings.BaseSize = Generator.OldSize;
    Generator.Settings.LengthReuse = 4;
    Generator.Settings.VariantFlags = 0x01;
    Generator.Settings.BlockSize = 255;

    std::ofstream Old(Dir + "/old.bin", std::ios::binary | std::ios::trunc);
    std::vector<uint8_t> Buffer(Piece);
    for (int64_t Done = 0; Done < Generator.OldSize; Done += Piece) {
        OldBytes(Done, Piece, Buffer.data());
        Old.write((const char*)Buffer.data(), Piece);
    }
    Old.close();

    Generator.Generate();
    Generator.Settings.ResultSize = Generator.TargetSize;
    EncodedDelta Encoded;
    std::string Error;
    if (!EncodeCommands(Generator.Commands, Generator.Settings, Encoded, Error)) {
        std::fprintf(stderr, "encoding failed: %s\n", Error.c_str());
        return 1;
    }
    std::ofstream Payload(Dir + "/payload.bin", std::ios::binary | std::ios::trunc);
    Payload.write("leading", DeltaLead);
    for (const std::vector<uint8_t>& Stream : Encoded.SubStreams)
        Payload.write((const char*)Stream.data(), (std::streamsize)Stream.size());
    std::ofstream Delta(Dir + "/delta.txt", std::ios::trunc);
    Delta << Generator.OldSize << ' ' << Generator.TargetSize << ' ' << Generator.Settings.LengthReuse << ' '
          << (int)Generator.Settings.VariantFlags << ' ' << (int)Generator.Settings.BlockSize << ' '
          << Generator.TargetCrc;
    for (int32_t Length : Encoded.StreamLengths)
        Delta << ' ' << Length;
    Delta << '\n';
    std::printf("prepared %d MB old file, %zu commands, %d-byte target, sub-streams %d/%d/%d/%d/%d bytes\n", SizeMb,
                Generator.Commands.size(), Generator.TargetSize, Encoded.StreamLengths[0], Encoded.StreamLengths[1],
                Encoded.StreamLengths[2], Encoded.StreamLengths[3], Encoded.StreamLengths[4]);
    return 0;
}

static long PeakMemoryKb()
{
    std::ifstream Status("/proc/self/status");
    std::string Word;
    while (Status >> Word)
        if (Word == "VmHWM:") {
            long Kb = 0;
            Status >> Kb;
            return Kb;
        }
    return -1;
}

// zlib's crc32 over the same file, read the same way: its standard CRC is the complement of ours.
static uint32_t ZlibCrcOfFile(const std::string& Path)
{
    FileObject File;
    PlatformOpenRead(File, Path);
    int32_t Size = PlatformFileSize(File);
    std::vector<uint8_t> Buffer(Piece);
    uLong Crc = crc32(0, nullptr, 0);
    for (int32_t Done = 0; Done < Size; Done += Piece) {
        int32_t N = std::min(Piece, Size - Done);
        ReadBlock(File, Buffer.data(), N);
        Crc = crc32(Crc, Buffer.data(), (uInt)N);
    }
    PlatformClose(File);
    return (uint32_t)Crc;
}

static void CompareKernelsInMemory(int64_t Bytes)
{
    std::vector<uint8_t> Block(1048576);
    for (size_t I = 0; I < Block.size(); I++)
        Block[I] = OldByte((int64_t)I * 3);
    int Rounds = (int)(Bytes / (int64_t)Block.size());
    auto Start = std::chrono::steady_clock::now();
    uint32_t Ours = 0xFFFFFFFF;
    for (int R = 0; R < Rounds; R++)
        Ours = CrcUpdate(Ours, Block.data(), (int32_t)Block.size());
    double OursSeconds = Seconds(Start);
    Start = std::chrono::steady_clock::now();
    uLong Theirs = crc32(0, nullptr, 0);
    for (int R = 0; R < Rounds; R++)
        Theirs = crc32(Theirs, Block.data(), (uInt)Block.size());
    double TheirSeconds = Seconds(Start);
    double Mb = (double)Rounds * Block.size() / 1048576.0;
    std::printf("  in memory, 1 MiB x %d:  ours %8.0f MB/s   zlib crc32 %8.0f MB/s   (%s)\n", Rounds, Mb / OursSeconds,
                Mb / TheirSeconds, (uint32_t)~Ours == (uint32_t)Theirs ? "same CRC" : "CRC DIFFERS");
}

static int Run(const std::string& Dir)
{
    SourceVariant Variant;
    int32_t ResultSize = 0, Reuse = 0, Flags = 0, Block = 0;
    uint32_t ExpectedCrc = 0;
    std::ifstream Delta(Dir + "/delta.txt");
    Delta >> Variant.OldSize >> ResultSize >> Reuse >> Flags >> Block >> ExpectedCrc;
    for (int32_t& Length : Variant.StreamLengths)
        Delta >> Length;
    Variant.LengthReuse = (uint16_t)Reuse;
    Variant.VariantFlags = (uint8_t)Flags;
    Variant.BlockSize = (uint8_t)Block;

    State.TempDir = Dir + "/";
    PlatformOpenRead(State.PayloadBuffer, Dir + "/payload.bin");
    State.PayloadOpen = true;
    std::string OutputName;
    auto Start = std::chrono::steady_clock::now();
    ReconstructFile(Variant, DeltaLead, Dir + "/old.bin", OutputName, false, false, ResultSize, 0, 0);
    double RebuildSeconds = Seconds(Start);
    PlatformClose(State.PayloadBuffer);
    State.PayloadOpen = false;
    std::string Result = Dir + "/result.bin";
    std::rename(OutputName.c_str(), Result.c_str());

    FileObject File;
    PlatformOpenRead(File, Result);
    uint32_t Crc = 0;
    Start = std::chrono::steady_clock::now();
    bool Complete = WindowedCrc(File, 0, 0, Crc);
    double CrcSeconds = Seconds(Start);
    PlatformClose(File);
    Start = std::chrono::steady_clock::now();
    uint32_t Zlib = ZlibCrcOfFile(Result);
    double ZlibSeconds = Seconds(Start);

    double Mb = ResultSize / 1048576.0;
    std::printf("rebuilt %.0f MB from a %.0f MB old file (%s)\n", Mb, Variant.OldSize / 1048576.0,
                Complete && Crc == ExpectedCrc && (uint32_t)~Crc == Zlib ? "checksum as expected"
                                                                         : "CHECKSUM WRONG");
    std::printf("  rebuild:                ours %8.0f MB/s of output\n", Mb / RebuildSeconds);
    std::printf("  checksum of the result: ours %8.0f MB/s   zlib crc32 %8.0f MB/s (same 64 KiB reads)\n",
                Mb / CrcSeconds, Mb / ZlibSeconds);
    long PeakKb = PeakMemoryKb();
    CompareKernelsInMemory((int64_t)ResultSize);
    std::printf("  peak memory (VmHWM) after rebuild and checksum: %ld KiB\n", PeakKb);
    return Complete && Crc == ExpectedCrc ? 0 : 1;
}

int main(int Count, char** Arguments)
{
    std::string Mode = Count > 1 ? Arguments[1] : "";
    if (Mode == "prepare" && Count == 4)
        return Prepare(std::atoi(Arguments[2]), Arguments[3]);
    if (Mode == "run" && Count == 3)
        return Run(Arguments[2]);
    std::fprintf(stderr, "usage: %s prepare SIZE_MB DIR | run DIR\n", Arguments[0]);
    return 1;
}
