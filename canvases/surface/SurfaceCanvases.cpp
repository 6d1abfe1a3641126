#include "canvases/surface/SurfaceCanvases.h"

uint8_t WeightByte(float weight)
{
    const double product = double(weight) * 255.0;
    if (!(product >= -0x1p63 && product < 0x1p63))
        return 0;
    return uint8_t(int64_t(product));
}

// A null record is refused and the canvas keeps its source and weights.
bool Jwx_8_8_8LinCombFillSurfaceCanvas::SetSource(CQVSurface* record)
{
    const auto* source = reinterpret_cast<const LinCombSource*>(record);
    if (source == nullptr)
        return false;
    m_Source = source->surface;
    m_SourceWeight = WeightByte(source->sourceWeight);
    m_DestinationWeight = WeightByte(source->destinationWeight);
    return true;
}
