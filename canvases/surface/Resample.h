// The only loops that walk surface pixels: the unscaled, box and bilinear rows, each
// parameterised by bytes per pixel B and a blend rule, and the tables the resampling rows read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "common/CpuLevel.h"

#if QVGFX_X86
#include <immintrin.h>
#endif

// The unscaled path and Blit: w pixels of h rows, each source byte combined by the rule into its
// destination byte, in order.
template <int B, class Rule>
void UnscaledRows(uint8_t* d, ptrdiff_t dPitch, const uint8_t* s, ptrdiff_t sPitch, ptrdiff_t w,
                  ptrdiff_t h, Rule rule)
{
    for (; h > 0; --h, d += dPitch, s += sPitch)
        for (ptrdiff_t i = 0; i < w * B; ++i)
            d[i] = rule(d[i], s[i]);
}

// One axis of a resampled rectangle: the destination indices first .. first + count - 1 that lie
// inside the destination surface, and the 16.16 step from one destination index to the next.
struct ResampleAxis {
    int64_t first;
    int64_t count;
    int64_t step;
};

// Per visible destination column: the source column's byte offset and its weight pair; per
// visible destination row: the address of the source row's first pixel and its weight pair.
// One block, freed with the tables; weights only when asked for (bilinear path), and at its end
// the bytes asked for the resampling engine's plan. Blocks of up to kLocalBytes are the tables'
// own (on the caller's stack: at 64x64 the heap's allocation and release took a tenth of a call),
// larger ones come from the heap.
struct ResampleTables {
    static constexpr std::size_t kLocalBytes = 8192;

    // Written out, not defaulted: ResampleTables{} would otherwise zero the 8 KiB on every call.
    ResampleTables() {}
    ResampleTables(const ResampleTables&) = delete;
    ResampleTables& operator=(const ResampleTables&) = delete;
    ~ResampleTables() { Release(); }

    // A block of n bytes in place of any earlier one (tables built twice lose nothing): the
    // tables' own up to kLocalBytes, else from the heap; null when the heap has none.
    uint8_t* Allocate(std::size_t n)
    {
        Release();
        m_Plan = nullptr;
        m_Block = n <= kLocalBytes ? m_Local : new (std::nothrow) uint8_t[n];
        return m_Block;
    }

    alignas(64) uint8_t m_Local[kLocalBytes];
    uint8_t* m_Block = nullptr;
    const uint8_t** m_Rows = nullptr;
    int32_t* m_Columns = nullptr;
    uint8_t* m_Fx = nullptr;   // fraction's top eight bits: weight of the right neighbour
    uint8_t* m_Fx1 = nullptr;  // 255 - fx: weight of the pixel itself
    uint8_t* m_Fy = nullptr;
    uint8_t* m_Fy1 = nullptr;
    uint8_t* m_Plan = nullptr;  // null when no bytes were asked for

private:
    void Release()
    {
        if (m_Block != m_Local)
            delete[] m_Block;
        m_Block = nullptr;
    }
};

// The row table's first entries four at a time at the AVX2 level: rows[j] = origin + ((py + j sy)
// mod 2^32 >> 16) pitch, each row index (below 2^16) times the pitch in one 32 x 32-bit multiply
// into 64 bits, where the pitch fits in 32 signed bits and pointers are 64-bit. Returns how many
// it filled (a multiple of four; 0 elsewhere), the rest left to the plain loop.
#if QVGFX_X86 && defined(__x86_64__)
QVGFX_AVX2 inline uint64_t RowTableAvx2(const uint8_t** rows, uint64_t ny, uint32_t py, uint32_t sy,
                                        const uint8_t* origin, ptrdiff_t pitch)
{
    if (pitch < INT32_MIN || pitch > INT32_MAX)
        return 0;
    const __m256i four = _mm256_set1_epi64x(int64_t(4) * sy), low = _mm256_set1_epi64x(0xFFFFFFFF),
                  p = _mm256_set1_epi64x(pitch),
                  at = _mm256_set1_epi64x(int64_t(reinterpret_cast<uintptr_t>(origin)));
    __m256i pos =
        _mm256_setr_epi64x(py, uint32_t(py + sy), uint32_t(py + 2 * sy), uint32_t(py + 3 * sy));
    uint64_t j = 0;
    for (; j + 4 <= ny; j += 4, pos = _mm256_and_si256(_mm256_add_epi64(pos, four), low))
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(rows + j),
                            _mm256_add_epi64(at, _mm256_mul_epi32(_mm256_srli_epi64(pos, 16), p)));
    return j;
}
inline uint64_t FastRowTable(const uint8_t** rows, uint64_t ny, uint32_t py, uint32_t sy,
                             const uint8_t* origin, ptrdiff_t pitch)
{
    return CpuAtLeast(CpuLevel::Avx2) ? RowTableAvx2(rows, ny, py, sy, origin, pitch) : 0;
}
#else
inline uint64_t FastRowTable(const uint8_t**, uint64_t, uint32_t, uint32_t, const uint8_t*,
                             ptrdiff_t)
{
    return 0;
}
#endif

// Fills t for the visible columns x and rows y of a rectangle whose source pixel (0, 0) lies at
// origin. Position i * step gives the source index (>> 16) and its weight ((>> 8) & 255); every
// position lies below 2^31 (source spans of at most 32768 pixels), so that they step in 32 bits,
// four or more at a time. Returns false, with nothing allocated, when the block cannot be had or a
// position would not fit.
template <int B>
bool BuildTables(ResampleTables& t, const ResampleAxis& x, const ResampleAxis& y,
                 const uint8_t* origin, ptrdiff_t sPitch, bool weights, uint64_t plan = 0)
{
    const uint64_t nx = uint64_t(x.count), ny = uint64_t(y.count);
    const uint64_t bytes =
        ny * sizeof(const uint8_t*) + nx * sizeof(int32_t) + (weights ? 2 * (nx + ny) : 0);
    const auto fits = [](const ResampleAxis& a) {
        return a.first >= 0 && a.step >= 0 && a.step <= INT32_MAX &&
               (a.count < 1 || (a.first + a.count - 1) * a.step <= INT32_MAX);
    };
    if (bytes > PTRDIFF_MAX || plan > PTRDIFF_MAX - bytes || !fits(x) || !fits(y))
        return false;
    if (t.Allocate(std::size_t(bytes + plan)) == nullptr)
        return false;
    if (plan != 0)
        t.m_Plan = t.m_Block + bytes;
    // Pointers first, then 32-bit offsets, then bytes: each part stays aligned.
    t.m_Rows = reinterpret_cast<const uint8_t**>(t.m_Block);
    t.m_Columns = reinterpret_cast<int32_t*>(t.m_Block + ny * sizeof(const uint8_t*));
    uint8_t* w = t.m_Block + ny * sizeof(const uint8_t*) + nx * sizeof(int32_t);
    // Positions step by step (the first one multiplied out), unsigned so that the step past the
    // last one may wrap.
    const auto sx = uint32_t(x.step), sy = uint32_t(y.step);
    uint32_t px = uint32_t(x.first * x.step);
    for (uint64_t i = 0; i < nx; ++i, px += sx)
        t.m_Columns[i] = int32_t(px >> 16) * B;
    uint32_t py = uint32_t(y.first * y.step);
    uint64_t j = FastRowTable(t.m_Rows, ny, py, sy, origin, sPitch);
    for (py += uint32_t(j) * sy; j < ny; ++j, py += sy)
        t.m_Rows[j] = origin + ptrdiff_t(py >> 16) * sPitch;
    if (weights) {
        px = uint32_t(x.first * x.step), py = uint32_t(y.first * y.step);
        for (uint64_t i = 0; i < nx; ++i, px += sx)
            w[i] = uint8_t(px >> 8), w[nx + i] = uint8_t(255 - uint8_t(px >> 8));
        for (uint64_t j = 0; j < ny; ++j, py += sy)
            w[2 * nx + j] = uint8_t(py >> 8), w[2 * nx + ny + j] = uint8_t(255 - uint8_t(py >> 8));
        t.m_Fx = w;
        t.m_Fx1 = w + nx;
        t.m_Fy = w + 2 * nx;
        t.m_Fy1 = w + 2 * nx + ny;
    }
    return true;
}

// Box path: each byte is the truncated mean of the pixel, its right neighbour (right bytes on),
// the pixel below (down bytes on) and the one below-right. An axis kept at its size passes 0 as
// its neighbour distance, which makes the mean that of the two pixels along the other axis.
template <int B, class Rule>
void BoxRows(uint8_t* d, ptrdiff_t dPitch, const ResampleTables& t, ptrdiff_t w, ptrdiff_t h,
             ptrdiff_t right, ptrdiff_t down, Rule rule)
{
    for (ptrdiff_t j = 0; j < h; ++j, d += dPitch) {
        uint8_t* p = d;
        for (ptrdiff_t i = 0; i < w; ++i) {
            const uint8_t* p00 = t.m_Rows[j] + t.m_Columns[i];
            for (int k = 0; k < B; ++k, ++p) {
                uint32_t v =
                    (uint32_t(p00[k]) + p00[k + right] + p00[k + down] + p00[k + right + down]) >>
                    2;
                *p = rule(*p, v);
            }
        }
    }
}

// Bilinear path: weights out of 255 on each axis, the sum shifted by 16 with no rounding (so a
// uniform 255 gives 253). An axis one pixel wide passes 0 as its neighbour distance: its weight
// is always 0, and the neighbour is never looked for outside the source.
template <int B, class Rule>
void BilinearRows(uint8_t* d, ptrdiff_t dPitch, const ResampleTables& t, ptrdiff_t w, ptrdiff_t h,
                  ptrdiff_t right, ptrdiff_t down, Rule rule)
{
    for (ptrdiff_t j = 0; j < h; ++j, d += dPitch) {
        const uint32_t fy = t.m_Fy[j], fy1 = t.m_Fy1[j];
        uint8_t* p = d;
        for (ptrdiff_t i = 0; i < w; ++i) {
            const uint32_t fx = t.m_Fx[i], fx1 = t.m_Fx1[i];
            const uint8_t* p00 = t.m_Rows[j] + t.m_Columns[i];
            for (int k = 0; k < B; ++k, ++p) {
                uint32_t top = p00[k] * fx1 + p00[k + right] * fx;
                uint32_t bottom = p00[k + down] * fx1 + p00[k + right + down] * fx;
                *p = rule(*p, (top * fy1 + bottom * fy) >> 16);
            }
        }
    }
}
