// The three 8-bit mask canvases: copy, paintbrush and airbrush, one byte per pixel.
#pragma once

#include "canvases/mask/MaskRules.h"
#include "canvases/surface/Rules.h"
#include "canvases/surface/SurfaceCanvas.h"
#include "common/ClassId.h"
#include "host/QVGFX.h"

class Jwx_8OpaqueFillSurfaceCanvas final
    : public WithClassId<SurfaceCanvas<Jwx_8OpaqueFillSurfaceCanvas, 1, Copy>, 11136> {};

class Jwx_8PaintBrushFillMaskCanvas final
    : public WithClassId<SurfaceCanvas<Jwx_8PaintBrushFillMaskCanvas, 1, PaintBrush>, 11135> {};

// The source surface's opacity weakens every source value of one drawing call.
class Jwx_8AirBrushFillMaskCanvas final
    : public WithClassId<SurfaceCanvas<Jwx_8AirBrushFillMaskCanvas, 1, AirBrush>, 11138> {
public:
    AirBrush MakeRule(const CQVSurface& source) const { return {source.GetOpacity()}; }
};
