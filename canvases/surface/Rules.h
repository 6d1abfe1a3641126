// Blend rules of the 8/8/8/8 and 8/8/8 surface canvases: one destination byte d and one source
// value v in, the new destination byte out; then the same rule on whole vectors of bytes, and the
// rule's row in the table of rows.
#pragma once

#include <cstdint>

#include "common/PixelMath.h"
#include "common/RuleRows.h"

struct AddSat {
    uint8_t operator()(uint32_t d, uint32_t v) const { return SatAdd(d, v); }
#if QVGFX_X86
    QVGFX_VECTOR_FORMS(return AddSat8(d, v);)
#endif
};
// No 512-bit row: at the AVX-512 level the 32-byte row is the faster one, one operation per
// vector leaving the loads to set the pace (on the AMD processor measured, Blit add 8/8/8/8 ran 1.2
// times faster at 1920x1080 and 1.1 times at 256x256 than with the 64-byte row). The resampling
// kernels still take the 64-byte form.
template <>
inline constexpr RowTable<AddSat> kRowsOf<AddSat> = {PlainRow, Sse2Row, Avx2Row};

struct Copy {
    uint8_t operator()(uint32_t, uint32_t v) const { return uint8_t(v); }
};
template <>
inline constexpr RowTable<Copy> kRowsOf<Copy> = {PlainRow, CopyRow, CopyRow, CopyRow};

// Weights in 1/256 units, bytes, not normalised against each other: the excess is clamped at 255.
struct LinComb {
    uint32_t m_SourceWeight;
    uint32_t m_DestinationWeight;
    uint8_t operator()(uint32_t d, uint32_t v) const
    {
        uint32_t t = (v * m_SourceWeight + d * m_DestinationWeight) >> 8;
        return uint8_t(t > 255 ? 255 : t);
    }
#if QVGFX_X86
    // 16-bit lanes, the 17-bit sum shifted within 16 bits.
    QVGFX_SSE2 __m128i operator()(__m128i d, __m128i v) const
    {
        const __m128i a = Splat16(d, int(m_SourceWeight)), b = Splat16(d, int(m_DestinationWeight));
        return Narrow(SumShr8(MulLo16(Lo8(v), a), MulLo16(Lo8(d), b)),
                      SumShr8(MulLo16(Hi8(v), a), MulLo16(Hi8(d), b)));
    }
    // Byte pairs (v, d) times the weights split in four-bit parts, each sum within 16 bits:
    // (v a + d b) >> 8 = (H + (L >> 4)) >> 4, H the sum with the high parts, L with the low.
    // clang-format off
    QVGFX_WIDE_FORMS(
        const int a = int(m_SourceWeight), b = int(m_DestinationWeight);
        const V lo = PairsLo(v, d), hi = PairsHi(v, d);
        return Narrow(Shr16(Add16(MulAddPairs(lo, a >> 4, b >> 4), Shr16(MulAddPairs(lo, a & 15, b & 15), 4)), 4),
                      Shr16(Add16(MulAddPairs(hi, a >> 4, b >> 4), Shr16(MulAddPairs(hi, a & 15, b & 15), 4)), 4));)
    // clang-format on
#endif
};

#if QVGFX_X86
// LinComb with weights that sum to at most 256 (1.0 and less), at 32 and 64 bytes: one multiply-add
// per byte pair. (v - 128) a + (d - 128) b lies within 128 (a + b) of 0, inside 16 signed bits,
// and adding 128 (a + b) back gives v a + d b, at most 255 * 256 in 16 unsigned bits, so t needs
// no clamp. The rows take it per row; the resampling kernels keep LinComb's own form, whose
// constants and registers do not depend on the weights.
struct LinCombWithin256 : LinComb {
    using LinComb::operator();
    // clang-format off
    QVGFX_WIDE_FORMS(
        const int a = int(m_SourceWeight), b = int(m_DestinationWeight);
        const V back = Splat16(d, 128 * (a + b));
        return Narrow(Shr16(Add16(MulAddSigned(Less128(PairsLo(v, d)), a, b), back), 8),
                      Shr16(Add16(MulAddSigned(Less128(PairsHi(v, d)), a, b), back), 8));)
    // clang-format on
};

// The vector row Row of LinCombWithin256 where the weights allow, else Else's of LinComb.
template <RowFn<LinCombWithin256> Row, RowFn<LinComb> Else>
void LinCombRow(uint8_t* d, const uint8_t* v, ptrdiff_t n, const LinComb& rule)
{
    if (rule.m_SourceWeight + rule.m_DestinationWeight <= 256)
        Row(d, v, n, LinCombWithin256{rule});
    else
        Else(d, v, n, rule);
}
template <>
inline constexpr RowTable<LinComb> kRowsOf<LinComb> = {
    PlainRow, Sse2Row, LinCombRow<Avx2Row, Avx2Row>, LinCombRow<Avx512Row, Avx512Row>};
#else
template <>
inline constexpr RowTable<LinComb> kRowsOf<LinComb> = {PlainRow, Sse2Row, Avx2Row, Avx512Row};
#endif
