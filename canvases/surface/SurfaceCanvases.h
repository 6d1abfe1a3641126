// The 8/8/8/8 and 8/8/8 surface canvases: saturating add, copy and weighted sum.
#pragma once

#include "canvases/surface/Rules.h"
#include "canvases/surface/SurfaceCanvas.h"
#include "common/ClassId.h"
#include "host/QVGFX.h"

class Jwx_8_8_8_8AddFillSurfaceCanvas final
    : public WithClassId<SurfaceCanvas<Jwx_8_8_8_8AddFillSurfaceCanvas, 4, AddSat>, 126> {};

class Jwx_8_8_8_8OpaqueFillSurfaceCanvas final
    : public WithClassId<SurfaceCanvas<Jwx_8_8_8_8OpaqueFillSurfaceCanvas, 4, Copy>, 127> {};

class Jwx_8_8_8OpaqueFillSurfaceCanvas final
    : public WithClassId<SurfaceCanvas<Jwx_8_8_8OpaqueFillSurfaceCanvas, 3, Copy>, 131> {};

// Takes a LinCombSource record in place of a surface: the source and the two weights.
class Jwx_8_8_8LinCombFillSurfaceCanvas final
    : public WithClassId<SurfaceCanvas<Jwx_8_8_8LinCombFillSurfaceCanvas, 3, LinComb>, 130> {
public:
    bool SetSource(CQVSurface* record) override;
    LinComb MakeRule(const CQVSurface&) const { return {m_SourceWeight, m_DestinationWeight}; }

private:
    uint8_t m_SourceWeight = 128;
    uint8_t m_DestinationWeight = 128;
};

// A weight as a byte: w * 255 truncated toward zero, kept modulo 256 (1.5 gives 126, -0.1 gives
// 231). A product that no 64-bit integer holds (NaN, infinities, huge values) gives 0.
uint8_t WeightByte(float weight);
