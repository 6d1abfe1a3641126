// The three 8-bit mask canvases: copy, paintbrush and airbrush.
#pragma once

#include "SurfaceCanvas.h"

class Jwx_8OpaqueFillSurfaceCanvas final : public WithClassId<SurfaceCanvasBase, 11136> {};
class Jwx_8PaintBrushFillMaskCanvas final : public WithClassId<SurfaceCanvasBase, 11135> {};
class Jwx_8AirBrushFillMaskCanvas final : public WithClassId<SurfaceCanvasBase, 11138> {};
