// Coverage rules of the 8-bit mask canvases: d and s are coverage bytes, 0 none, 255 full.
#pragma once

#include <cstdint>

#include "PixelMath.h"

// Union of coverages: the source covers its share of what the destination leaves uncovered.
struct PaintBrush {
    uint8_t operator()(uint32_t d, uint32_t s) const { return uint8_t(s + Div255Round((255 - s) * d)); }
};

// The paintbrush union with the source first weakened by the source surface's opacity.
struct AirBrush {
    uint32_t m_Opacity;  // read once per call, after both surfaces are locked
    uint8_t operator()(uint32_t d, uint32_t s) const
    {
        uint32_t a = Div255Round(s * m_Opacity);
        return uint8_t(d + Div255Round(a * (255 - d)));
    }
};
