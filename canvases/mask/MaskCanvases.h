// The three 8-bit mask canvases: copy, paintbrush and airbrush, one byte per pixel.
#pragma once

#include "MaskRules.h"
#include "QVGFX.h"
#include "Rules.h"
#include "SurfaceCanvas.h"

class Jwx_8OpaqueFillSurfaceCanvas final
    : public SurfaceCanvas<Jwx_8OpaqueFillSurfaceCanvas, 1, Copy> {
public:
    static const uint32_t kClassId = 11136;
};

class Jwx_8PaintBrushFillMaskCanvas final
    : public SurfaceCanvas<Jwx_8PaintBrushFillMaskCanvas, 1, PaintBrush> {
public:
    static const uint32_t kClassId = 11135;
};

// The source surface's opacity weakens every source value of one drawing call.
class Jwx_8AirBrushFillMaskCanvas final
    : public SurfaceCanvas<Jwx_8AirBrushFillMaskCanvas, 1, AirBrush> {
public:
    static const uint32_t kClassId = 11138;
    AirBrush MakeRule(const CQVSurface& source) const { return {source.GetOpacity()}; }
};
