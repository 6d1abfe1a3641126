// Coverage rules of the 8-bit mask canvases: d and s are coverage bytes, 0 none, 255 full. Each
// rule also works on whole vectors of bytes and names its rows in the table of rows.
#pragma once

#include <cstdint>

#include "common/PixelMath.h"
#include "common/RuleRows.h"

// Union of coverages: the source covers its share of what the destination leaves uncovered.
// On vectors, in what is left uncovered: 255 - d' = R((255 - s)(255 - d)), the same bytes since
// a multiple of 255 moves R by a whole number (t / 255 never ends in one half).
struct PaintBrush {
    uint8_t operator()(uint32_t d, uint32_t s) const
    {
        return uint8_t(s + Div255Round((255 - s) * d));
    }
#if QVGFX_X86
    // clang-format off
    QVGFX_VECTOR_FORMS(
        const V s = Complement(v), e = Complement(d);
        return Not(Narrow(Div255Round16(MulLo16(Lo8(s), Lo8(e))), Div255Round16(MulLo16(Hi8(s), Hi8(e)))));)
    // clang-format on
#endif
};
template <>
inline constexpr RowTable<PaintBrush> kRowsOf<PaintBrush> = {PlainRow, Sse2Row, Avx2Row, Avx512Row};

// The paintbrush union with the source first weakened by the source surface's opacity byte.
// On vectors, in what is left uncovered: 255 - a = R(255 * 255 - s o), 255 - d' = R((255 - a)(255 -
// d)).
struct AirBrush {
    uint32_t m_Opacity;  // read once per call, after both surfaces are locked
    uint8_t operator()(uint32_t d, uint32_t s) const
    {
        uint32_t a = Div255Round(s * m_Opacity);
        return uint8_t(d + Div255Round(a * (255 - d)));
    }
#if QVGFX_X86
    // clang-format off
    QVGFX_VECTOR_FORMS(
        const V o = Splat16(d, int(m_Opacity)), square = Splat16(d, 255 * 255), e = Complement(d);
        const V lo = Div255Round16(Sub16(square, MulLo16(Lo8(v), o)));
        const V hi = Div255Round16(Sub16(square, MulLo16(Hi8(v), o)));
        return Not(Narrow(Div255Round16(MulLo16(lo, Lo8(e))), Div255Round16(MulLo16(hi, Hi8(e)))));)
    // clang-format on
#endif
};
template <>
inline constexpr RowTable<AirBrush> kRowsOf<AirBrush> = {PlainRow, Sse2Row, Avx2Row, Avx512Row};
