// The 8/8/8/8 and 8/8/8 surface canvases: add, copy and weighted sum.
#pragma once

#include "SurfaceCanvas.h"

class Jwx_8_8_8_8AddFillSurfaceCanvas final : public WithClassId<SurfaceCanvasBase, 126> {};
class Jwx_8_8_8_8OpaqueFillSurfaceCanvas final : public WithClassId<SurfaceCanvasBase, 127> {};
class Jwx_8_8_8OpaqueFillSurfaceCanvas final : public WithClassId<SurfaceCanvasBase, 131> {};

class Jwx_8_8_8LinCombFillSurfaceCanvas final : public WithClassId<SurfaceCanvasBase, 130> {
public:
    bool SetSource(CQVSurface* record) override;

private:
    uint8_t m_SourceWeight = 128;
    uint8_t m_DestinationWeight = 128;
};
