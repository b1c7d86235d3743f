// Little-endian field access for the fixed-layout records of a patch block.
#pragma once

#include <cstdint>

inline uint16_t ReadLe16(const uint8_t* Raw)
{
    return (uint16_t)(Raw[0] | (Raw[1] << 8));
}

inline uint32_t ReadLe32(const uint8_t* Raw)
{
    return (uint32_t)Raw[0] | ((uint32_t)Raw[1] << 8) | ((uint32_t)Raw[2] << 16) | ((uint32_t)Raw[3] << 24);
}

inline void WriteLe16(uint8_t* Raw, uint16_t Value)
{
    Raw[0] = (uint8_t)Value;
    Raw[1] = (uint8_t)(Value >> 8);
}

inline void WriteLe32(uint8_t* Raw, uint32_t Value)
{
    for (int i = 0; i < 4; i++)
        Raw[i] = (uint8_t)(Value >> (8 * i));
}
