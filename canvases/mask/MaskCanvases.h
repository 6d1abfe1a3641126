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

// The source surface's opacity weakens every source value of one drawing call. Two opacities
// weaken nothing that needs computing: 0 leaves every destination byte as it is, so nothing is
// drawn (the surfaces are still locked and unlocked), and with 255 the weakened value is the
// value itself, where the paintbrush rule gives the same bytes with fewer operations (on the AMD
// processor measured, Blit 1.20-1.26 times faster, TransformBlit 1.12-1.21 times).
class Jwx_8AirBrushFillMaskCanvas final
    : public WithClassId<SurfaceCanvas<Jwx_8AirBrushFillMaskCanvas, 1, AirBrush>, 11138> {
public:
    template <class Draw>
    void WithRule(const CQVSurface& source, Draw draw) const
    {
        const uint32_t opacity = source.GetOpacity();
        if (opacity == 255)
            draw(PaintBrush{});
        else if (opacity != 0)
            draw(AirBrush{opacity});
    }
};
