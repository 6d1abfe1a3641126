// Coverage rules of the 8-bit mask canvases: d and s are coverage bytes, 0 none, 255 full. Each
// rule also works on whole vectors of bytes and names its rows in the table of rows.
#pragma once

#include <cstdint>
#include <initializer_list>

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

// Per opacity o, the multiplier m for which the multiply-high that rounds, (s m + 2^14) >> 15,
// gives R(s o) for every byte s: the nearest to 32768 o / 255 that is exact, or the next one
// either side (one exists for every opacity; checked here for all 256 x 256 pairs as the table is
// built).
struct AirBrushScales {
    int16_t m[256];
    int exact;  // opacities with a multiplier found
};
inline constexpr AirBrushScales kAirBrushScales = [] {
    AirBrushScales t{};
    for (int o = 0; o < 256; ++o) {
        const int nearest = (32768 * o + 127) / 255;
        for (int m : {nearest, nearest - 1, nearest + 1}) {
            bool ok = m <= 32767;
            for (int s = 0; s < 256 && ok; ++s)
                ok = (s * m + 16384) >> 15 == int(Div255Round(uint32_t(s * o)));
            if (ok) {
                t.m[o] = int16_t(m), ++t.exact;
                break;
            }
        }
    }
    return t;
}();
static_assert(kAirBrushScales.exact == 256, "an opacity without a multiplier");

// The paintbrush union with the source first weakened by the source surface's opacity byte.
// At 32 and 64 bytes a = R(s o) is one multiply-high that rounds, by kAirBrushScales, and d' = d +
// R(a (255 - d)) as written, added to d last: the form from what is left uncovered, as the
// paintbrush's, takes one subtraction more per 32 bytes (its rows ran 0.96-0.99 of this one's
// speed on the AMD processor measured).
struct AirBrush {
    explicit AirBrush(uint32_t opacity)
        : m_Opacity(opacity), m_Scale(kAirBrushScales.m[opacity & 255])
    {}
    uint32_t m_Opacity;  // read once per call, after both surfaces are locked
    // The opacity's multiplier, kept with the rule: the kernels' own copy of the rule holds it in
    // a register, where a read of the table, which their byte stores might alias, was made again
    // for every vector.
    int16_t m_Scale;

    uint8_t operator()(uint32_t d, uint32_t s) const
    {
        uint32_t a = Div255Round(s * m_Opacity);
        return uint8_t(d + Div255Round(a * (255 - d)));
    }
#if QVGFX_X86
    // SSE2 has no multiply-high that rounds: from what is left uncovered, 255 - a = 255 - R(s o)
    // by a multiply, a subtraction and a multiply-high, then d' = 255 - R((255 - a)(255 - d)).
    QVGFX_SSE2 __m128i operator()(__m128i d, __m128i v) const
    {
        const __m128i o = Splat16(d, int(m_Opacity)), e = Complement(d);
        const __m128i lo = Div255RoundRest16(MulLo16(Lo8(v), o)),
                      hi = Div255RoundRest16(MulLo16(Hi8(v), o));
        return Narrow(Div255RoundRest16(MulLo16(lo, Lo8(e))),
                      Div255RoundRest16(MulLo16(hi, Hi8(e))));
    }
    // d + R(a (255 - d)) never passes 255, so the saturating add adds.
    // clang-format off
    QVGFX_WIDE_FORMS(
        const V e = Complement(d);
        return AddSat8(d, Narrow(Div255Round16(MulLo16(Weakened(Lo8(v)), Lo8(e))), Div255Round16(MulLo16(Weakened(Hi8(v)), Hi8(e)))));)
    // The same on source values in 16-bit lanes.
    QVGFX_WORD_FORMS(Words,
        const V e = Complement(d);
        return AddSat8(d, H::Pack(Div255Round16(MulLo16(Weakened(lo), H::Lo(e))), Div255Round16(MulLo16(Weakened(hi), H::Hi(e)))));)
    // On values in the high bytes.
    QVGFX_HIGH_FORM(
        const V e = Complement(d);
        return AddSat8(d, H::PackLow(Div255Round16(MulLo16(Weakened(Shr16(lo, 8)), H::Lo(e))), Div255Round16(MulLo16(Weakened(Shr16(hi, 8)), H::Hi(e)))));)
    // clang-format on
    // R(v o) for values v from 0 to 255 in 16-bit lanes.
    QVGFX_AVX2 __m256i Weakened(__m256i v) const { return MulHiRound16(v, Splat16(v, m_Scale)); }
    QVGFX_AVX512 __m512i Weakened(__m512i v) const { return MulHiRound16(v, Splat16(v, m_Scale)); }
#endif
};
template <>
inline constexpr RowTable<AirBrush> kRowsOf<AirBrush> = {PlainRow, Sse2Row, Avx2Row, Avx512Row};
