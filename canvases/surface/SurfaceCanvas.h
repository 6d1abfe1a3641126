// The surface canvas framework: SetSource, Blit's clipping and TransformBlit's path choice, the
// locks of both, shared by every surface and mask canvas. A canvas names its B and blend rule.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "canvases/surface/FastRows.h"
#include "canvases/surface/Resample.h"
#include "canvases/surface/Resampler.h"
#include "common/SurfaceLock.h"
#include "host/QVGFX.h"

// Derived supplies, when its rule carries state, MakeRule(source) returning it, or, where the
// source can call for another rule that gives the same bytes, WithRule(source, draw) calling draw
// with the rule to use (or not at all, where no byte would change); its class id comes from
// WithClassId, as for every registered class.
template <class Derived, int B, class Rule>
class SurfaceCanvas : public CQVTransformationCanvas {
public:
    static const int kBytesPerPixel = B;

    bool SetSource(CQVSurface* source) override
    {
        m_Source = source;
        return true;
    }

    Rule MakeRule(const CQVSurface&) const { return Rule{}; }

    template <class Draw>
    void WithRule(const CQVSurface& source, Draw draw) const
    {
        draw(Self().MakeRule(source));
    }

    void Blit(int32_t sx, int32_t sy, int32_t w, int32_t h, int32_t dx, int32_t dy) override
    {
        if (m_Source == nullptr || m_Destination == nullptr)
            return;
        // Against the source, then the clip rectangle, moving both corners alike. In 64 bits so
        // that no sum overflows; wherever 32 bits suffice the result is the same.
        int64_t x = sx, y = sy, W = w, H = h, X = dx, Y = dy;
        W = std::min(W, m_Source->GetWidth() - x);
        if (x < 0)
            W += x, X -= x, x = 0;
        H = std::min(H, m_Source->GetHeight() - y);
        if (y < 0)
            H += y, Y -= y, y = 0;
        W = std::min(W, m_ClipRight - X + 1);
        if (X < m_ClipLeft)
            W -= m_ClipLeft - X, x += m_ClipLeft - X, X = m_ClipLeft;
        H = std::min(H, m_ClipBottom - Y + 1);
        if (Y < m_ClipTop)
            H -= m_ClipTop - Y, y += m_ClipTop - Y, Y = m_ClipTop;
        // The host keeps the clip rectangle inside the destination; should it not, the same cut
        // against the destination surface keeps every write inside it.
        W = std::min(W, m_Destination->GetWidth() - X);
        if (X < 0)
            W += X, x -= X, X = 0;
        H = std::min(H, m_Destination->GetHeight() - Y);
        if (Y < 0)
            H += Y, y -= Y, Y = 0;
        if (W < 1 || H < 1)
            return;

        SurfaceLock src(m_Source, false);
        SurfaceLock dst(m_Destination, true);
        if (!HoldsPixelsOf(*m_Source, B) || !HoldsPixelsOf(*m_Destination, B))
            return;
        const ptrdiff_t sp = m_Source->GetPitch(), dp = m_Destination->GetPitch();
        Self().WithRule(*m_Source, [&](const auto& rule) {
            DrawUnscaled(dst.Bits() + Y * dp + X * B, dp, src.Bits() + y * sp + x * B, sp, W, H,
                         rule);
        });
    }

    void TransformBlit(int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t dx, int32_t dy,
                       int32_t dw, int32_t dh) override
    {
        if (m_Source == nullptr || m_Destination == nullptr)
            return;
        SurfaceLock src(m_Source, false);
        SurfaceLock dst(m_Destination, true);
        const CQVSurface& s = *m_Source;
        const CQVSurface& d = *m_Destination;
        if (!HoldsPixelsOf(s, B) || !HoldsPixelsOf(d, B) || dw < 1 || dh < 1 ||
            !SourceSpan(sx, sw, s.GetWidth()) || !SourceSpan(sy, sh, s.GetHeight()))
            return;
        // Only the part of the destination rectangle inside the destination surface is drawn;
        // each of its pixels keeps the source position it has in the whole rectangle.
        ResampleAxis x = Visible(dx, dw, d.GetWidth());
        ResampleAxis y = Visible(dy, dh, d.GetHeight());
        if (x.count < 1 || y.count < 1)
            return;

        const ptrdiff_t sp = s.GetPitch(), dp = d.GetPitch();
        const uint8_t* origin = src.Bits() + sy * sp + ptrdiff_t(sx) * B;
        uint8_t* out = dst.Bits() + (dy + y.first) * dp + (dx + x.first) * B;
        Self().WithRule(s, [&](const auto& rule) {
            if (dw == sw && dh == sh)
                DrawUnscaled(out, dp, origin + y.first * sp + x.first * B, sp, x.count, y.count,
                             rule);
            else
                DrawResampled<B>(out, dp, origin, sp, sw, sh, dw, dh, x, y, rule);
        });
    }

private:
    const Derived& Self() const { return *static_cast<const Derived*>(this); }

    // The drawing loop of Blit and of the unscaled path.
    template <class R>
    static void DrawUnscaled(uint8_t* d, ptrdiff_t dPitch, const uint8_t* s, ptrdiff_t sPitch,
                             ptrdiff_t w, ptrdiff_t h, R rule)
    {
        if (!FastUnscaledRows<B>(d, dPitch, s, sPitch, w, h, rule))
            UnscaledRows<B>(d, dPitch, s, sPitch, w, h, rule);
    }

    // A source span lies inside the surface and its 16.16 step numerator fits 32 bits.
    static bool SourceSpan(int32_t start, int32_t size, int32_t limit)
    {
        return size >= 1 && size <= 32768 && start >= 0 && int64_t(start) + size <= limit;
    }

    static ResampleAxis Visible(int32_t start, int32_t size, int32_t limit)
    {
        const int64_t first = std::max<int64_t>(0, -int64_t(start));
        const int64_t end = std::min<int64_t>(size, int64_t(limit) - start);
        return {first, end - first, 0};
    }
};
