#include "RowsFast.h"

#include <cstring>

#include "CpuLevel.h"

#if QVGFX_X86
#include <immintrin.h>
#endif

namespace {

bool Apart(const uint8_t* d, const uint8_t* s, int32_t n)
{
    auto x = reinterpret_cast<uintptr_t>(d), y = reinterpret_cast<uintptr_t>(s);
    return d == s || x + uintptr_t(n) <= y || y + uintptr_t(n) <= x;
}

#if QVGFX_X86
#define SSE2 __attribute__((target("sse2")))
#define AVX2 __attribute__((target("avx2")))

// Each rule on 16 (or 32) bytes at once; 16-bit lanes hold every intermediate exactly.
struct Add {
    SSE2 __m128i operator()(__m128i d, __m128i s) const { return _mm_adds_epu8(d, s); }
    AVX2 __m256i operator()(__m256i d, __m256i s) const { return _mm256_adds_epu8(d, s); }
};

// R(t) = (u + (u >> 8)) >> 8 with u = t + 128, for t up to 255 * 255, equals (u * 257) >> 16:
// u + (u >> 8) and u + u / 256 lie below the same multiple of 256. u stays below 65536.
SSE2 inline __m128i R16(__m128i t)
{
    return _mm_mulhi_epu16(_mm_add_epi16(t, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}
AVX2 inline __m256i R16(__m256i t)
{
    return _mm256_mulhi_epu16(_mm256_add_epi16(t, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

// (x + y) >> 8 for 16-bit products x, y whose sum may need 17 bits: the rounded-up average less
// the odd bit gives (x + y) >> 1 within 16 bits, then seven more.
SSE2 inline __m128i SumShr8(__m128i x, __m128i y)
{
    __m128i odd = _mm_and_si128(_mm_xor_si128(x, y), _mm_set1_epi16(1));
    return _mm_srli_epi16(_mm_sub_epi16(_mm_avg_epu16(x, y), odd), 7);
}
AVX2 inline __m256i SumShr8(__m256i x, __m256i y)
{
    __m256i odd = _mm256_and_si256(_mm256_xor_si256(x, y), _mm256_set1_epi16(1));
    return _mm256_srli_epi16(_mm256_sub_epi16(_mm256_avg_epu16(x, y), odd), 7);
}

// A rule on 16-bit lanes (d, s each 0..255) lifted to bytes: widen, apply, pack with the clamp
// at 255 (which only the weighted sum needs).
template <class Rule16>
struct Widened {
    Rule16 rule;
    SSE2 __m128i operator()(__m128i d, __m128i s) const
    {
        const __m128i z = _mm_setzero_si128();
        __m128i lo = rule(_mm_unpacklo_epi8(d, z), _mm_unpacklo_epi8(s, z));
        __m128i hi = rule(_mm_unpackhi_epi8(d, z), _mm_unpackhi_epi8(s, z));
        return _mm_packus_epi16(lo, hi);
    }
    AVX2 __m256i operator()(__m256i d, __m256i s) const
    {
        const __m256i z = _mm256_setzero_si256();
        __m256i lo = rule(_mm256_unpacklo_epi8(d, z), _mm256_unpacklo_epi8(s, z));
        __m256i hi = rule(_mm256_unpackhi_epi8(d, z), _mm256_unpackhi_epi8(s, z));
        return _mm256_packus_epi16(lo, hi);  // per lane, undoing the per-lane unpacks
    }
};

struct LinComb16 {
    uint16_t a, b;
    SSE2 __m128i operator()(__m128i d, __m128i s) const
    {
        return SumShr8(_mm_mullo_epi16(s, _mm_set1_epi16(short(a))), _mm_mullo_epi16(d, _mm_set1_epi16(short(b))));
    }
    AVX2 __m256i operator()(__m256i d, __m256i s) const
    {
        return SumShr8(_mm256_mullo_epi16(s, _mm256_set1_epi16(short(a))),
                       _mm256_mullo_epi16(d, _mm256_set1_epi16(short(b))));
    }
};

struct PaintBrush16 {
    SSE2 __m128i operator()(__m128i d, __m128i s) const
    {
        return _mm_add_epi16(s, R16(_mm_mullo_epi16(_mm_sub_epi16(_mm_set1_epi16(255), s), d)));
    }
    AVX2 __m256i operator()(__m256i d, __m256i s) const
    {
        return _mm256_add_epi16(s, R16(_mm256_mullo_epi16(_mm256_sub_epi16(_mm256_set1_epi16(255), s), d)));
    }
};

struct AirBrush16 {
    uint16_t o;
    SSE2 __m128i operator()(__m128i d, __m128i s) const
    {
        __m128i a = R16(_mm_mullo_epi16(s, _mm_set1_epi16(short(o))));
        return _mm_add_epi16(d, R16(_mm_mullo_epi16(a, _mm_sub_epi16(_mm_set1_epi16(255), d))));
    }
    AVX2 __m256i operator()(__m256i d, __m256i s) const
    {
        __m256i a = R16(_mm256_mullo_epi16(s, _mm256_set1_epi16(short(o))));
        return _mm256_add_epi16(d, R16(_mm256_mullo_epi16(a, _mm256_sub_epi16(_mm256_set1_epi16(255), d))));
    }
};

// 48 bytes per step (three vectors of 16), then 16; each step loads before it stores, so d may
// equal s.
template <class Op>
SSE2 int64_t RowSse2(Op op, uint8_t* d, const uint8_t* s, int64_t n)
{
    int64_t i = 0;
    for (; i + 48 <= n; i += 48) {
        __m128i v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = op(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 16 * k)),
                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16 * k)));
        for (int k = 0; k < 3; ++k)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i + 16 * k), v[k]);
    }
    for (; i + 16 <= n; i += 16) {
        __m128i* p = reinterpret_cast<__m128i*>(d + i);
        _mm_storeu_si128(p, op(_mm_loadu_si128(p), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i))));
    }
    return i;
}

// 96 bytes per step, then 32, then the 16-byte step for what is left.
template <class Op>
AVX2 int64_t RowAvx2(Op op, uint8_t* d, const uint8_t* s, int64_t n)
{
    int64_t i = 0;
    for (; i + 96 <= n; i += 96) {
        __m256i v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = op(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i + 32 * k)),
                      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + 32 * k)));
        for (int k = 0; k < 3; ++k)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i + 32 * k), v[k]);
    }
    for (; i + 32 <= n; i += 32) {
        __m256i* p = reinterpret_cast<__m256i*>(d + i);
        _mm256_storeu_si256(p, op(_mm256_loadu_si256(p), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i))));
    }
    return i + RowSse2(op, d + i, s + i, n - i);
}

template <class Op>
int32_t Row(Op op, uint8_t* d, const uint8_t* s, int32_t n)
{
    if (n < 16 || !Apart(d, s, n))
        return 0;
    if (CpuAtLeast(CpuLevel::Avx2))
        return int32_t(RowAvx2(op, d, s, n));
    if (CpuAtLeast(CpuLevel::Sse2))
        return int32_t(RowSse2(op, d, s, n));
    return 0;
}

SSE2 int64_t AddColourSse2(uint8_t* d, int64_t n, uint32_t c)
{
    const __m128i v = _mm_set1_epi32(int(c));
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(d + 4 * i);
        _mm_storeu_si128(p, _mm_adds_epu8(_mm_loadu_si128(p), v));
    }
    return i;
}

AVX2 int64_t AddColourAvx2(uint8_t* d, int64_t n, uint32_t c)
{
    const __m256i v = _mm256_set1_epi32(int(c));
    int64_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256i* p = reinterpret_cast<__m256i*>(d + 4 * i);
        __m256i x = _mm256_adds_epu8(_mm256_loadu_si256(p), v), y = _mm256_adds_epu8(_mm256_loadu_si256(p + 1), v);
        _mm256_storeu_si256(p, x);
        _mm256_storeu_si256(p + 1, y);
    }
    return i + AddColourSse2(d + 4 * i, n - i, c);
}
#endif

}  // namespace

#if QVGFX_X86
int32_t FastAddRow(uint8_t* d, const uint8_t* s, int32_t n) { return Row(Add{}, d, s, n); }
int32_t FastLinCombRow(uint8_t* d, const uint8_t* s, int32_t n, uint32_t a, uint32_t b)
{
    if (a > 255 || b > 255)
        return 0;
    return Row(Widened<LinComb16>{{uint16_t(a), uint16_t(b)}}, d, s, n);
}
int32_t FastPaintBrushRow(uint8_t* d, const uint8_t* s, int32_t n) { return Row(Widened<PaintBrush16>{}, d, s, n); }
int32_t FastAirBrushRow(uint8_t* d, const uint8_t* s, int32_t n, uint32_t o)
{
    if (o > 255)
        return 0;
    return Row(Widened<AirBrush16>{{uint16_t(o)}}, d, s, n);
}
int32_t FastAddColourRun(uint8_t* d, int32_t n, const uint8_t* c)
{
    uint32_t word;
    std::memcpy(&word, c, 4);  // the bytes in memory order, whatever the machine's byte order
    if (n <= 0)
        return 0;
    if (CpuAtLeast(CpuLevel::Avx2))
        return int32_t(AddColourAvx2(d, n, word));
    if (CpuAtLeast(CpuLevel::Sse2))
        return int32_t(AddColourSse2(d, n, word));
    return 0;
}
#else
int32_t FastAddRow(uint8_t*, const uint8_t*, int32_t) { return 0; }
int32_t FastLinCombRow(uint8_t*, const uint8_t*, int32_t, uint32_t, uint32_t) { return 0; }
int32_t FastPaintBrushRow(uint8_t*, const uint8_t*, int32_t) { return 0; }
int32_t FastAirBrushRow(uint8_t*, const uint8_t*, int32_t, uint32_t) { return 0; }
int32_t FastAddColourRun(uint8_t*, int32_t, const uint8_t*) { return 0; }
#endif

// The library's copy is already vector code; runs that overlap are left to the plain loop.
int32_t FastCopyRow(uint8_t* d, const uint8_t* s, int32_t n)
{
    if (n < 16 || !Apart(d, s, n) || !CpuAtLeast(CpuLevel::Sse2))
        return 0;
    if (d != s)
        std::memcpy(d, s, size_t(n));
    return n;
}
