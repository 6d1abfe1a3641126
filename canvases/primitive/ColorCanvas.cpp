#include "canvases/primitive/ColorCanvas.h"

#include <algorithm>
#include <cstddef>

#include "common/PixelMath.h"
#include "common/RuleRows.h"
#include "common/SurfaceLock.h"

namespace {

// Adds the four colour bytes to the four bytes of one pixel, in memory order, each clamped at 255.
inline void AddColor(uint8_t* p, const uint8_t* c)
{
    p[0] = SatAdd(p[0], c[0]);
    p[1] = SatAdd(p[1], c[1]);
    p[2] = SatAdd(p[2], c[2]);
    p[3] = SatAdd(p[3], c[3]);
}

inline uint8_t* PixelAt(uint8_t* bits, int32_t pitch, int64_t x, int64_t y)
{
    return bits + std::ptrdiff_t(y) * pitch + std::ptrdiff_t(x) * 4;
}

}  // namespace

// A null record leaves the colour as it was.
bool ColorCanvas::SetColor(const ColorRecord* color)
{
    if (color != nullptr)
        m_Color = color->color;
    return true;
}

// Every writer decides from the clip rectangle alone whether anything is left, and locks only then.
// Without a destination, or with one whose pixels are not 8/8/8/8, nothing is drawn or locked.
bool ColorCanvas::HasPixels() const
{
    return m_Destination != nullptr && HoldsPixelsOf(*m_Destination, 4);
}

void ColorCanvas::DrawPixel(int32_t x, int32_t y)
{
    if (!HasPixels())
        return;
    if (x < m_ClipLeft || y < m_ClipTop || x > m_ClipRight || y > m_ClipBottom)
        return;
    SurfaceLock dst(m_Destination, true);
    AddColor(PixelAt(dst.Bits(), m_Destination->GetPitch(), x, y), m_ColorBytes);
}

void ColorCanvas::DrawHorizontalLine(int32_t x1, int32_t y, int32_t x2)
{
    if (!HasPixels())
        return;
    if (y < m_ClipTop || y > m_ClipBottom || x1 > m_ClipRight || x2 < m_ClipLeft)
        return;
    x1 = std::max(x1, m_ClipLeft);
    x2 = std::min(x2, m_ClipRight);
    if (x1 > x2)
        return;
    SurfaceLock dst(m_Destination, true);
    uint8_t* p = PixelAt(dst.Bits(), m_Destination->GetPitch(), x1, y);
    int64_t n = int64_t(x2) - x1 + 1;
    const int32_t k = FastAddColourRun(p, int32_t(std::min<int64_t>(n, INT32_MAX)),
                                       m_ColorBytes);  // vector twin first
    for (n -= k, p += std::ptrdiff_t(k) * 4; n > 0; --n, p += 4)
        AddColor(p, m_ColorBytes);
}

void ColorCanvas::DrawVerticalLine(int32_t x, int32_t y1, int32_t y2)
{
    if (!HasPixels())
        return;
    if (x < m_ClipLeft || x > m_ClipRight || y1 > m_ClipBottom || y2 < m_ClipTop)
        return;
    y1 = std::max(y1, m_ClipTop);
    y2 = std::min(y2, m_ClipBottom);
    if (y1 > y2)
        return;
    SurfaceLock dst(m_Destination, true);
    int32_t pitch = m_Destination->GetPitch();
    uint8_t* p = PixelAt(dst.Bits(), pitch, x, y1);
    // The pointer moves on only between pixels, so it never points past the last row.
    for (int64_t n = int64_t(y2) - y1 + 1;; p += pitch) {
        AddColor(p, m_ColorBytes);
        if (--n == 0)
            break;
    }
}

// Clipped right edge before left, bottom before top, in 64 bits so that no sum wraps.
void Jwx_8_8_8_8AddFillColorCanvas::DrawRectangle(int32_t x, int32_t y, int32_t width,
                                                  int32_t height)
{
    if (!HasPixels())
        return;
    int64_t left = x, top = y;
    int64_t w = std::min<int64_t>(width, int64_t(m_ClipRight) - left + 1);
    if (left < m_ClipLeft) {
        w -= m_ClipLeft - left;
        left = m_ClipLeft;
    }
    int64_t h = std::min<int64_t>(height, int64_t(m_ClipBottom) - top + 1);
    if (top < m_ClipTop) {
        h -= m_ClipTop - top;
        top = m_ClipTop;
    }
    if (w <= 0 || h <= 0)
        return;
    SurfaceLock dst(m_Destination, true);
    int32_t pitch = m_Destination->GetPitch();
    for (int64_t row = 0; row < h; ++row) {
        uint8_t* p = PixelAt(dst.Bits(), pitch, left, top + row);
        const int32_t k = FastAddColourRun(p, int32_t(std::min<int64_t>(w, INT32_MAX)),
                                           m_ColorBytes);  // vector twin first
        p += std::ptrdiff_t(k) * 4;
        for (int64_t n = w - k; n > 0; --n, p += 4)
            AddColor(p, m_ColorBytes);
    }
}
