// Tests of the windowed checksum: known values, both update kernels against the bit-by-bit
// definition, windows and ranges that leave the file.
#include <gtest/gtest.h>

#include <random>

#include "apply/checksum.h"
#include "apply/crc_kernels.h"
#include "core/applier_state.h"
#include "platform/platform.h"
#include "tests/support/scratch.h"

// The register update taken bit by bit, straight from the polynomial.
static uint32_t BitwiseCrc(uint32_t Register, const uint8_t* Bytes, size_t Count)
{
    for (size_t I = 0; I < Count; I++) {
        Register ^= Bytes[I];
        for (int Bit = 0; Bit < 8; Bit++)
            Register = (Register & 1) ? (Register >> 1) ^ 0xEDB88320u : Register >> 1;
    }
    return Register;
}

static std::vector<uint8_t> RandomBytes(size_t Count, uint32_t Seed)
{
    std::mt19937 Random(Seed);
    std::vector<uint8_t> Bytes(Count);
    for (uint8_t& Byte : Bytes)
        Byte = (uint8_t)Random();
    return Bytes;
}

struct KnownUpdate {
    const char* Bytes;
    int32_t Count;
    uint32_t Register;
    uint32_t Expected;
};

TEST(CrcUpdate, KnownValues)
{
    const KnownUpdate Cases[] = {
        {"abc", 3, 0xFFFFFFFF, 0xCADBBE3D}, // the complement of the standard CRC-32 of abc
        {"\x01", 1, 0, 0x77073096},         // table entry 1
        {"\xFF", 1, 0, 0x2D02EF8D},         // table entry 255
        {"abc", 0, 0x12345678, 0x12345678}, // nothing taken in
        {"abc", -5, 0x12345678, 0x12345678},
    };
    for (const KnownUpdate& Case : Cases)
        EXPECT_EQ(CrcUpdate(Case.Register, (const uint8_t*)Case.Bytes, Case.Count), Case.Expected)
            << Case.Bytes << " count " << Case.Count;
}

using CrcKernel = uint32_t (*)(uint32_t, const uint8_t*, int32_t);

struct KernelCase {
    const char* Name;
    CrcKernel Kernel;
    bool NeedsFolding;
};

static void PrintTo(const KernelCase& Case, std::ostream* Out)
{
    *Out << Case.Name;
}

class CrcKernels : public ::testing::TestWithParam<KernelCase> {};

// Every length around the 8-, 16- and 64-byte steps, at every alignment, and a few long ones.
TEST_P(CrcKernels, MatchTheBitwiseDefinition)
{
    if (GetParam().NeedsFolding && !CrcFoldingAvailable())
        GTEST_SKIP() << "no carry-less multiplication on this processor";
    std::vector<uint8_t> Data = RandomBytes(200000, 7);
    std::vector<size_t> Lengths;
    for (size_t Length = 0; Length <= 300; Length++)
        Lengths.push_back(Length);
    for (size_t Length : {511, 512, 513, 65535, 65536, 65537, 199990})
        Lengths.push_back(Length);
    for (size_t Length : Lengths)
        for (size_t Start = 0; Start < 8; Start++) {
            uint32_t Register = 0x9E3779B9u * (uint32_t)(Length + 1);
            ASSERT_EQ(GetParam().Kernel(Register, Data.data() + Start, (int32_t)Length),
                      BitwiseCrc(Register, Data.data() + Start, Length))
                << "length " << Length << " at offset " << Start;
        }
}

INSTANTIATE_TEST_SUITE_P(Kernels, CrcKernels,
                         ::testing::Values(KernelCase{"Sliced", CrcUpdateSliced, false},
                                           KernelCase{"Folded", CrcUpdateFolded, true},
                                           KernelCase{"Chosen", CrcUpdate, false}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

class WindowedCrcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetApplierState();
        ScratchDir = MakeScratchDir();
    }
    void TearDown() override
    {
        PlatformClose(File);
        RemoveScratchDir(ScratchDir);
    }
    void Open(const std::vector<uint8_t>& Bytes)
    {
        PlatformClose(File);
        std::string Path = ScratchDir + "file" + std::to_string(Files++) + ".bin";
        WriteBytes(Path, Bytes);
        ASSERT_TRUE(PlatformOpenRead(File, Path));
    }
    bool Windowed(int32_t Start, int32_t Length, uint32_t& Crc)
    {
        return WindowedCrc(File, Start, Length, Crc);
    }

    std::string ScratchDir;
    FileObject File;
    int Files = 0;
};

struct WindowCase {
    int32_t Start;
    int32_t Length;
    bool Complete;
    uint32_t Expected;
};

TEST_F(WindowedCrcTest, WindowsOverAbc)
{
    const WindowCase Cases[] = {
        {0, 0, true, 0xCADBBE3D},   // abc
        {77, 0, true, 0xCADBBE3D},  // a length of 0 ignores the start
        {1, 1, true, 0x167B8704},   // ac
        {0, 1, true, 0x3D56D4C7},   // bc
        {2, 5, true, 0x617CB792},   // ab: the window runs past the end
        {3, 4, true, 0xCADBBE3D},   // a window starting at the end leaves the whole file
        {-1, 2, true, 0x3D56D4C7},  // bc: only the part of the window inside the file counts
        {4, 1, false, 0},           // byte 3 is needed before the window and does not exist
        {0x7FFFFFFF, 1, false, 0},  // so are all bytes up to a window far beyond the end
        {-5, 1, false, 0},          // the window ends before the file starts: bytes -4 to -1 are needed
    };
    Open(Bytes("abc"));
    for (const WindowCase& Case : Cases) {
        uint32_t Crc = 0;
        ASSERT_EQ(Windowed(Case.Start, Case.Length, Crc), Case.Complete) << Case.Start << "," << Case.Length;
        if (Case.Complete) {
            EXPECT_EQ(Crc, Case.Expected) << Case.Start << "," << Case.Length;
        }
    }
}

TEST_F(WindowedCrcTest, EmptyFile)
{
    Open({});
    uint32_t Crc = 0;
    EXPECT_TRUE(Windowed(0, 0, Crc));
    EXPECT_EQ(Crc, 0xFFFFFFFFu);
    EXPECT_TRUE(Windowed(0, 9, Crc));
    EXPECT_EQ(Crc, 0xFFFFFFFFu);
    EXPECT_FALSE(Windowed(1, 1, Crc));
}

// Windows at the edges of the read pieces of a file several pieces long, against the bytes
// outside the window taken in bit by bit.
TEST_F(WindowedCrcTest, LargeFileAgainstDefinition)
{
    std::vector<uint8_t> Bytes = RandomBytes(3 * 65536 + 5, 11);
    Open(Bytes);
    const int32_t Size = (int32_t)Bytes.size();
    const int32_t Starts[] = {0, 1, 65535, 65536, 65537, 131072, Size - 1, Size};
    const int32_t Lengths[] = {0, 1, 501, 65536, 70000};
    for (int32_t Start : Starts)
        for (int32_t Length : Lengths) {
            uint32_t Expected = 0xFFFFFFFF;
            if (Length == 0) {
                Expected = BitwiseCrc(Expected, Bytes.data(), Bytes.size());
            } else {
                int32_t Resume = std::min(Start + Length, Size);
                Expected = BitwiseCrc(Expected, Bytes.data(), Start);
                Expected = BitwiseCrc(Expected, Bytes.data() + Resume, Size - Resume);
            }
            uint32_t Crc = 0;
            ASSERT_TRUE(Windowed(Start, Length, Crc));
            EXPECT_EQ(Crc, Expected) << "window " << Start << "," << Length;
        }
}

TEST_F(WindowedCrcTest, OnlyBytesOutsideTheWindowCount)
{
    std::vector<uint8_t> Bytes = RandomBytes(100000, 3);
    uint32_t Original = 0;
    Open(Bytes);
    ASSERT_TRUE(Windowed(40000, 1000, Original));

    std::vector<uint8_t> InsideChanged = Bytes;
    InsideChanged[40000] ^= 1;
    InsideChanged[40999] ^= 0x80;
    uint32_t Crc = 0;
    Open(InsideChanged);
    ASSERT_TRUE(Windowed(40000, 1000, Crc));
    EXPECT_EQ(Crc, Original);

    for (size_t Outside : {39999, 41000}) {
        std::vector<uint8_t> OutsideChanged = Bytes;
        OutsideChanged[Outside] ^= 1;
        Open(OutsideChanged);
        ASSERT_TRUE(Windowed(40000, 1000, Crc));
        EXPECT_NE(Crc, Original) << "byte " << Outside;
    }
}

TEST_F(WindowedCrcTest, RangesLeavingTheFileFail)
{
    Open(Bytes("abcdef"));
    uint32_t Register = 0xFFFFFFFF;
    EXPECT_TRUE(CrcOfRange(File, 2, 6, Register));
    EXPECT_EQ(Register, BitwiseCrc(0xFFFFFFFF, (const uint8_t*)"cdef", 4));
    Register = 0x1234;
    EXPECT_TRUE(CrcOfRange(File, 5, 5, Register));
    EXPECT_TRUE(CrcOfRange(File, -3, -7, Register));
    EXPECT_EQ(Register, 0x1234u);
    EXPECT_FALSE(CrcOfRange(File, 2, 7, Register));
    EXPECT_FALSE(CrcOfRange(File, -1, 3, Register));
    EXPECT_FALSE(CrcOfRange(File, 9, 12, Register));
    // A failed range leaves nothing pending for the next one.
    Register = 0xFFFFFFFF;
    EXPECT_TRUE(CrcOfRange(File, 0, 3, Register));
    EXPECT_EQ(Register, 0xCADBBE3Du);
}
