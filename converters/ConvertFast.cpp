#include "ConvertFast.h"

#include "CpuLevel.h"

#if QVGFX_X86
#include <immintrin.h>
#endif

namespace {

bool Overlap(const uint8_t* a, int64_t na, const uint8_t* b, int64_t nb)
{
    auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
    return x < y + uintptr_t(nb) && y < x + uintptr_t(na);
}

// A block of P pixels, IB source bytes read as L 16-byte loads, gives OB destination bytes in one
// 16-byte store: byte j = OR over k of load k shuffled by m[k], ORed with c (255 fills).
// In place, byte 15 of a 15-byte block is the source's own byte, so the wide store is harmless.
struct Gather {
    int SB, DB, P, IB, OB, L;
    alignas(16) uint8_t m[4][16];
    alignas(16) uint8_t c[16];
};

const uint8_t kConst = 0xFE;  // in a byte table: the constant 255 instead of a source byte

// src[j] names the source byte of destination byte j of one pixel (or kConst).
Gather MakeGather(int SB, int DB, const uint8_t* src)
{
    Gather g{};
    g.SB = SB, g.DB = DB;
    g.P = DB == 1 ? 16 : DB == 3 ? (SB == 4 ? 4 : 5) : 4;
    g.IB = g.P * SB, g.OB = g.P * DB, g.L = (g.IB + 15) / 16;
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 16; ++j)
            g.m[k][j] = 0x80;
    for (int j = 0; j < 16; ++j) {
        int from;
        if (j < g.OB)
            from = src[j % DB] == kConst ? -1 : (j / DB) * SB + src[j % DB];
        else
            from = SB == DB ? j : -2;  // 3 to 3: the 16th byte passes through
        if (from == -1)
            g.c[j] = 255;
        else if (from >= 0)
            g.m[from / 16][j] = uint8_t(from % 16);
    }
    return g;
}

#if QVGFX_X86
template <int L>
__attribute__((target("ssse3"))) int64_t GatherSsse3(const Gather& g, uint8_t* d, const uint8_t* s, int64_t n)
{
    __m128i m[L];
    for (int k = 0; k < L; ++k)
        m[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(g.m[k]));
    const __m128i c = _mm_load_si128(reinterpret_cast<const __m128i*>(g.c));
    const int64_t sEnd = n * g.SB, dEnd = n * g.DB;
    int64_t i = 0;
    for (; i * g.SB + 16 * L <= sEnd && i * g.DB + 16 <= dEnd; i += g.P) {
        const uint8_t* sp = s + i * g.SB;
        __m128i v = c;
        for (int k = 0; k < L; ++k)
            v = _mm_or_si128(v, _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + 16 * k)), m[k]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i * g.DB), v);
    }
    return i;
}

// Two blocks at once, one per 128-bit lane; both are loaded before either is stored.
template <int L>
__attribute__((target("avx2"))) int64_t GatherAvx2(const Gather& g, uint8_t* d, const uint8_t* s, int64_t n)
{
    __m256i m[L];
    for (int k = 0; k < L; ++k)
        m[k] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(g.m[k])));
    const __m256i c = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(g.c)));
    const int64_t sEnd = n * g.SB, dEnd = n * g.DB;
    int64_t i = 0;
    for (; (i + g.P) * g.SB + 16 * L <= sEnd && (i + g.P) * g.DB + 16 <= dEnd; i += 2 * g.P) {
        const uint8_t* sp = s + i * g.SB;
        __m256i v = c;
        for (int k = 0; k < L; ++k) {
            __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + 16 * k));
            __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + g.IB + 16 * k));
            v = _mm256_or_si256(v, _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1), m[k]));
        }
        uint8_t* dp = d + i * g.DB;
        if (g.OB == 16) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(dp), v);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), _mm256_castsi256_si128(v));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dp + g.OB), _mm256_extracti128_si256(v, 1));
        }
    }
    return i + GatherSsse3<L>(g, d + i * g.DB, s + i * g.SB, n - i);
}

__attribute__((target("sse2"))) int64_t MaskSse2(uint8_t* d, const uint8_t* s, int64_t n)
{
    const __m128i ones = _mm_set1_epi8(-1);
    int64_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        __m128i inv = _mm_xor_si128(v, ones);
        __m128i a = _mm_unpacklo_epi8(inv, inv), b = _mm_unpacklo_epi8(inv, v);
        __m128i e = _mm_unpackhi_epi8(inv, inv), f = _mm_unpackhi_epi8(inv, v);
        __m128i* o = reinterpret_cast<__m128i*>(d + 4 * i);
        _mm_storeu_si128(o + 0, _mm_unpacklo_epi16(a, b));
        _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(a, b));
        _mm_storeu_si128(o + 2, _mm_unpacklo_epi16(e, f));
        _mm_storeu_si128(o + 3, _mm_unpackhi_epi16(e, f));
    }
    return i;
}
#endif

int64_t RunGather(const Gather& g, uint8_t* d, const uint8_t* s, int64_t n)
{
#if QVGFX_X86
    if (CpuAtLeast(CpuLevel::Avx2)) {
        switch (g.L) {
        case 1: return GatherAvx2<1>(g, d, s, n);
        case 2: return GatherAvx2<2>(g, d, s, n);
        case 3: return GatherAvx2<3>(g, d, s, n);
        default: return GatherAvx2<4>(g, d, s, n);
        }
    }
    if (CpuAtLeast(CpuLevel::Ssse3)) {
        switch (g.L) {
        case 1: return GatherSsse3<1>(g, d, s, n);
        case 2: return GatherSsse3<2>(g, d, s, n);
        case 3: return GatherSsse3<3>(g, d, s, n);
        default: return GatherSsse3<4>(g, d, s, n);
        }
    }
#endif
    (void)g, (void)d, (void)s, (void)n;
    return 0;
}

// Whether a vector loop may run: a separate destination, or the same bytes for equal layouts.
bool Suits(int SB, int DB, uint8_t* d, const uint8_t* s, int32_t n)
{
    if (n <= 0 || !CpuAtLeast(CpuLevel::Ssse3))
        return false;
    if (d == s)
        return SB == DB;
    return !Overlap(d, int64_t(n) * DB, s, int64_t(n) * SB);
}

}  // namespace

int32_t FastPick(int SB, int DB, uint8_t* d, const uint8_t* s, int32_t n, const uint8_t* p)
{
    if (!Suits(SB, DB, d, s, n))
        return 0;
    for (int j = 0; j < DB; ++j)
        if (p[j] >= SB)
            return 0;
    return int32_t(RunGather(MakeGather(SB, DB, p), d, s, n));
}

int32_t FastSpread(uint8_t* d, const uint8_t* s, int32_t n, const uint8_t* q)
{
    if (!Suits(3, 4, d, s, n))
        return 0;
    uint8_t src[4];
    unsigned seen = 0;
    for (int k = 0; k < 4; ++k) {
        if (q[k] > 3)
            return 0;
        seen |= 1u << q[k];
        src[q[k]] = k < 3 ? uint8_t(k) : kConst;
    }
    if (seen != 15)
        return 0;
    return int32_t(RunGather(MakeGather(3, 4, src), d, s, n));
}

int32_t FastMask(uint8_t* d, const uint8_t* s, int32_t n)
{
#if QVGFX_X86
    if (n > 0 && CpuAtLeast(CpuLevel::Sse2) && !Overlap(d, int64_t(n) * 4, s, n))
        return int32_t(MaskSse2(d, s, n));
#endif
    (void)d, (void)s, (void)n;
    return 0;
}
