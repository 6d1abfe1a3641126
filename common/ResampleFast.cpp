#include "ResampleFast.h"

#include <new>

#include "CpuLevel.h"

#if QVGFX_X86
#include <immintrin.h>
#define SSE2 __attribute__((target("sse2")))
#define AVX2 __attribute__((target("avx2")))
#endif

namespace {

const ptrdiff_t kPad = 16;  // sums past the span, so that wide reads stay inside the scratch

#if QVGFX_X86
// V = a * wa + b * wb over n bytes (wb = 0 and wa = 1 with add: a + b), 16 bytes per step.
SSE2 ptrdiff_t VerticalSse2(uint16_t* v, const uint8_t* a, const uint8_t* b, ptrdiff_t n, uint32_t wa,
                            uint32_t wb, bool add)
{
    const __m128i z = _mm_setzero_si128(), ma = _mm_set1_epi16(short(wa)), mb = _mm_set1_epi16(short(wb));
    ptrdiff_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        __m128i xl = _mm_unpacklo_epi8(x, z), xh = _mm_unpackhi_epi8(x, z);
        __m128i yl = _mm_unpacklo_epi8(y, z), yh = _mm_unpackhi_epi8(y, z);
        __m128i lo, hi;
        if (add) {
            lo = _mm_add_epi16(xl, yl), hi = _mm_add_epi16(xh, yh);
        } else {
            lo = _mm_add_epi16(_mm_mullo_epi16(xl, ma), _mm_mullo_epi16(yl, mb));
            hi = _mm_add_epi16(_mm_mullo_epi16(xh, ma), _mm_mullo_epi16(yh, mb));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v + i), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v + i + 8), hi);
    }
    return i;
}

AVX2 ptrdiff_t VerticalAvx2(uint16_t* v, const uint8_t* a, const uint8_t* b, ptrdiff_t n, uint32_t wa,
                            uint32_t wb, bool add)
{
    const __m256i ma = _mm256_set1_epi16(short(wa)), mb = _mm256_set1_epi16(short(wb));
    ptrdiff_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256i x = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i)));
        __m256i y = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)));
        __m256i s = add ? _mm256_add_epi16(x, y)
                        : _mm256_add_epi16(_mm256_mullo_epi16(x, ma), _mm256_mullo_epi16(y, mb));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(v + i), s);
    }
    return i;
}

// Eight destination bytes per step: their sums and the neighbours' gathered from the scratch.
AVX2 ptrdiff_t HorizontalAvx2(uint8_t* out, const uint16_t* v, const int32_t* index, const uint32_t* w,
                              const uint32_t* w1, ptrdiff_t n, ptrdiff_t right, bool box)
{
    const __m256i low = _mm256_set1_epi32(0xFFFF), r = _mm256_set1_epi32(int(right));
    const __m256i pick = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                          0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const int* base = reinterpret_cast<const int*>(v);
    ptrdiff_t i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i idx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(index + i));
        __m256i a = _mm256_i32gather_epi32(base, idx, 2), b;
        if (right == 1) {  // the neighbour's sum is the upper half of the same 32 bits
            b = _mm256_srli_epi32(a, 16);
        } else {
            b = _mm256_and_si256(_mm256_i32gather_epi32(base, _mm256_add_epi32(idx, r), 2), low);
        }
        a = _mm256_and_si256(a, low);
        __m256i s;
        if (box) {
            s = _mm256_srli_epi32(_mm256_add_epi32(a, b), 2);
        } else {
            __m256i wa = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + i));
            __m256i wb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w1 + i));
            s = _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi32(a, wa), _mm256_mullo_epi32(b, wb)), 16);
        }
        s = _mm256_shuffle_epi8(s, pick);
        uint32_t lo = uint32_t(_mm256_cvtsi256_si32(s));
        uint32_t hi = uint32_t(_mm256_extract_epi32(s, 4));
        uint64_t both = uint64_t(lo) | uint64_t(hi) << 32;
        __builtin_memcpy(out + i, &both, 8);
    }
    return i;
}

// Four-byte pixels: one 16-byte load holds a pixel's four sums and its right neighbour's (the
// next four, right = 4; with right = 0 the weight of the second half is 0, so what it holds does
// not count). Products in 32 bits, four pixels per step; w holds 8 weights per pixel, w1 unused.
AVX2 ptrdiff_t Horizontal4Avx2(uint8_t* out, const uint16_t* v, const int32_t* index, const uint8_t* w8,
                               ptrdiff_t pixels, bool box)
{
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    ptrdiff_t i = 0;
    for (; i + 4 <= pixels; i += 4) {
        __m256i s[2];
        for (int h = 0; h < 2; ++h) {
            const ptrdiff_t a = i + 2 * h;
            __m256i x = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + index[4 * a])));
            __m256i y = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + index[4 * a + 4])));
            if (!box) {
                x = _mm256_mullo_epi32(x, _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(w8 + 8 * a))));
                y = _mm256_mullo_epi32(y, _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(w8 + 8 * a + 8))));
            }
            // Own half plus neighbour half, for pixel a in the low lane and a + 1 in the high one.
            __m256i sum = _mm256_add_epi32(_mm256_permute2x128_si256(x, y, 0x20), _mm256_permute2x128_si256(x, y, 0x31));
            s[h] = box ? _mm256_srli_epi32(sum, 2) : _mm256_srli_epi32(sum, 16);
        }
        __m256i p = _mm256_packus_epi32(s[0], s[1]);  // lanes: pixels i, i+2 | i+1, i+3
        p = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(p, p), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm256_castsi256_si128(p));
    }
    return i;
}

// Three-byte pixels: one 16-byte load holds the pixel's three sums, its neighbour's three and two
// more; each pixel is stored as four bytes, the fourth rewritten by the next pixel (the values
// row has room for the last one's).
AVX2 ptrdiff_t Horizontal3Avx2(uint8_t* out, const uint16_t* v, const int32_t* index, const uint8_t* w8,
                               ptrdiff_t pixels, bool box)
{
    const __m256i neighbour = _mm256_setr_epi32(3, 4, 5, 3, 4, 5, 6, 7);
    for (ptrdiff_t i = 0; i < pixels; ++i) {
        __m256i x = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + index[3 * i])));
        if (!box)
            x = _mm256_mullo_epi32(x, _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(w8 + 8 * i))));
        __m256i sum = _mm256_add_epi32(x, _mm256_permutevar8x32_epi32(x, neighbour));
        sum = box ? _mm256_srli_epi32(sum, 2) : _mm256_srli_epi32(sum, 16);
        __m128i b = _mm256_castsi256_si128(sum);
        b = _mm_packus_epi16(_mm_packus_epi32(b, b), b);
        const uint32_t bytes = uint32_t(_mm_cvtsi128_si32(b));
        __builtin_memcpy(out + 3 * i, &bytes, 4);
    }
    return pixels;
}

AVX2 inline __m256i Widened8(const uint16_t* q)
{
    return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)));
}

// One-byte pixels, right = 1: eight destination bytes whose sums lie within a window of 16 from
// the block's first take them from two widened loads by permutes (each permute sees the low three
// bits of an index; the blend picks the second load for indices 8 to 15). Wider blocks go
// byte by byte.
AVX2 ptrdiff_t Horizontal1Avx2(uint8_t* out, const uint16_t* v, const int32_t* index, const uint32_t* w,
                               const uint32_t* w1, ptrdiff_t n, bool box)
{
    const __m256i seven = _mm256_set1_epi32(7);
    const __m256i pick = _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                          0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    ptrdiff_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const int32_t base = index[i];
        const __m256i rel = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(index + i)),
                                             _mm256_set1_epi32(base));
        if (index[i + 7] - base > 14) {
            for (ptrdiff_t j = i; j < i + 8; ++j) {
                const uint16_t* p = v + index[j];
                out[j] = uint8_t(box ? (p[0] + p[1]) >> 2 : (p[0] * w[j] + p[1] * w1[j]) >> 16);
            }
            continue;
        }
        const uint16_t* p = v + base;
        const __m256i high = _mm256_cmpgt_epi32(rel, seven);  // only rel + 1 can reach 15
        const __m256i a = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(Widened8(p), rel),
                                             _mm256_permutevar8x32_epi32(Widened8(p + 8), rel), high);
        const __m256i rel1 = _mm256_add_epi32(rel, _mm256_set1_epi32(1));
        const __m256i high1 = _mm256_cmpgt_epi32(rel1, seven);
        const __m256i b = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(Widened8(p), rel1),
                                             _mm256_permutevar8x32_epi32(Widened8(p + 8), rel1), high1);
        __m256i s;
        if (box) {
            s = _mm256_srli_epi32(_mm256_add_epi32(a, b), 2);
        } else {
            __m256i wa = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + i));
            __m256i wb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w1 + i));
            s = _mm256_srli_epi32(_mm256_add_epi32(_mm256_mullo_epi32(a, wa), _mm256_mullo_epi32(b, wb)), 16);
        }
        s = _mm256_shuffle_epi8(s, pick);
        const uint64_t both = uint64_t(uint32_t(_mm256_cvtsi256_si32(s))) | uint64_t(uint32_t(_mm256_extract_epi32(s, 4))) << 32;
        __builtin_memcpy(out + i, &both, 8);
    }
    return i;
}
#endif

}  // namespace

ResampleScratch::~ResampleScratch() { delete[] m_Block; }

bool ResampleScratch::Make(int B, const int32_t* columns, const uint8_t* fx, const uint8_t* fx1,
                           ptrdiff_t w, ptrdiff_t right)
{
    if (w < 1 || !CpuAtLeast(CpuLevel::Sse2))
        return false;
    m_N = w * B;
    m_First = columns[0];
    m_Span = columns[w - 1] - m_First + B + right;
    m_Right = right;
    const bool weights = fx != nullptr;
    // Sums (2 bytes each, padded), indices, two weights (4 bytes each) and the values.
    const size_t sums = size_t(m_Span + kPad) * 2, per = size_t(m_N) * (weights ? 12 : 4);
    m_B = B;
    m_Block = new (std::nothrow) uint8_t[(sums + 3) / 4 * 4 + per + size_t(m_N) + 8 + (weights ? size_t(w) * 8 : 0)];
    if (m_Block == nullptr)
        return false;
    m_Sums = reinterpret_cast<uint16_t*>(m_Block);
    for (ptrdiff_t i = m_Span; i < m_Span + kPad; ++i)
        m_Sums[i] = 0;
    m_Index = reinterpret_cast<int32_t*>(m_Block + (sums + 3) / 4 * 4);
    uint32_t* next = reinterpret_cast<uint32_t*>(m_Index + m_N);
    if (weights)
        m_W = next, m_W1 = next + m_N, next += 2 * m_N;
    m_Out = reinterpret_cast<uint8_t*>(next);
    m_W8 = m_Out + m_N + 8;
    for (ptrdiff_t i = 0; weights && i < w; ++i)
        for (int k = 0; k < 8; ++k)
            m_W8[8 * i + k] = k < B ? fx1[i] : k < 2 * B ? fx[i] : 0;
    for (ptrdiff_t i = 0; i < w; ++i)
        for (int k = 0; k < B; ++k) {
            m_Index[i * B + k] = int32_t(columns[i] - m_First + k);
            if (weights)
                m_W[i * B + k] = fx1[i], m_W1[i * B + k] = fx[i];
        }
    return true;
}

const uint8_t* ResampleScratch::BilinearRow(const uint8_t* row, ptrdiff_t down, uint32_t fy, uint32_t fy1)
{
    const uint8_t* a = row + m_First;
    const uint8_t* b = a + down;
    ptrdiff_t i = 0;
#if QVGFX_X86
    i = CpuAtLeast(CpuLevel::Avx2) ? VerticalAvx2(m_Sums, a, b, m_Span, fy1, fy, false)
                                   : VerticalSse2(m_Sums, a, b, m_Span, fy1, fy, false);
#endif
    for (; i < m_Span; ++i)
        m_Sums[i] = uint16_t(a[i] * fy1 + b[i] * fy);
    i = 0;
#if QVGFX_X86
    if (CpuAtLeast(CpuLevel::Avx2))
        i = m_B == 4 && m_Right != 0   ? 4 * Horizontal4Avx2(m_Out, m_Sums, m_Index, m_W8, m_N / 4, false)
            : m_B == 1 && m_Right == 1 ? Horizontal1Avx2(m_Out, m_Sums, m_Index, m_W, m_W1, m_N, false)
            : m_B == 3 && m_Right != 0 ? 3 * Horizontal3Avx2(m_Out, m_Sums, m_Index, m_W8, m_N / 3, false)
                                       : HorizontalAvx2(m_Out, m_Sums, m_Index, m_W, m_W1, m_N, m_Right, false);
#endif
    for (; i < m_N; ++i) {
        const uint16_t* v = m_Sums + m_Index[i];
        m_Out[i] = uint8_t((v[0] * m_W[i] + v[m_Right] * m_W1[i]) >> 16);
    }
    return m_Out;
}

const uint8_t* ResampleScratch::BoxRow(const uint8_t* row, ptrdiff_t down)
{
    const uint8_t* a = row + m_First;
    const uint8_t* b = a + down;
    ptrdiff_t i = 0;
#if QVGFX_X86
    i = CpuAtLeast(CpuLevel::Avx2) ? VerticalAvx2(m_Sums, a, b, m_Span, 1, 1, true)
                                   : VerticalSse2(m_Sums, a, b, m_Span, 1, 1, true);
#endif
    for (; i < m_Span; ++i)
        m_Sums[i] = uint16_t(a[i] + b[i]);
    i = 0;
#if QVGFX_X86
    if (CpuAtLeast(CpuLevel::Avx2))
        i = m_B == 4 && m_Right != 0   ? 4 * Horizontal4Avx2(m_Out, m_Sums, m_Index, nullptr, m_N / 4, true)
            : m_B == 1 && m_Right == 1 ? Horizontal1Avx2(m_Out, m_Sums, m_Index, nullptr, nullptr, m_N, true)
            : m_B == 3 && m_Right != 0 ? 3 * Horizontal3Avx2(m_Out, m_Sums, m_Index, nullptr, m_N / 3, true)
                                       : HorizontalAvx2(m_Out, m_Sums, m_Index, nullptr, nullptr, m_N, m_Right, true);
#endif
    for (; i < m_N; ++i) {
        const uint16_t* v = m_Sums + m_Index[i];
        m_Out[i] = uint8_t((v[0] + v[m_Right]) >> 2);
    }
    return m_Out;
}
