#include "common/RuleRows.h"

#include <algorithm>
#include <cstring>

namespace {

#if QVGFX_X86
QVGFX_SSE2 int64_t AddColourSse2(uint8_t* d, int64_t n, uint32_t c)
{
    const __m128i v = _mm_set1_epi32(int(c));
    int64_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(d + 4 * i);
        _mm_storeu_si128(p, _mm_adds_epu8(_mm_loadu_si128(p), v));
    }
    return i;
}

QVGFX_AVX2 int64_t AddColourAvx2(uint8_t* d, int64_t n, uint32_t c)
{
    const __m256i v = _mm256_set1_epi32(int(c));
    int64_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256i* p = reinterpret_cast<__m256i*>(d + 4 * i);
        __m256i x = _mm256_adds_epu8(_mm256_loadu_si256(p), v),
                y = _mm256_adds_epu8(_mm256_loadu_si256(p + 1), v);
        _mm256_storeu_si256(p, x);
        _mm256_storeu_si256(p + 1, y);
    }
    return i + AddColourSse2(d + 4 * i, n - i, c);
}

QVGFX_SSE2 void FenceSse2() { _mm_sfence(); }

QVGFX_SSE2 void StreamCopySse2(uint8_t* d, const uint8_t* v, ptrdiff_t n)
{
    ptrdiff_t i = std::min<ptrdiff_t>(n, ptrdiff_t(-reinterpret_cast<uintptr_t>(d) & 15));
    std::memcpy(d, v, size_t(i));
    for (; i + 64 <= n; i += 64)  // four stores a step
        for (int k = 0; k < 64; k += 16)
            _mm_stream_si128(reinterpret_cast<__m128i*>(d + i + k),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i + k)));
    for (; i + 16 <= n; i += 16)
        _mm_stream_si128(reinterpret_cast<__m128i*>(d + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i)));
    std::memcpy(d + i, v + i, size_t(n - i));
}
#endif

}  // namespace

void StreamCopy(uint8_t* d, const uint8_t* v, ptrdiff_t n)
{
#if QVGFX_X86
    if (CpuAtLeast(CpuLevel::Sse2))
        return StreamCopySse2(d, v, n);
#endif
    std::memcpy(d, v, size_t(n));
}

void StreamFence()
{
#if QVGFX_X86
    if (CpuAtLeast(CpuLevel::Sse2))
        FenceSse2();
#endif
}

int32_t FastAddColourRun(uint8_t* d, int32_t n, const uint8_t* c)
{
#if QVGFX_X86
    uint32_t word;
    std::memcpy(&word, c, 4);  // the bytes in memory order, whatever the machine's byte order
    if (n <= 0)
        return 0;
    if (CpuAtLeast(CpuLevel::Avx2))
        return int32_t(AddColourAvx2(d, n, word));
    if (CpuAtLeast(CpuLevel::Sse2))
        return int32_t(AddColourSse2(d, n, word));
#endif
    (void)d, (void)n, (void)c;
    return 0;
}
