// Takes 16-byte blocks into the checksum register by carry-less multiplication, on processors
// that have it; elsewhere the tables do all the work.
#include "apply/crc_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

// Moving a 16-byte block D bits further on multiplies its first eight bytes by x^(D+32) and its
// last eight by x^(D-32), modulo the polynomial; each factor is kept bit-reflected and shifted
// left by one, which the reflected product needs.
constexpr long long By512First = 0x154442BD4;  // x^544
constexpr long long By512Second = 0x1C6E41596; // x^480
constexpr long long By128First = 0x1751997D0;  // x^160
constexpr long long By128Second = 0x0CCAA009E; // x^96

#define CRC_FOLD_TARGET __attribute__((target("sse2,pclmul")))

CRC_FOLD_TARGET static inline __m128i Load(const uint8_t* Bytes)
{
    return _mm_loadu_si128((const __m128i*)Bytes);
}

// Block moved on by the distance its factors stand for, added to the block found there.
CRC_FOLD_TARGET static inline __m128i FoldInto(__m128i Block, __m128i Factors, __m128i There)
{
    __m128i First = _mm_clmulepi64_si128(Block, Factors, 0x00);
    __m128i Second = _mm_clmulepi64_si128(Block, Factors, 0x11);
    return _mm_xor_si128(_mm_xor_si128(First, Second), There);
}

bool CrcFoldingAvailable()
{
    return __builtin_cpu_supports("sse2") && __builtin_cpu_supports("pclmul");
}

// Four lanes run 64 bytes apart, then fold into one; the register is added into the first bytes,
// and the last folded block, taken in from a zero register, gives the same register as all the
// blocks it stands for.
CRC_FOLD_TARGET uint32_t CrcUpdateFolded(uint32_t Register, const uint8_t* Bytes, int32_t Count)
{
    if (Count < 64)
        return CrcUpdateSliced(Register, Bytes, Count);
    __m128i Lane0 = _mm_xor_si128(Load(Bytes), _mm_cvtsi32_si128((int)Register));
    __m128i Lane1 = Load(Bytes + 16);
    __m128i Lane2 = Load(Bytes + 32);
    __m128i Lane3 = Load(Bytes + 48);
    const __m128i By512 = _mm_set_epi64x(By512Second, By512First);
    int32_t Done = 64;
    for (; Count - Done >= 64; Done += 64) {
        Lane0 = FoldInto(Lane0, By512, Load(Bytes + Done));
        Lane1 = FoldInto(Lane1, By512, Load(Bytes + Done + 16));
        Lane2 = FoldInto(Lane2, By512, Load(Bytes + Done + 32));
        Lane3 = FoldInto(Lane3, By512, Load(Bytes + Done + 48));
    }
    const __m128i By128 = _mm_set_epi64x(By128Second, By128First);
    __m128i Sum = FoldInto(FoldInto(FoldInto(Lane0, By128, Lane1), By128, Lane2), By128, Lane3);
    for (; Count - Done >= 16; Done += 16)
        Sum = FoldInto(Sum, By128, Load(Bytes + Done));
    uint8_t Last[16];
    _mm_storeu_si128((__m128i*)Last, Sum);
    return CrcUpdateSliced(CrcUpdateSliced(0, Last, 16), Bytes + Done, Count - Done);
}

#else

bool CrcFoldingAvailable()
{
    return false;
}

uint32_t CrcUpdateFolded(uint32_t Register, const uint8_t* Bytes, int32_t Count)
{
    return CrcUpdateSliced(Register, Bytes, Count);
}

#endif
