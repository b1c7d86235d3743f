// Takes bytes into the checksum register, through the tables or by carry-less multiplication.
#include "apply/checksum.h"
#include "apply/crc_kernels.h"
#include "apply/crc_tables.h"
#include "core/byte_order.h"

// Below this many bytes setting up the folding costs more than it saves.
constexpr int32_t FoldingThreshold = 256;

uint32_t CrcUpdateSliced(uint32_t Register, const uint8_t* Bytes, int32_t Count)
{
    for (; Count >= 8; Count -= 8, Bytes += 8) {
        uint32_t First = ReadLe32(Bytes) ^ Register;
        uint32_t Second = ReadLe32(Bytes + 4);
        Register = CrcTables[7][First & 0xFF] ^ CrcTables[6][(First >> 8) & 0xFF] ^
                   CrcTables[5][(First >> 16) & 0xFF] ^ CrcTables[4][First >> 24] ^
                   CrcTables[3][Second & 0xFF] ^ CrcTables[2][(Second >> 8) & 0xFF] ^
                   CrcTables[1][(Second >> 16) & 0xFF] ^ CrcTables[0][Second >> 24];
    }
    for (; Count > 0; Count--, Bytes++)
        Register = CrcTables[0][(Register ^ *Bytes) & 0xFF] ^ (Register >> 8);
    return Register;
}

uint32_t CrcUpdate(uint32_t Register, const uint8_t* Bytes, int32_t Count)
{
    if (Count >= FoldingThreshold && CrcFoldingAvailable())
        return CrcUpdateFolded(Register, Bytes, Count);
    return CrcUpdateSliced(Register, Bytes, Count);
}
