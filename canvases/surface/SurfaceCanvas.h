// The surface canvas framework: SetSource, Blit and TransformBlit shared by every surface canvas.
#pragma once

#include "ClassId.h"
#include "QVGFX.h"

// Until the framework's drawing lands, every surface canvas keeps its source and draws nothing.
class SurfaceCanvasBase : public CQVTransformationCanvas {
public:
    bool SetSource(CQVSurface* source) override
    {
        m_Source = source;
        return true;
    }
    void Blit(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
    void TransformBlit(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
};
