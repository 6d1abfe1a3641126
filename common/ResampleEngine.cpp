#include "common/ResampleEngine.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/CpuLevel.h"

#if QVGFX_X86
#include <immintrin.h>
#define SSE2 QVGFX_SSE2
#define SSSE3 QVGFX_SSSE3
#define AVX2 QVGFX_AVX2
#define AVX512 QVGFX_AVX512
#endif

namespace {

using Layout = ResampleEngine::Layout;

const uint8_t kZero = 0x80;     // a shuffle index that gives 0
const ptrdiff_t kStrip = 2048;  // destination bytes per bilinear strip, at most

// Slot of four-byte group q: within each four groups, the order first, third, second, fourth.
ptrdiff_t SlotOf(ptrdiff_t q) { return (q & ~ptrdiff_t(3)) | (q & 1) << 1 | (q >> 1 & 1); }

// Byte by byte, from the tables: below SSSE3, and wherever a window cannot hold four bytes'
// sources.
void AcrossPlain(const Layout& p, int16_t* h, const uint8_t* row)
{
    for (ptrdiff_t i = 4 * p.q0 / p.B; i < std::min(p.w, 4 * p.q1 / p.B); ++i) {
        const uint8_t* s = row + p.columns[i];
        const int wa = p.fx1 ? p.fx1[i] : 1, wb = p.fx ? p.fx[i] : 1;
        for (int k = 0; k < p.B; ++k)
            *h++ = int16_t(s[k] * wa + s[k + p.right] * wb - p.bias);
    }
}

#if QVGFX_X86
SSE2 inline __m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
AVX2 inline __m256i Load256(const void* p)
{
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}

// The byte pairs of the fours at slot and slot + 2 (see SlotOf): the shuffles of their windows
// fill the low and high halves of one register.
SSSE3 __m128i BytePairs(const Layout& p, ptrdiff_t slot, const uint8_t* row)
{
    return _mm_or_si128(
        _mm_shuffle_epi8(Load(row + p.windows[slot]), Load(p.shuffles + 16 * slot)),
        _mm_shuffle_epi8(Load(row + p.windows[slot + 2]), Load(p.shuffles + 16 * slot + 32)));
}

// Sixteen bytes per step, eight from each two fours' byte pairs: the pairs less 128 as signed
// bytes, one byte multiply-add by the weights as unsigned bytes (the sums less 128 * 255, see
// AcrossAvx512). Shared: the four windows of each sixteen are one, and each register's two
// shuffles one (ShareWindows).
template <bool Shared>
SSSE3 void AcrossSsse3(const Layout& layout, int16_t* h, const uint8_t* row)
{
    const Layout p = layout;  // a local copy: the stores to h cannot change it
    const uint8_t* weights = p.weights;
    for (ptrdiff_t q = p.q0; q < p.q1; q += 4, h += 16) {
        const __m128i one = Load(row + p.windows[q]);
        for (int half = 0; half < 2; ++half) {
            const __m128i pairs =
                Less128(Shared ? _mm_shuffle_epi8(one, Load(p.shuffles + 16 * (q + half)))
                               : BytePairs(p, q + half, row));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(h + 8 * half),
                             _mm_maddubs_epi16(Load(weights + 8 * q + 16 * half), pairs));
        }
    }
}

// The same sixteen bytes per step in one register: two windows per 128-bit half (the first and
// third fours' in one, the second and fourth's in the other), as the box rows take them.
template <bool Shared>
AVX2 void AcrossAvx2(const Layout& layout, int16_t* h, const uint8_t* row)
{
    const Layout p = layout;
    const uint8_t* weights = p.weights;
    for (ptrdiff_t q = p.q0; q < p.q1; q += 4, h += 16) {
        __m256i pairs;
        if (Shared)
            pairs = _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(Load(row + p.windows[q])),
                                        Load256(p.shuffles + 16 * q));
        else
            pairs = BytePairsAvx2(p, q, row);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(h),
                            _mm256_maddubs_epi16(Load256(weights + 8 * q), Less128(pairs)));
    }
}

// Sixty-four bytes per step from one 64-byte window of the row (PlanWide): the window's bytes less
// 128 as signed bytes, two byte permutes put each destination byte's two source bytes side by
// side, and two byte multiply-adds weigh them by their weights as unsigned bytes: (p0 - 128)
// (255 - fx) + (p1 - 128) fx is the sum less 128 * 255, within 16 signed bits with no clamp. The
// pairs are planned in the order BilinearDown::kSlotOf gives (see LaneSums). Short: the row reads
// fewer than 64 source bytes (at any ratio), which every 64 take their pairs from, loaded once
// under a mask that reads none past them.
template <bool Short>
AVX512 void AcrossAvx512(const Layout& layout, int16_t* h, const uint8_t* row)
{
    const Layout p = layout;
    const uint8_t* weights = p.weights;
    __m512i bytes{};
    if constexpr (Short)
        bytes = Less128(
            _mm512_maskz_loadu_epi8((__mmask64(1) << (p.end - p.first)) - 1, row + p.first));
    for (ptrdiff_t g = p.q0 / 16; g < p.q1 / 16; ++g, h += 64) {
        const __m512i win = Short ? bytes : Less128(_mm512_loadu_si512(row + p.windows[g]));
        for (int e = 0; e < 2; ++e) {
            const __m512i pairs = _mm512_maskz_permutexvar_epi8(
                __mmask64(-1), _mm512_loadu_si512(p.shuffles + 128 * g + 64 * e), win);
            _mm512_storeu_si512(
                h + 32 * e,
                _mm512_maddubs_epi16(_mm512_loadu_si512(weights + 128 * g + 64 * e), pairs));
        }
    }
}

// Box rows in one pass, sixteen bytes per step: the shuffles of two windows fill the low and high
// halves of one register with byte pairs, one multiply-add with ones sums each pair; the two
// rows' pair sums added and shifted give the mean of four.
SSSE3 __m128i PairSums(const Layout& p, ptrdiff_t slot, const uint8_t* row)
{
    return _mm_maddubs_epi16(BytePairs(p, slot, row), _mm_set1_epi8(1));
}

// Where each destination pixel reads the two source pixels after the previous one's (the box
// shape of a 1/2 reduction), sixteen source bytes load straight: a fixed shuffle pairs bytes
// B apart (none needed for B = 1).
SSSE3 __m128i RegularPairSums(const uint8_t* row, __m128i order)
{
    return _mm_maddubs_epi16(_mm_shuffle_epi8(Load(row), order), _mm_set1_epi8(1));
}

// The box kernels take the fours q0 to q1 apart from the plan, and read the plan's fields where
// they use them: a copy of the plan just written (the fours changed) would be read back before
// its stores reach the cache, which stalls each call.
SSSE3 void BoxSsse3(const Layout& p, ptrdiff_t q0, ptrdiff_t q1, uint8_t* v, const uint8_t* top,
                    const uint8_t* bottom)
{
    const __m128i order = PairOrder(p.B);
    const int32_t* regular = p.regular;
    for (ptrdiff_t q = q0; q < q1; q += 4, v += 16) {
        if (const int32_t at = regular[q / 8]; at >= 0) {
            const ptrdiff_t o = at + (q & 4) * 8;  // the second half of 32 reads 32 bytes on
            const __m128i x =
                _mm_add_epi16(RegularPairSums(top + o, order), RegularPairSums(bottom + o, order));
            const __m128i y = _mm_add_epi16(RegularPairSums(top + o + 16, order),
                                            RegularPairSums(bottom + o + 16, order));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(v),
                             _mm_packus_epi16(_mm_srli_epi16(x, 2), _mm_srli_epi16(y, 2)));
            continue;
        }
        const __m128i x =
            _mm_srli_epi16(_mm_add_epi16(PairSums(p, q, top), PairSums(p, q, bottom)), 2);
        const __m128i y =
            _mm_srli_epi16(_mm_add_epi16(PairSums(p, q + 1, top), PairSums(p, q + 1, bottom)), 2);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v), _mm_packus_epi16(x, y));
    }
}

AVX512 inline __m512i Load512(const void* p) { return _mm512_loadu_si512(p); }

// The down pass's rules on eight (or sixteen) sums of each row: BilinearDown (its lift undoes the
// bias the across pass takes off), and BoxDown, (top + bottom) >> 2.
struct BoxDown {
    int32_t w;
    SSE2 __m128i operator()(__m128i t, __m128i b) const
    {
        return _mm_srli_epi16(_mm_add_epi16(t, b), 2);
    }
    AVX2 __m256i operator()(__m256i t, __m256i b) const
    {
        return _mm256_srli_epi16(_mm256_add_epi16(t, b), 2);
    }
    AVX512 __m512i operator()(__m512i t, __m512i b) const
    {
        return _mm512_srli_epi16(_mm512_add_epi16(t, b), 2);
    }
    AVX512 __m512i Bytes(__m512i t0, __m512i b0, __m512i t1, __m512i b1) const
    {
        return InOrder(_mm512_packus_epi16((*this)(t0, b0), (*this)(t1, b1)));
    }
};

template <class Op>
SSE2 void DownSse2(uint8_t* v, const int16_t* t, const int16_t* b, ptrdiff_t n, uint32_t fy)
{
    const Op op{int32_t((255 - fy) | fy << 16)};
    for (ptrdiff_t i = 0; i < n; i += 16) {
        const __m128i x = op(Load(t + i), Load(b + i)), y = op(Load(t + i + 8), Load(b + i + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v + i), _mm_packus_epi16(x, y));
    }
}

template <class Op>
AVX2 void DownAvx2(uint8_t* v, const int16_t* t, const int16_t* b, ptrdiff_t n, uint32_t fy)
{
    const Op op{int32_t((255 - fy) | fy << 16)};
    for (ptrdiff_t i = 0; i < n; i += 32) {
        const __m256i x = op(Load256(t + i), Load256(b + i)),
                      y = op(Load256(t + i + 16), Load256(b + i + 16));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(v + i), InOrder(_mm256_packus_epi16(x, y)));
    }
}

// Sixty-four bytes per step, a last 32 by the 256-bit loop (sums in the order of the bytes; the
// rows of sums in kSlotOf order are whole 64s).
template <class Op>
AVX512 void DownAvx512(uint8_t* v, const int16_t* t, const int16_t* b, ptrdiff_t n, uint32_t fy)
{
    const Op op{int32_t((255 - fy) | fy << 16)};
    ptrdiff_t i = 0;
    for (; i + 64 <= n; i += 64) {
        _mm512_storeu_si512(v + i, op.Bytes(Load512(t + i), Load512(b + i), Load512(t + i + 32),
                                            Load512(b + i + 32)));
    }
    if (i < n)
        DownAvx2<Op>(v + i, t + i, b + i, n - i, fy);
}
// The same from sums in kSlotOf order, n a whole number of 64s.
AVX512 void DownLanesAvx512(uint8_t* v, const int16_t* t, const int16_t* b, ptrdiff_t n,
                            uint32_t fy)
{
    DownWithRule512<false, true>(v, nullptr, t, b, n, fy, fy, KeepValues{});
}

// Two destination rows of the same two source rows, weights fy0 and fy1: the sums loaded and
// paired once for both (n a whole number of 64s).
AVX2 void DownPairAvx2(uint8_t* v0, uint8_t* v1, const int16_t* t, const int16_t* b, ptrdiff_t n,
                       uint32_t fy0, uint32_t fy1)
{
    DownWithRule256<true, false>(v0, v1, t, b, n, fy0, fy1, KeepValues{});
}
template <bool Lanes>
AVX512 void DownPairAvx512(uint8_t* v0, uint8_t* v1, const int16_t* t, const int16_t* b,
                           ptrdiff_t n, uint32_t fy0, uint32_t fy1)
{
    DownWithRule512<true, Lanes>(v0, v1, t, b, n, fy0, fy1, KeepValues{});
}

// Where every sixteen destination bytes read within sixteen source bytes (enlargements), moves
// their four windows to the lowest, so that one load serves them; false, nothing moved, if not.
// A shuffle at a window moved down by `by` bytes picks each used byte by bytes further on. Then
// the shuffles of the fours at slots q and q + 2 (the low and high halves of a register of pairs)
// are joined into one at slot q, and those at q + 1 and q + 3 at q + 1 (each byte the used index
// of the two, the lower), so that one shuffle gives the sixteen bytes' pairs in order.
SSE2 bool ShareWindows(const Layout& p, int32_t* windows, uint8_t* shuffles)
{
    const __m128i zero = _mm_set1_epi8(char(kZero)), last = _mm_set1_epi8(15);
    for (int pass = 0; pass < 2; ++pass)
        for (ptrdiff_t q = 0; q < p.n32 / 4; q += 4) {
            const int32_t at = *std::min_element(windows + q, windows + q + 4);
            for (ptrdiff_t slot = q; slot < q + 4; ++slot) {
                auto* s = reinterpret_cast<__m128i*>(shuffles + 16 * slot);
                const __m128i v = _mm_loadu_si128(s), unused = _mm_cmpeq_epi8(v, zero);
                // (A move of 16 or more leaves no used byte within the window.)
                const int32_t by = std::min(windows[slot] - at, 16);
                const __m128i moved = _mm_add_epi8(v, _mm_set1_epi8(char(by)));
                const __m128i fits = _mm_or_si128(
                    unused, _mm_cmpeq_epi8(_mm_min_epu8(moved, last), moved));  // at most 15
                if (pass == 0 && _mm_movemask_epi8(fits) != 0xFFFF)
                    return false;
                if (pass == 1)
                    _mm_storeu_si128(
                        s, _mm_or_si128(_mm_and_si128(unused, v), _mm_andnot_si128(unused, moved)));
            }
            if (pass == 1) {
                std::fill(windows + q, windows + q + 4, at);
                for (ptrdiff_t slot = q; slot < q + 2; ++slot) {
                    auto* s = reinterpret_cast<__m128i*>(shuffles + 16 * slot);
                    _mm_storeu_si128(s, _mm_min_epu8(_mm_loadu_si128(s), _mm_loadu_si128(s + 2)));
                }
            }
        }
    return true;
}
#endif

// Per 32 destination bytes on the box path with B = 1 or 4: the offset of the 64 source bytes
// they read where each pixel reads the two after the previous one's, else -1; and how many 64s
// from there on are regular and read on from each other (0 where not even the first is), so that
// the kernels run them as one loop. Returns where the row's source bytes start if its first 32
// bytes are the head of a 1/2 row (pixel 0 reads the first two source pixels, pixel 1 the second
// and the third, and each next one the two after the previous one's), else -1.
template <int B>
int32_t PlanRegular(const Layout& p, int32_t* regular, int32_t* runs)
{
    constexpr ptrdiff_t per = 32 / B;
    const bool pairs = !p.fx && (B == 1 || B == 4) && p.right == B;  // adjacent pixels
    for (ptrdiff_t g = 0; g < p.n32 / 32; ++g) {
        const ptrdiff_t i0 = g * per;
        regular[g] = -1;
        if (!pairs || i0 + per > p.w)
            continue;
        const int32_t* c = p.columns + i0;
        int32_t off = 0;  // bits where some column is off its place: the compiler takes the whole
        for (ptrdiff_t j = 0; j < per; ++j)  // group a vector at a time
            off |= c[j] ^ (c[0] + int32_t(2 * B * j));
        regular[g] = off == 0 ? c[0] : -1;
    }
    for (ptrdiff_t g = p.n32 / 32 - 1; g >= 0; --g) {
        const bool pair =
            regular[g] >= 0 && g + 1 < p.n32 / 32 && regular[g + 1] == regular[g] + 64;
        const bool on =  // the run from g + 2 reads on from this 64
            g + 2 < p.n32 / 32 && runs[g + 2] > 0 && regular[g + 2] == regular[g] + 128;
        runs[g] = pair ? 1 + (on ? runs[g + 2] : 0) : 0;
    }
    if (!pairs || per > p.w)
        return -1;
    int32_t off = 0;
    for (ptrdiff_t i = 1; i < per; ++i)
        off |= p.columns[i] ^ (p.columns[0] + int32_t((2 * i - 1) * B));
    return off == 0 ? p.columns[0] : -1;
}

// The m destination bytes from byte t0 on by one byte permute of the W source bytes from the
// offset returned (W = 64: one source; 128: two), or -1 where their byte pairs do not lie within
// W bytes of the row: the indices that pick each byte's pair, 2m of them, go to s. For W = 64 a
// row of fewer bytes is taken from its first byte on (the kernel reads no byte past its end).
template <int B>
ptrdiff_t PlanPairs(const Layout& p, ptrdiff_t t0, int m, ptrdiff_t W, uint8_t* s)
{
    static_assert(32 % B == 0);  // t0, a multiple of 32, starts a pixel
    if (W != 64 && p.end - p.first < W)  // the wide step loads whole
        return -1;
    const int32_t* c = p.columns + t0 / B;
    int32_t from[64], lo = INT32_MAX, hi = 0;
    for (int j = 0; j < m; ++j) {
        from[j] = c[j / B] + j % B;
        lo = std::min(lo, from[j]), hi = std::max(hi, from[j]);
    }
    const ptrdiff_t at = std::min<ptrdiff_t>(lo, std::max(p.end - W, p.first));
    if (hi + p.right - at > W - 1)
        return -1;
    std::memset(s, 0, size_t(W));
    for (int j = 0; j < m; ++j)
        s[2 * j] = uint8_t(from[j] - at), s[2 * j + 1] = uint8_t(from[j] + p.right - at);
    return at;
}

// Per 32 destination bytes on the box path that are not regular, in the place of their shuffles
// (128 bytes): where the 64 bytes from there on (whole, in the row) have their byte pairs within
// 128 source bytes, the offset of those bytes in wide and the 128 indices that pick the pairs;
// else where the 32 bytes' pairs lie within 64 source bytes, the offset in permuted and 64
// indices; else -1. Only where permute is set, and for B = 1 and 4 (3-byte rows keep the windows).
// The wide step at the start of a 1/2 row takes its irregular first 32 bytes and the regular 32
// after them, so that the rest of the row goes in regular 64s.
template <int B>
void PlanPermuted(const Layout& p, bool permute, int32_t* permuted, int32_t* wide,
                  uint8_t* shuffles)
{
    const ptrdiff_t n = p.w * B;
    for (ptrdiff_t g = 0; g < p.n32 / 32; ++g) {
        permuted[g] = wide[g] = -1;
        if constexpr (B != 3) {
            if (!permute || p.fx || p.regular[g] >= 0)
                continue;
            uint8_t* s = shuffles + 128 * g;
            if (32 * g + 64 <= n)
                wide[g] = int32_t(PlanPairs<B>(p, 32 * g, 64, 128, s));
            if (wide[g] < 0)
                permuted[g] = int32_t(
                    PlanPairs<B>(p, 32 * g, int(std::min<ptrdiff_t>(n - 32 * g, 32)), 64, s));
        }
    }
}

// The box planning of PlanRegular and PlanPermuted, B a constant.
template <int B>
int32_t PlanBox(const Layout& p, bool permute, int32_t* regular, int32_t* runs, int32_t* permuted,
                int32_t* wide, uint8_t* shuffles)
{
    const int32_t head = PlanRegular<B>(p, regular, runs);
    PlanPermuted<B>(p, permute, permuted, wide, shuffles);
    return head;
}

// Whether a box row of 3-byte pixels is a 1/2 row from its first pixel to its last: 6 where each
// pixel reads the two source pixels after the previous one's, 3 where the second reads from the
// first one's second (the head, as PlanRegular finds it), else 0 (see HalvesOf3).
int32_t PlanHalvesOf3(const Layout& p)
{
    if (p.B != 3 || p.fx || p.right != 3 || p.w < 2)
        return 0;
    const int32_t* c = p.columns;
    int32_t off = 0;  // bits where some column is off its place
    for (ptrdiff_t i = 2; i < p.w; ++i)
        off |= c[i] ^ (c[1] + int32_t(6 * (i - 1)));
    return off == 0 && (c[1] - c[0] == 3 || c[1] - c[0] == 6) ? c[1] - c[0] : 0;
}

#if QVGFX_X86
// Where PlanWide plans byte u of each 64: in 32-bit lane 16 e + j of four vectors e, so that the
// lane-wise packs of vectors 0 with 1 and 2 with 3 leave the bytes' pairs (and so AcrossAvx512's
// sums) in the order BilinearDown::kSlotOf gives (slot s: e = 2 (s / 32) + (s / 4) % 2, j = 4
// ((s % 32) / 8) + s % 4). Per lane, for a row of B-byte pixels whose 64 bytes start at byte phase
// of a pixel: the byte u it serves, the pixel of that byte counted from the 64's first, and its
// byte in the pixel.
struct WideLanes {
    alignas(64) std::array<int32_t, 64> u, pixel, byte;
};
constexpr WideLanes MakeWideLanes(int B, int phase)
{
    WideLanes l{};
    for (int u = 0; u < 64; ++u) {
        const int s = BilinearDown::kSlotOf[size_t(u)];
        const auto lane = size_t(16 * (s / 32 * 2 + (s & 4) / 4) + (s & 31) / 8 * 4 + (s & 3));
        l.u[lane] = u, l.pixel[lane] = (phase + u) / B, l.byte[lane] = (phase + u) % B;
    }
    return l;
}
// B = 1; B = 3 at each phase (64 bytes on from a phase is one byte on); B = 4.
constexpr std::array<WideLanes, 5> kWideLanes = {MakeWideLanes(1, 0), MakeWideLanes(3, 0),
                                                 MakeWideLanes(3, 1), MakeWideLanes(3, 2),
                                                 MakeWideLanes(4, 0)};

// Byte permutes that give pixels 16 e to 16 e + 15 of two rows of 64 bytes as 32-bit lanes, the
// first row's byte in each lane's byte 0 and the second row's in byte 1.
constexpr auto kPairOf = [] {
    std::array<std::array<uint8_t, 64>, 4> a{};
    for (int e = 0; e < 4; ++e)
        for (int j = 0; j < 16; ++j)
            a[size_t(e)][size_t(4 * j)] = uint8_t(16 * e + j),
                                    a[size_t(e)][size_t(4 * j + 1)] = uint8_t(64 + 16 * e + j);
    return a;
}();

// The plan of AcrossAvx512 for bilinear rows: per 64 destination bytes g, the offset of the 64
// source bytes they read (windows[g]); per byte, in its 16-bit lane of one of the two permutes
// that serve the 64, its two source bytes' indices (128 index bytes per g) and their weights
// (128 bytes per g). Bytes past the row weigh nothing. False where some 64 bytes read further
// apart than 64 source bytes. Sixteen lanes at a time: the pixels' columns and weight pairs
// loaded in order, permuted into 32-bit lanes, then packed.
AVX512 bool PlanWide(const Layout& layout, int32_t* windows, uint8_t* shuffles, uint8_t* weights)
{
    const Layout p = layout;
    const ptrdiff_t n = p.w * p.B, need = 64 / p.B + 1;  // pixels a 64 may touch, at most
    const __m512i right = _mm512_set1_epi32(int32_t(p.right)), top = _mm512_set1_epi32(63);
    for (ptrdiff_t g = 0; g < p.n32 / 64; ++g) {
        const ptrdiff_t t0 = 64 * g, i0 = t0 / p.B, phase = t0 % p.B;
        const WideLanes& l = kWideLanes[size_t(p.B == 1 ? 0 : p.B == 4 ? 4 : 1 + phase)];
        // Every byte reads at or after its pixel's first byte, and columns do not decrease. A row
        // of fewer than 64 source bytes has the one window of its first byte (see AcrossAvx512).
        const int32_t at =
            int32_t(std::max(p.first, std::min<ptrdiff_t>(p.columns[i0], p.end - 64)));
        windows[g] = at;
        // The 64's pixels (past the row: 0), their columns less at and their weight pairs.
        const ptrdiff_t np = std::min(p.w - i0, need);
        const __mmask64 in = np >= 64 ? ~__mmask64(0) : (__mmask64(1) << np) - 1;
        const __m512i fx = _mm512_maskz_loadu_epi8(in, p.fx + i0),
                      fx1 = _mm512_maskz_loadu_epi8(in, p.fx1 + i0);
        __m512i column[4], pair[4];
        for (ptrdiff_t e = 0; e < 4; ++e) {
            const ptrdiff_t left = std::clamp<ptrdiff_t>(np - 16 * e, 0, 16);
            column[e] = left == 0
                            ? _mm512_setzero_si512()
                            : _mm512_sub_epi32(_mm512_maskz_loadu_epi32(__mmask16((1u << left) - 1),
                                                                        p.columns + i0 + 16 * e),
                                               _mm512_set1_epi32(at));
            pair[e] = _mm512_maskz_permutex2var_epi8(
                0x3333333333333333, fx1, _mm512_loadu_si512(kPairOf[size_t(e)].data()), fx);
        }
        const __m512i m = _mm512_set1_epi32(int32_t(std::min<ptrdiff_t>(n - t0, 64)));
        __m512i index[4], weight[4];  // below 2^16 in each 32-bit lane
        for (int f = 0; f < 4; ++f) {
            const __m512i pixel = _mm512_loadu_si512(l.pixel.data() + 16 * f);
            const __mmask16 valid =
                _mm512_cmplt_epi32_mask(_mm512_loadu_si512(l.u.data() + 16 * f), m);
            __m512i a = _mm512_permutex2var_epi32(column[0], pixel, column[1]);
            __m512i w = _mm512_permutex2var_epi32(pair[0], pixel, pair[1]);
            if (p.B == 1) {  // pixels 32 to 63
                const __mmask16 high = _mm512_cmpge_epi32_mask(pixel, _mm512_set1_epi32(32));
                a = _mm512_mask_blend_epi32(high, a,
                                            _mm512_permutex2var_epi32(column[2], pixel, column[3]));
                w = _mm512_mask_blend_epi32(high, w,
                                            _mm512_permutex2var_epi32(pair[2], pixel, pair[3]));
            }
            a = _mm512_add_epi32(a, _mm512_loadu_si512(l.byte.data() + 16 * f));
            const __m512i b = _mm512_add_epi32(a, right);
            if (_mm512_mask_cmpgt_epi32_mask(valid, b, top) != 0)
                return false;
            index[f] = _mm512_maskz_or_epi32(valid, a, _mm512_maskz_slli_epi32(valid, b, 8));
            weight[f] = _mm512_maskz_mov_epi32(valid, w);
        }
        for (int e = 0; e < 2; ++e) {
            _mm512_storeu_si512(shuffles + 128 * g + 64 * e,
                                _mm512_packus_epi32(index[2 * e], index[2 * e + 1]));
            _mm512_storeu_si512(weights + 128 * g + 64 * e,
                                _mm512_packus_epi32(weight[2 * e], weight[2 * e + 1]));
        }
    }
    return true;
}
#endif

// Fills the windows, shuffles and weights of every four destination bytes (box: shuffles only,
// which gather byte pairs, and none where the 32 bytes are regular); false where some four read
// further apart than one window holds. The row reads 16 source bytes or more (Plan).
template <int B>
bool PlanWindows(const Layout& p, int32_t* windows, uint8_t* shuffles, uint8_t* weights)
{
    const ptrdiff_t n = p.w * B;
    for (ptrdiff_t q = 0; q < p.n32 / 4; ++q) {
        if (!p.fx && (p.regular[q / 8] >= 0 || p.permuted[q / 8] >= 0 || p.wide[q / 8] >= 0)) {
            q |= 7;  // the kernels take these 32 bytes without windows
            continue;
        }
        const ptrdiff_t slot = SlotOf(q);
        uint8_t* s = shuffles + 16 * slot;
        uint8_t* w = weights + 8 * q;  // in the order of the fours
        std::memset(s, kZero, 16);
        if (p.fx)
            std::memset(w, 0, 8);
        // Pixel and source byte of each of the four (past the row: none). The window starts at
        // the lowest of them (with B > 1 a pixel may start below where the one before ends), or
        // ends where the row's bytes end.
        ptrdiff_t pixel[4], from[4], at = p.end - 16;
        const int m = int(std::clamp<ptrdiff_t>(n - 4 * q, 0, 4));
        for (ptrdiff_t j = 0, i = 4 * q / B, k = 4 * q % B; j < m;
             ++j, k = k + 1 == B ? 0 : k + 1) {
            i += j > 0 && k == 0;
            pixel[j] = i, from[j] = p.columns[i] + k;
            at = std::min(at, from[j]);
        }
        windows[slot] = int32_t(at);
        for (int j = 0; j < m; ++j) {
            const ptrdiff_t a = from[j] - at;
            if (a + p.right > 15)
                return false;
            // Byte pairs, in the upper half of the shuffle for odd fours.
            s[8 * (q & 1) + 2 * j] = uint8_t(a), s[8 * (q & 1) + 2 * j + 1] = uint8_t(a + p.right);
            if (p.fx)
                w[2 * j] = p.fx1[pixel[j]], w[2 * j + 1] = p.fx[pixel[j]];
        }
    }
    return true;
}

}  // namespace

uint64_t ResampleEngine::PlanBytes(uint64_t n)
{
    // Two rows of sums, the values, per byte four shuffle bytes, two weight bytes and a quarter of
    // a window offset, per 32 bytes a regular, a permuted and a wide offset and a run (12.5 bytes
    // per byte); and room to align the rows.
    return CpuAtLeast(CpuLevel::Sse2) ? (n + 63) / 64 * 64 * 13 + 32 : 0;
}

bool ResampleEngine::Plan(uint8_t* block, int B, const int32_t* columns, const uint8_t* fx,
                          const uint8_t* fx1, ptrdiff_t w, ptrdiff_t right)
{
    if (block == nullptr || w < 1 || !CpuAtLeast(CpuLevel::Sse2))
        return false;
#if QVGFX_X86
    // Rows that read fewer than 16 source bytes would take the byte-by-byte pass: the plain loops
    // draw so few bytes faster than the plan and two passes.
    if (columns[w - 1] + B + right - columns[0] < 16)
        return false;
    const ptrdiff_t n32 = (w * B + 63) / 64 * 64;
    m_Strip = fx ? std::min(n32, kStrip / (64 * B) * 64 * B) : n32;  // box rows reuse nothing
    m_Sums[0] = reinterpret_cast<int16_t*>(block + (-reinterpret_cast<uintptr_t>(block) & 31));
    m_Sums[1] = m_Sums[0] + m_Strip;
    m_Values = reinterpret_cast<uint8_t*>(m_Sums[1] + m_Strip);
    auto* shuffles = m_Values + m_Strip;
    auto* weights = shuffles + 4 * n32;
    auto* windows = reinterpret_cast<int32_t*>(weights + 2 * n32);
    auto* regular = windows + n32 / 4;
    auto* permuted = regular + n32 / 32;
    auto* runs = permuted + n32 / 32;
    auto* wide = runs + n32 / 32;
    m_Layout = {B,        w,        right,   columns[0],  columns[w - 1] + B + right,
                n32,      columns,  fx,      fx1,         fx ? BilinearDown::kBias : 0,
                windows,  shuffles, weights, regular,     runs,
                permuted, wide,     0,       m_Strip / 4, -1,
                0};
    const bool avx2 = CpuAtLeast(CpuLevel::Avx2), avx512 = CpuAtLeast(CpuLevel::Avx512);
    const auto planBox = B == 1 ? PlanBox<1> : B == 4 ? PlanBox<4> : PlanBox<3>;
    m_Layout.head = planBox(m_Layout, avx512, regular, runs, permuted, wide, shuffles);
    m_Layout.halves3 = avx512 ? PlanHalvesOf3(m_Layout) : 0;
    m_Across = AcrossPlain;
    m_Box = nullptr;
    m_Lanes = fx && avx512 && PlanWide(m_Layout, windows, shuffles, weights);
    if (m_Lanes)
        m_Across = Span() < 64 ? AcrossAvx512<true> : AcrossAvx512<false>;
    else if (CpuAtLeast(CpuLevel::Ssse3) && m_Layout.halves3 == 0 &&  // HalvesOf3: no windows
             (B == 1   ? PlanWindows<1>
              : B == 4 ? PlanWindows<4>
                       : PlanWindows<3>)(m_Layout, windows, shuffles, weights)) {
        const bool shared = fx && ShareWindows(m_Layout, windows, shuffles);
        if (fx && shared)
            m_Across = avx2 ? AcrossAvx2<true> : AcrossSsse3<true>;
        else if (fx)
            m_Across = avx2 ? AcrossAvx2<false> : AcrossSsse3<false>;
        else
            m_Box = BoxSsse3;  // AVX2 and up: BoxRows, all rows in one call
    }
    if (m_Box == nullptr)  // rows by sums: the sums past the row stay 0
        std::memset(m_Sums[0], 0, size_t(m_Strip) * 4);
    m_DownPair = !fx      ? nullptr
                 : avx512 ? (m_Lanes ? DownPairAvx512<true> : DownPairAvx512<false>)
                 : avx2   ? DownPairAvx2
                          : nullptr;
    if (fx)
        m_Down = m_Lanes  ? DownLanesAvx512
                 : avx512 ? DownAvx512<BilinearDown>
                 : avx2   ? DownAvx2<BilinearDown>
                          : DownSse2<BilinearDown>;
    else
        m_Down = avx512 ? DownAvx512<BoxDown> : avx2 ? DownAvx2<BoxDown> : DownSse2<BoxDown>;
    return true;
#else
    (void)B, (void)columns, (void)fx, (void)fx1, (void)right;
    return false;
#endif
}

void ResampleEngine::Strip(ptrdiff_t first)
{
    m_Layout.q0 = first / 4;
    m_Layout.q1 = std::min(first + m_Strip, m_Layout.n32) / 4;
    m_Held[0] = m_Held[1] = nullptr;
}

const int16_t* ResampleEngine::SumsOf(const uint8_t* row, const uint8_t* keep)
{
    for (int i = 0; i < 2; ++i)
        if (m_Held[i] == row)
            return m_Sums[i];
    const int i = m_Held[0] == keep ? 1 : 0;
    m_Across(m_Layout, m_Sums[i], row);
    m_Held[i] = row;
    return m_Sums[i];
}

void ResampleEngine::Sums(const uint8_t* top, const uint8_t* bottom, uint32_t fy, const int16_t** t,
                          const int16_t** b)
{
    if (m_Layout.fx != nullptr && fy == 0)  // the lower row weighs nothing: any row will do
        bottom = top;
    *t = SumsOf(top, bottom);
    *b = SumsOf(bottom, top);
}

const uint8_t* ResampleEngine::Row(const uint8_t* top, const uint8_t* bottom, uint32_t fy,
                                   uint8_t* out)
{
    // With out, the whole 64s of the strip's bytes go there directly, the rest by way of the
    // values.
    const ptrdiff_t n = std::min(4 * m_Layout.q1, m_Layout.w * m_Layout.B) - 4 * m_Layout.q0;
    const ptrdiff_t whole = out ? n / 64 * 64 : 0, all = 4 * (m_Layout.q1 - m_Layout.q0);
    if (m_Box != nullptr) {
        const ptrdiff_t q = m_Layout.q0 + whole / 4;
        if (whole > 0)
            m_Box(m_Layout, m_Layout.q0, q, out, top, bottom);
        if (q < m_Layout.q1)
            m_Box(m_Layout, q, m_Layout.q1, m_Values, top, bottom);
    } else {
        const int16_t *t, *b;
        Sums(top, bottom, fy, &t, &b);
        if (whole > 0)
            m_Down(out, t, b, whole, fy);
        m_Down(m_Values, t + whole, b + whole, all - whole, fy);
    }
    if (out == nullptr)
        return m_Values;
    if (whole < n)
        std::memcpy(out + whole, m_Values, size_t(n - whole));
    return out;
}

void ResampleEngine::RowPair(const uint8_t* top, const uint8_t* bottom, uint32_t fy0, uint32_t fy1,
                             uint8_t* out0, uint8_t* out1)
{
    const ptrdiff_t n = std::min(4 * m_Layout.q1, m_Layout.w * m_Layout.B) - 4 * m_Layout.q0;
    const ptrdiff_t whole = n / 64 * 64, all = 4 * (m_Layout.q1 - m_Layout.q0);
    if (m_DownPair == nullptr || whole == 0) {
        Row(top, bottom, fy0, out0);
        Row(top, bottom, fy1, out1);
        return;
    }
    const int16_t *t, *b;
    Sums(top, bottom, fy0 | fy1, &t, &b);  // the lower row, where either row reads it
    m_DownPair(out0, out1, t, b, whole, fy0, fy1);
    if (whole == n)
        return;
    m_Down(m_Values, t + whole, b + whole, all - whole, fy0);
    std::memcpy(out0 + whole, m_Values, size_t(n - whole));
    m_Down(m_Values, t + whole, b + whole, all - whole, fy1);
    std::memcpy(out1 + whole, m_Values, size_t(n - whole));
}
