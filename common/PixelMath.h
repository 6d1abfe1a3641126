// Per-pixel arithmetic shared by the converters and canvases: small inline rules, no loops.
#pragma once

#include <cstdint>

// d + v clamped at 255, without a branch: bit 8 of the 9-bit sum, negated, ORed into the low byte.
inline uint8_t SatAdd(uint32_t d, uint32_t v)
{
    uint32_t s = d + v;
    return uint8_t(s | (0u - (s >> 8)));
}

// t / 255 rounded half up, for t from 0 to 255 * 255, with no division.
constexpr uint32_t Div255Round(uint32_t t)
{
    uint32_t u = t + 128;
    return (u + (u >> 8)) >> 8;
}
