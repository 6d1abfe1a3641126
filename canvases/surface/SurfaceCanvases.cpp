#include "SurfaceCanvases.h"

bool Jwx_8_8_8LinCombFillSurfaceCanvas::SetSource(CQVSurface* record)
{
    const auto* source = reinterpret_cast<const LinCombSource*>(record);
    if (source == nullptr)
        return false;
    m_Source = source->surface;
    return true;
}
