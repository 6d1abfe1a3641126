// Blend rules of the 8/8/8/8 and 8/8/8 surface canvases: one destination byte d and one source
// value v in, the new destination byte out.
#pragma once

#include <cstdint>

#include "PixelMath.h"

struct AddSat { uint8_t operator()(uint32_t d, uint32_t v) const { return SatAdd(d, v); } };

struct Copy { uint8_t operator()(uint32_t, uint32_t v) const { return uint8_t(v); } };

// Weights in 1/256 units, not normalised against each other: the excess is clamped at 255.
struct LinComb {
    uint32_t m_SourceWeight;
    uint32_t m_DestinationWeight;
    uint8_t operator()(uint32_t d, uint32_t v) const
    {
        uint32_t t = (v * m_SourceWeight + d * m_DestinationWeight) >> 8;
        return uint8_t(t > 255 ? 255 : t);
    }
};
