// Coverage rules of the 8-bit mask canvases: d and s are coverage bytes, 0 none, 255 full. Each
// rule also works on whole vectors of bytes and names its rows in the table of rows.
#pragma once

#include <cstdint>

#include "common/PixelMath.h"
#include "common/RuleRows.h"

// Union of coverages: the source covers its share of what the destination leaves uncovered.
// On vectors, from what is left uncovered: d' = 255 - R((255 - s)(255 - d)), the same bytes since
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
        return Narrow(Div255RoundRest16(MulLo16(Lo8(s), Lo8(e))), Div255RoundRest16(MulLo16(Hi8(s), Hi8(e))));)
    // The same on source values in 16-bit lanes, or on their complements.
    QVGFX_WORD_FORMS(Words,
        const V full = Splat16(d, 255);
        return Rest(H{}, d, Sub16(full, lo), Sub16(full, hi));)
    QVGFX_WORD_FORMS(Rest,
        const V e = Complement(d);
        return H::Pack(Div255RoundRest16(MulLo16(lo, H::Lo(e))), Div255RoundRest16(MulLo16(hi, H::Hi(e))));)
    // On values in the high bytes: the high half of 256 (255 - v) times 256 (255 - d).
    QVGFX_HIGH_FORM(
        const V e = Complement(d);
        return H::PackLow(Div255RoundRest16(MulHi16(HighRest(lo), H::UpLo(e))), Div255RoundRest16(MulHi16(HighRest(hi), H::UpHi(e))));)
    // clang-format on
#endif
};
template <>
inline constexpr RowTable<PaintBrush> kRowsOf<PaintBrush> = {PlainRow, Sse2Row, Avx2Row, Avx512Row};

// The paintbrush union with the source first weakened by the source surface's opacity byte.
// On vectors, from what is left uncovered: 255 - a = 255 - R(s o), d' = 255 - R((255 - a)(255 -
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
        const V o = Splat16(d, int(m_Opacity)), e = Complement(d);
        const V lo = Div255RoundRest16(MulLo16(Lo8(v), o)), hi = Div255RoundRest16(MulLo16(Hi8(v), o));
        return Narrow(Div255RoundRest16(MulLo16(lo, Lo8(e))), Div255RoundRest16(MulLo16(hi, Hi8(e))));)
    // The same on source values in 16-bit lanes.
    QVGFX_WORD_FORMS(Words,
        const V o = Splat16(d, int(m_Opacity)), e = Complement(d);
        const V a = Div255RoundRest16(MulLo16(lo, o)), b = Div255RoundRest16(MulLo16(hi, o));
        return H::Pack(Div255RoundRest16(MulLo16(a, H::Lo(e))), Div255RoundRest16(MulLo16(b, H::Hi(e))));)
    // On values in the high bytes: s o is the high half of 256 s times 256 o.
    QVGFX_HIGH_FORM(
        const V o = Splat16(d, 256 * int(m_Opacity)), e = Complement(d);
        const V a = Div255RoundRest16(MulHi16(HighBytes(lo), o)), b = Div255RoundRest16(MulHi16(HighBytes(hi), o));
        return H::PackLow(Div255RoundRest16(MulLo16(a, H::Lo(e))), Div255RoundRest16(MulLo16(b, H::Hi(e))));)
    // clang-format on
#endif
};
template <>
inline constexpr RowTable<AirBrush> kRowsOf<AirBrush> = {PlainRow, Sse2Row, Avx2Row, Avx512Row};
