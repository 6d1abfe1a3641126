#include "converters/ConvertFast.h"

#include <algorithm>

#include "common/CpuLevel.h"
#include "common/RuleRows.h"

#if QVGFX_X86
#include <immintrin.h>
#endif

namespace {

bool Overlap(const uint8_t* a, int64_t na, const uint8_t* b, int64_t nb)
{
    auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
    return x < y + uintptr_t(nb) && y < x + uintptr_t(na);
}

// A block of 16 pixels: SB 16-byte loads give DB 16-byte stores, output vector o being the OR
// over the loads k of load k shuffled by m[o][k], ORed with c[o] (the 255 fills). Every load of a
// block comes before its first store, so in place (d == s, equal layouts) is safe.
struct Gather {
    alignas(16) uint8_t m[4][4][16];
    alignas(16) uint8_t c[4][16];
};

const uint8_t kConst = 0xFE;  // in a byte table: the constant 255 instead of a source byte

// A block of 64 pixels at the AVX-512 level: output vector o is the 128 source bytes from at[o]
// (two loads) permuted by idx[o], ORed with c[o]; a one-byte destination takes its two halves of
// 32 pixels from two such windows. Every window lies inside the block's 64 * SB bytes.
struct Gather512 {
    alignas(64) uint8_t idx[4][64];
    alignas(64) uint8_t c[4][64];
    int at[4] = {};
};

// Whether output vector o of a block may draw on load k: the source bytes of its pixels.
constexpr bool Uses(int SB, int DB, int o, int k)
{
    const int first = (16 * o / DB) * SB, last = ((16 * o + 15) / DB) * SB + SB - 1;
    return k >= first / 16 && k <= last / 16;
}

// Where window o of a 64-pixel block may start at the block's 64-byte source vector k, its bytes
// lying within vectors k and k + 1 whatever the layout, k; else -1. Where every window may (all
// but 3 to 3 bytes), a block loads its SB vectors once and the windows share them.
template <int SB, int DB>
constexpr int AlignedWindow(int o)
{
    const int per = DB == 1 ? 32 : 64;  // destination bytes per window
    const int first = o * per / DB * SB, last = ((o + 1) * per - 1) / DB * SB + SB - 1;
    const int k = std::min(first / 64, SB - 2);
    return last < 64 * (k + 2) ? k : -1;
}
template <int SB, int DB>
constexpr bool kAligned = [] {
    for (int o = 0; o < (DB == 1 ? 2 : DB); ++o)
        if (AlignedWindow<SB, DB>(o) < 0)
            return false;
    return true;
}();

#if QVGFX_X86
// Per destination byte j of a block of 64 pixels: the first source byte of its pixel, and the
// byte of the pixel's layout it takes (j % DB). Fixed at compile time, so that a call's tables
// take a few vector steps: the layout's bytes shuffled into place and added.
template <int SB, int DB>
struct Picks {
    alignas(64) uint8_t pixel[64 * DB];
    alignas(64) uint8_t chan[64 * DB];
};
template <int SB, int DB>
constexpr Picks<SB, DB> kPicks = [] {
    Picks<SB, DB> p{};
    for (int j = 0; j < 64 * DB; ++j)
        p.pixel[j] = uint8_t(j / DB * SB), p.chan[j] = uint8_t(j % DB);
    return p;
}();

// The layout src[0 .. DB - 1] (src[j] names the source byte of destination byte j of a pixel, or
// kConst) in each of the four bytes of a 32-bit value, ready to be broadcast and shuffled.
template <int DB>
int32_t LayoutWord(const uint8_t* src)
{
    uint32_t w = 0;
    for (int j = 0; j < DB; ++j)
        w |= uint32_t(src[j]) << 8 * j;
    return int32_t(w);
}

// The 16-pixel tables: for output vector o and load k, byte b takes byte from - 16k of the load,
// where from, the source byte it reads within the block, lies in that load; else 0x80 (zero).
template <int SB, int DB>
QVGFX_SSSE3 Gather MakeGather(const uint8_t* src)
{
    const __m128i layout = _mm_set1_epi32(LayoutWord<DB>(src)), fill = _mm_set1_epi8(char(kConst));
    const __m128i last = _mm_set1_epi8(15), none = _mm_set1_epi8(char(0x80));
    Gather g;
    for (int o = 0; o < DB; ++o) {
        const auto* chans = reinterpret_cast<const __m128i*>(kPicks<SB, DB>.chan + 16 * o);
        const auto* pixels = reinterpret_cast<const __m128i*>(kPicks<SB, DB>.pixel + 16 * o);
        const __m128i chan = _mm_shuffle_epi8(layout, _mm_load_si128(chans));
        const __m128i constant = _mm_cmpeq_epi8(chan, fill);
        const __m128i from = _mm_add_epi8(_mm_load_si128(pixels), chan);
        _mm_store_si128(reinterpret_cast<__m128i*>(g.c[o]), constant);
        for (int k = 0; k < SB; ++k) {
            const __m128i t = _mm_sub_epi8(from, _mm_set1_epi8(char(16 * k)));
            const __m128i in = _mm_andnot_si128(constant, _mm_cmpeq_epi8(_mm_min_epu8(t, last), t));
            _mm_store_si128(reinterpret_cast<__m128i*>(g.m[o][k]),
                            _mm_or_si128(_mm_and_si128(in, t), _mm_andnot_si128(in, none)));
        }
    }
    return g;
}

// The 64-pixel tables; src as in MakeGather.
template <int SB, int DB>
QVGFX_AVX512 Gather512 MakeGather512(const uint8_t* src)
{
    Gather512 g;
    const __m512i layout = _mm512_set1_epi32(LayoutWord<DB>(src));
    const int windows = DB == 1 ? 2 : DB, per = 64 * DB / windows;  // destination bytes per window
    for (int o = 0; o < windows; ++o) {
        if constexpr (kAligned<SB, DB>) {
            g.at[o] = 64 * AlignedWindow<SB, DB>(o);
        } else {
            // The lowest source byte lies in the window's first two pixels: each pixel reads SB
            // bytes on from the one before, beyond every byte of it.
            int first = 64 * SB;
            for (int j = o * per; j < std::min((o + 1) * per, o * per + 2 * DB); ++j)
                if (src[j % DB] != kConst)
                    first = std::min(first, (j / DB) * SB + src[j % DB]);
            g.at[o] = std::min(first, 64 * SB - 128);
        }
        // A one-byte destination takes half of each window: both from the block's first 64.
        const int chunk = DB == 1 ? 0 : 64 * o;
        const __m512i chan =
            _mm512_shuffle_epi8(layout, _mm512_load_si512(kPicks<SB, DB>.chan + chunk));
        const __m512i from = _mm512_add_epi8(_mm512_load_si512(kPicks<SB, DB>.pixel + chunk), chan);
        _mm512_store_si512(g.idx[o], _mm512_sub_epi8(from, _mm512_set1_epi8(char(g.at[o]))));
        _mm512_store_si512(
            g.c[o], _mm512_movm_epi8(_mm512_cmpeq_epi8_mask(chan, _mm512_set1_epi8(char(kConst)))));
    }
    return g;
}

template <int SB, int DB>
__attribute__((target("ssse3"))) int64_t GatherSsse3(const Gather& g, uint8_t* d, const uint8_t* s,
                                                     int64_t n)
{
    __m128i m[DB][SB], c[DB];
    for (int o = 0; o < DB; ++o) {
        c[o] = _mm_load_si128(reinterpret_cast<const __m128i*>(g.c[o]));
        for (int k = 0; k < SB; ++k)
            m[o][k] = _mm_load_si128(reinterpret_cast<const __m128i*>(g.m[o][k]));
    }
    const int64_t blocks = n / 16;
    for (int64_t b = 0; b < blocks; ++b, s += 16 * SB, d += 16 * DB) {
        __m128i in[SB], out[DB];
        for (int k = 0; k < SB; ++k)
            in[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * k));
#pragma GCC unroll 4
        for (int o = 0; o < DB; ++o) {
            out[o] = c[o];
#pragma GCC unroll 4
            for (int k = 0; k < SB; ++k)
                if (Uses(SB, DB, o, k))
                    out[o] = _mm_or_si128(out[o], _mm_shuffle_epi8(in[k], m[o][k]));
        }
        for (int o = 0; o < DB; ++o)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16 * o), out[o]);
    }
    return blocks * 16;
}

// 32 pixels per step where the layouts let 256-bit loads and stores run straight.
template <int SB, int DB>
__attribute__((target("avx2"))) int64_t GatherAvx2(const Gather& g, uint8_t* d, const uint8_t* s,
                                                   int64_t n)
{
    const int64_t pairs = n / 32;
    if constexpr (SB == 4 && DB == 4) {
        // Whole pixels fill each lane, and every 16 bytes use the same shuffle: plain wide loads.
        const __m256i m = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(g.m[0][0])));
        for (int64_t b = 0; b < pairs; ++b, s += 128, d += 128) {
            __m256i v[4];
            for (int k = 0; k < 4; ++k)
                v[k] = _mm256_shuffle_epi8(
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 32 * k)), m);
            for (int k = 0; k < 4; ++k)
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 32 * k), v[k]);
        }
        return pairs * 32 + GatherSsse3<SB, DB>(g, d, s, n - pairs * 32);
    }
    if constexpr (SB == 4 && DB == 1) {
        // Each 32-byte load gives four bytes per lane into its own dword slot; one permute then
        // puts the 32 bytes in pixel order.
        const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
        __m256i slot[4];
        for (int k = 0; k < 4; ++k)
            slot[k] = _mm256_broadcastsi128_si256(
                _mm_load_si128(reinterpret_cast<const __m128i*>(g.m[0][k])));
        for (int64_t b = 0; b < pairs; ++b, s += 128, d += 32) {
            __m256i v = _mm256_setzero_si256();
            for (int k = 0; k < 4; ++k)
                v = _mm256_or_si256(
                    v,
                    _mm256_shuffle_epi8(
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 32 * k)), slot[k]));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d),
                                _mm256_permutevar8x32_epi32(v, order));
        }
        return pairs * 32 + GatherSsse3<SB, DB>(g, d, s, n - pairs * 32);
    }
    if constexpr (SB == 4 && DB == 3) {
        // Eight pixels per load, packed to 24 bytes; each 32-byte store's last 8 bytes are
        // rewritten by the next one, so the loop stops while a whole store still fits.
        const __m256i order = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
        const __m256i pack = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(g.m[0][0])));
        int64_t i = 0;
        for (; i + 8 * 4 + 3 <= n; i += 32, s += 128, d += 96)
            for (int k = 0; k < 4; ++k) {
                __m256i v = _mm256_shuffle_epi8(
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 32 * k)), pack);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 24 * k),
                                    _mm256_permutevar8x32_epi32(v, order));
            }
        return i + GatherSsse3<SB, DB>(g, d, s, n - i);
    }
    // Other layouts take the 16-byte blocks: two blocks per register would need a lane insert
    // per load and a lane extract per store, all on the one shuffle port, which makes them slower
    // than the 16-byte loop (3 to 4 and 3 to 3 bytes: about 0.6 of its speed).
    return GatherSsse3<SB, DB>(g, d, s, n);
}

// The 64 bytes from s on, in halves where Halves (LoadsInHalves): the insert takes the unit the
// permutes take, which bytes from beyond the second-level cache leave time for; bytes within it
// ran slower so.
template <bool Halves>
QVGFX_AVX512 inline __m512i Load512(const uint8_t* s)
{
    return Halves ? LoadInHalves(s) : Load(__m512i{}, s);
}

// Stores x at d, 64-byte aligned where Stream, bypassing the caches (calls that stream, in whole
// aligned vectors).
template <bool Stream>
QVGFX_AVX512 inline void Put512(uint8_t* d, __m512i x)
{
    if constexpr (Stream)
        _mm512_stream_si512(reinterpret_cast<__m512i*>(d), x);
    else
        _mm512_storeu_si512(d, x);
}

// One block of 64 pixels, of which the first `bytes` destination bytes are stored; every window
// is loaded before the block's first store (in place).
template <int SB, int DB, bool Halves, bool Stream = false>
QVGFX_AVX512 inline void Block512(const Gather512& g, const __m512i* idx, const __m512i* c,
                                  uint8_t* d, const uint8_t* s, int bytes)
{
    constexpr int W = DB == 1 ? 2 : DB;
    __m512i lo[W], hi[W], out[DB];
    if constexpr (kAligned<SB, DB>) {
        __m512i in[SB];
        for (int k = 0; k < SB; ++k)
            in[k] = Load512<Halves>(s + 64 * k);
        for (int o = 0; o < W; ++o)
            lo[o] = in[AlignedWindow<SB, DB>(o)], hi[o] = in[AlignedWindow<SB, DB>(o) + 1];
    } else {
        for (int o = 0; o < W; ++o)
            lo[o] = Load512<Halves>(s + g.at[o]), hi[o] = Load512<Halves>(s + g.at[o] + 64);
    }
    if constexpr (DB == 1) {
        out[0] = _mm512_mask_blend_epi8(0xFFFFFFFF00000000ull,
                                        _mm512_permutex2var_epi8(lo[0], idx[0], hi[0]),
                                        _mm512_permutex2var_epi8(lo[1], idx[1], hi[1]));
    } else {
        for (int o = 0; o < W; ++o) {
            out[o] = _mm512_permutex2var_epi8(lo[o], idx[o], hi[o]);
            if constexpr (SB == 3 && DB == 4)  // the 255 fills
                out[o] = _mm512_or_si512(out[o], c[o]);
        }
    }
    for (int o = 0; o < DB && 64 * o < bytes; ++o) {
        if (bytes >= 64 * (o + 1))
            Put512<Stream>(d + 64 * o, out[o]);
        else
            _mm512_mask_storeu_epi8(d + 64 * o, (1ull << (bytes - 64 * o)) - 1, out[o]);
    }
}

// Pixels before the destination reaches a 64-byte boundary (none if it never does): with whole
// aligned vectors no store is split across two cache lines.
inline int64_t ToBoundary(const uint8_t* d, int DB)
{
    for (int64_t k = 0; k < 64; ++k)
        if ((reinterpret_cast<uintptr_t>(d) + uintptr_t(k * DB)) % 64 == 0)
            return k;
    return 0;
}

// Whether the vectors from d on are stored streaming: n pixels of SB source and DB destination
// bytes that stream (StreamsPastCaches), apart from the source, d on a 64-byte boundary.
inline bool Streams(const uint8_t* d, const uint8_t* s, int64_t n, int SB, int DB)
{
    return StreamsPastCaches(uint64_t(n * DB), uint64_t(n * SB)) && d != s &&
           reinterpret_cast<uintptr_t>(d) % 64 == 0;
}

// 64 pixels per block, the first block stored only up to the boundary; streaming where Streams
// (and the streaming stores ordered before the return).
template <int SB, int DB, bool Halves>
QVGFX_AVX512 int64_t GatherAvx512(const Gather512& g, uint8_t* d, const uint8_t* s, int64_t n)
{
    constexpr int W = DB == 1 ? 2 : DB;
    __m512i idx[W], c[W];
    for (int o = 0; o < W; ++o) {
        idx[o] = _mm512_load_si512(g.idx[o]);
        c[o] = _mm512_load_si512(g.c[o]);
    }
    int64_t i = ToBoundary(d, DB);
    if (i > 0 && i + 64 <= n)
        Block512<SB, DB, Halves>(g, idx, c, d, s, int(i * DB));
    else
        i = 0;
    if (Streams(d + i * DB, s, n, SB, DB)) {
        for (; i + 64 <= n; i += 64)
            Block512<SB, DB, Halves, true>(g, idx, c, d + i * DB, s + i * SB, 64 * DB);
        _mm_sfence();
    }
    for (; i + 64 <= n; i += 64)
        Block512<SB, DB, Halves>(g, idx, c, d + i * DB, s + i * SB, 64 * DB);
    return i;
}

// The whole 32-pixel steps from pixel i on, returning where they end.
template <bool Halves, bool Stream>
QVGFX_AVX512 int64_t ShuffleRun512(__m512i m, uint8_t* d, const uint8_t* s, int64_t i, int64_t n)
{
    for (; i + 32 <= n; i += 32) {
        const __m512i x = _mm512_shuffle_epi8(Load512<Halves>(s + 4 * i), m);
        const __m512i y = _mm512_shuffle_epi8(Load512<Halves>(s + 4 * i + 64), m);
        Put512<Stream>(d + 4 * i, x);
        Put512<Stream>(d + 4 * i + 64, y);
    }
    return i;
}

// 4 to 4 bytes keeps each pixel in place: one in-lane byte shuffle per 16 pixels.
template <bool Halves>
QVGFX_AVX512 int64_t ShuffleAvx512(const Gather& g, uint8_t* d, const uint8_t* s, int64_t n)
{
    const __m512i m = _mm512_maskz_broadcast_i32x4(
        0xFFFF, _mm_load_si128(reinterpret_cast<const __m128i*>(g.m[0][0])));
    int64_t i = ToBoundary(d, 4);
    if (i > 0 && i + 16 <= n)
        _mm512_mask_storeu_epi8(d, (1ull << (4 * i)) - 1,
                                _mm512_shuffle_epi8(_mm512_loadu_si512(s), m));
    else
        i = 0;
    if (!Streams(d + 4 * i, s, n, 4, 4))
        return ShuffleRun512<Halves, false>(m, d, s, i, n);
    i = ShuffleRun512<Halves, true>(m, d, s, i, n);
    _mm_sfence();
    return i;
}

// The widest blocks first, then narrower ones; tables only for the levels that run.
template <int SB, int DB>
int64_t GatherAt(const uint8_t* src, uint8_t* d, const uint8_t* s, int64_t n)
{
    int64_t i = 0;
    const bool wide = CpuAtLeast(CpuLevel::Avx512);
    const bool halves = LoadsInHalves(uint64_t(n) * (SB + DB));
    if (wide && !(SB == 4 && DB == 4) && n >= 64)
        i = (halves ? GatherAvx512<SB, DB, true>
                    : GatherAvx512<SB, DB, false>)(MakeGather512<SB, DB>(src), d, s, n);
    if (n - i < 16)
        return i;
    const Gather g = MakeGather<SB, DB>(src);
    if (wide && SB == 4 && DB == 4)
        i = (halves ? ShuffleAvx512<true> : ShuffleAvx512<false>)(g, d, s, n);
    if (n - i < 16)  // the narrower loops would only set up their tables
        return i;
    d += i * DB, s += i * SB;
    if (CpuAtLeast(CpuLevel::Avx2))
        return i + GatherAvx2<SB, DB>(g, d, s, n - i);
    return i + GatherSsse3<SB, DB>(g, d, s, n - i);
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

int64_t RunGather(int SB, int DB, const uint8_t* src, uint8_t* d, const uint8_t* s, int64_t n)
{
#if QVGFX_X86
    switch (SB * 8 + DB) {
    case 4 * 8 + 3: return GatherAt<4, 3>(src, d, s, n);
    case 4 * 8 + 1: return GatherAt<4, 1>(src, d, s, n);
    case 3 * 8 + 1: return GatherAt<3, 1>(src, d, s, n);
    case 4 * 8 + 4: return GatherAt<4, 4>(src, d, s, n);
    case 3 * 8 + 3: return GatherAt<3, 3>(src, d, s, n);
    case 3 * 8 + 4: return GatherAt<3, 4>(src, d, s, n);
    }
#endif
    (void)SB, (void)DB, (void)src, (void)d, (void)s, (void)n;
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
    return int32_t(RunGather(SB, DB, p, d, s, n));
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
    return int32_t(RunGather(3, 4, src, d, s, n));
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
