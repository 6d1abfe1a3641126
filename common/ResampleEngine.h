// The box and bilinear rows of TransformBlit, planned once per call and run row by row. Each
// value is the per-pixel formula's exact integer sum, taken in two passes:
// - across: a source row is resampled along the row into one 16-bit sum per destination byte,
//   p0 * (255 - fx) + p1 * fx less 128 * 255 (bilinear; the offset keeps it a signed 16-bit
//   number) or p0 + p1 (box);
// - down: a destination row combines the sums of its two source rows,
//   (top * (255 - fy) + bottom * fy) >> 16 or (top + bottom) >> 2.
// The engine keeps the sums of the last two source rows it resampled, so destination rows that
// read the same source rows (every enlargement) resample each source row once. With SSSE3 the
// across pass takes each four destination bytes from one 16-byte window of the source row by a
// byte shuffle planned per call, and the box path does both passes at once (byte pairs of both
// rows summed by multiply-adds with ones; straight loads where each pixel reads the two after the
// previous one's); where a window cannot hold them (reductions beyond about 3x) the across pass
// goes byte by byte, and rows that read fewer than 16 source bytes are left to the plain loops. At
// the AVX-512 level, where every 64 destination bytes of a bilinear row read within 64 source bytes
// (enlargements beyond about 1.05x, and rows that read fewer than 64 source bytes), each 64 take
// their byte pairs from one 64-byte window by byte permutes, as do 1/2 box rows of 3-byte pixels
// (ten pixels per window, see HalvesOf3). The kernels are chosen once, when planning.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "common/RuleRows.h"

class ResampleEngine {
public:
    // Bytes the plan of rows of n destination bytes needs from its caller's block; 0 below SSE2,
    // where there is no engine.
    static uint64_t PlanBytes(uint64_t n);

    // Plans rows of w pixels of B bytes whose source pixels lie columns[i] bytes into a source row
    // (non-decreasing), the right neighbour right bytes further on; fx and fx1 are the bilinear
    // weights (null on the box path). block holds PlanBytes(w * B) bytes; columns, fx and fx1
    // stay in place while the engine runs. False, nothing planned, below SSE2, without a block, or
    // for rows that read fewer than 16 source bytes (the plain loops draw those faster).
    bool Plan(uint8_t* block, int B, const int32_t* columns, const uint8_t* fx, const uint8_t* fx1,
              ptrdiff_t w, ptrdiff_t right);

    // Rows go in strips of StripBytes() destination bytes (a whole number of pixels, the last
    // strip shorter; bilinear only, box rows are one strip), so that what a strip's rows read
    // stays in the first-level cache; Strip starts the one that begins first bytes into each row.
    ptrdiff_t StripBytes() const { return m_Strip; }
    void Strip(ptrdiff_t first);

    // The strip's values of one destination row whose source rows start at top and bottom; fy is
    // the weight of bottom (bilinear only). With out, they are written there, exactly the strip's
    // bytes and no more (for rows that copy); else they are in the engine's own buffer.
    const uint8_t* Row(const uint8_t* top, const uint8_t* bottom, uint32_t fy,
                       uint8_t* out = nullptr);

    // The strip's sums of the two source rows of a bilinear destination row, as Row combines them
    // (in the order LaneSums tells).
    void Sums(const uint8_t* top, const uint8_t* bottom, uint32_t fy, const int16_t** t,
              const int16_t** b);

    // h box rows whose source rows start at rows[j] and rows[j] + down, their values combined by
    // the rule with the destination rows pitch bytes apart from out (KeepValues: written as they
    // are), in one call at the AVX2 and AVX-512 levels, each vector of values from registers into
    // the rule; false, nothing written, elsewhere (below AVX2, bilinear, byte by byte). The
    // destination lies clear of the source.
    template <class Rule>
    bool BoxRows(const uint8_t* const* rows, ptrdiff_t down, ptrdiff_t h, uint8_t* out,
                 ptrdiff_t pitch, const Rule& rule);

    // Row with out for two destination rows that read the same source rows (bilinear), weights fy0
    // and fy1, written at out0 and out1: from the AVX2 level on the sums are loaded once for both.
    void RowPair(const uint8_t* top, const uint8_t* bottom, uint32_t fy0, uint32_t fy1,
                 uint8_t* out0, uint8_t* out1);

    // Whether the sums of each 64 destination bytes are in BilinearDown::kSlotOf order (the
    // AVX-512 across pass), else in the order of the bytes.
    bool LaneSums() const { return m_Lanes; }

    // The bytes a source row is read at: Span() bytes from First() on.
    ptrdiff_t First() const { return m_Layout.first; }
    ptrdiff_t Span() const { return m_Layout.end - m_Layout.first; }

    // What the kernels read: the tables for the byte-by-byte pass and, per four destination bytes,
    // a window offset and a byte shuffle that gives their byte pairs (in the upper half for odd
    // fours), stored four fours at a time in the order the 256-bit pass joins them (first, third,
    // second, fourth), and their four weight pairs as bytes, in the order of the fours; in the
    // AVX-512 bilinear plan, per 64 destination bytes one window and the byte permutes' indices
    // and weight pairs in the same room (PlanWide).
    struct Layout {
        int B;
        ptrdiff_t w, right, first, end, n32;  // n32: destination bytes rounded up to 64
        const int32_t* columns;
        const uint8_t* fx;
        const uint8_t* fx1;
        int32_t bias;  // taken off each sum: BilinearDown::kBias bilinear, 0 box
        const int32_t* windows;
        const uint8_t* shuffles;
        const uint8_t* weights;
        const int32_t* regular;   // per 32 bytes of the box path, see PlanRegular
        const int32_t* runs;      // per 32 bytes of the box path, see PlanRegular
        const int32_t* permuted;  // per 32 bytes of the box path, see PlanPermuted
        const int32_t* wide;      // per 32 bytes of the box path, see PlanPermuted
        ptrdiff_t q0, q1;         // the strip's fours of destination bytes
        int32_t head;             // where a 1/2 box row's head starts, or -1, see PlanRegular
        int32_t halves3;          // a whole 1/2 row of 3-byte pixels: 3 with the head, 6 without
    };

private:
    using Across = void (*)(const Layout&, int16_t*, const uint8_t*);
    using Down = void (*)(uint8_t*, const int16_t*, const int16_t*, ptrdiff_t, uint32_t);
    using DownPair = void (*)(uint8_t*, uint8_t*, const int16_t*, const int16_t*, ptrdiff_t,
                              uint32_t, uint32_t);
    using Box = void (*)(const Layout&, ptrdiff_t, ptrdiff_t, uint8_t*, const uint8_t*,
                         const uint8_t*);

    const int16_t* SumsOf(const uint8_t* row, const uint8_t* keep);

    Layout m_Layout{};
    Across m_Across = nullptr;
    Down m_Down = nullptr;
    DownPair m_DownPair = nullptr;
    Box m_Box = nullptr;  // SSSE3 box rows, both passes at once (from AVX2 on, BoxRows)
    int16_t* m_Sums[2] = {nullptr, nullptr};
    const uint8_t* m_Held[2] = {nullptr, nullptr};  // the source row whose sums each holds
    uint8_t* m_Values = nullptr;
    ptrdiff_t m_Strip = 0;
    bool m_Lanes = false;
};

// The rule of rows whose values are the bytes: the engine's own rows, and rows that copy.
struct KeepValues {
    uint8_t operator()(uint32_t, uint32_t v) const { return uint8_t(v); }
#if QVGFX_X86
    QVGFX_AVX2 __m256i operator()(__m256i, __m256i v) const { return v; }
    QVGFX_AVX512 __m512i operator()(__m512i, __m512i v) const { return v; }
#endif
};

// KeepValues for a destination too large for the caches near the core: the AVX-512 box kernel's
// 64-byte vectors that start on a line go straight to memory past the caches (streaming stores),
// so that no line of the destination is read in only to be written over; the rest, and the
// masked 60s of 3-byte 1/2 rows (HalvesOf3), as KeepValues. (At 32 bytes a store, between the
// kernel's many loads, the lines were often written half at a time: the AVX2 kernel's copies ran at
// 0.6 to 0.75 of their speed through the caches.) BoxRows orders the streaming stores before it
// returns.
struct StreamValues : KeepValues {};

// KeepValues for a call whose bytes come from beyond the second-level cache (LoadsInHalves): the
// AVX-512 box kernel loads the source of 1-byte rows in 32-byte halves (RegularPairSumsOfHalves).
struct FarValues : KeepValues {};

#if QVGFX_X86
// A rule with 32- and 64-byte forms, which the bilinear down pass applies to its values in
// registers.
template <class Rule>
concept WideRule = requires(const Rule& r, __m256i x, __m256i& y, __m512i x2, __m512i& y2)
{
    y = r(x, x);
    y2 = r(x2, x2);
};

// The down pass of bilinear rows on eight (sixteen, thirty-two) biased sums of each row, w =
// (255 - fy) | fy << 16 in each 32-bit lane: (top * (255 - fy) + bottom * fy) >> 16 in 16-bit
// lanes, in the lane order of the pairs. Each multiply-add pairs a top sum with its bottom one,
// and the lift puts back what the bias took off each sum. The bias is 128 times the weights'
// sum: the AVX-512 across pass weighs each byte less 128 (a signed byte) by one byte multiply-add.
struct BilinearDown {
    static constexpr int32_t kBias = 128 * 255;
    static constexpr int32_t kLift = kBias * 255;
    static constexpr int32_t kRestStart = 255 * 65536 + 65535 - kLift;  // see Rest
    int32_t w;
    QVGFX_SSE2 __m128i Lifted(__m128i x) const
    {
        return _mm_srli_epi32(_mm_add_epi32(x, _mm_set1_epi32(kLift)), 16);
    }
    QVGFX_AVX2 __m256i Lifted(__m256i x) const
    {
        return _mm256_srli_epi32(_mm256_add_epi32(x, _mm256_set1_epi32(kLift)), 16);
    }
    // (The masked form: GCC 12's unmasked one warns of its own undefined operand.)
    QVGFX_AVX512 __m512i Lifted(__m512i x) const
    {
        return _mm512_maskz_srli_epi32(__mmask16(-1), _mm512_add_epi32(x, _mm512_set1_epi32(kLift)),
                                       16);
    }
    QVGFX_SSE2 __m128i operator()(__m128i t, __m128i b) const
    {
        const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(t, b), _mm_set1_epi32(w));
        return _mm_packs_epi32(Lifted(lo),
                               Lifted(_mm_madd_epi16(_mm_unpackhi_epi16(t, b), _mm_set1_epi32(w))));
    }
    QVGFX_AVX2 __m256i operator()(__m256i t, __m256i b) const
    {
        const __m256i lo = _mm256_madd_epi16(_mm256_unpacklo_epi16(t, b), _mm256_set1_epi32(w));
        return _mm256_packs_epi32(Lifted(lo), Lifted(_mm256_madd_epi16(_mm256_unpackhi_epi16(t, b),
                                                                       _mm256_set1_epi32(w))));
    }
    QVGFX_AVX512 __m512i operator()(__m512i t, __m512i b) const
    {
        const __m512i lo = _mm512_madd_epi16(_mm512_unpacklo_epi16(t, b), _mm512_set1_epi32(w));
        return _mm512_packs_epi32(Lifted(lo), Lifted(_mm512_madd_epi16(_mm512_unpackhi_epi16(t, b),
                                                                       _mm512_set1_epi32(w))));
    }

    // The values of 32 (64) destination bytes in order from the sums of each row's bytes, t0 and
    // b0 the first half, t1 and b1 the second.
    QVGFX_AVX2 __m256i Bytes(__m256i t0, __m256i b0, __m256i t1, __m256i b1) const
    {
        return InOrder(_mm256_packus_epi16((*this)(t0, b0), (*this)(t1, b1)));
    }
    // Each value is byte 2 of its lifted 32-bit sum (below 2^24; the lift goes in as the start of
    // the multiply-adds), so one two-source byte permute per half gathers them, in place of shifts
    // and packs.
    QVGFX_AVX512 __m512i Bytes(__m512i t0, __m512i b0, __m512i t1, __m512i b1) const
    {
        const __m512i m = _mm512_set1_epi32(w), lift = _mm512_set1_epi32(kLift);
        const __m512i order = _mm512_loadu_si512(kValueBytes.data());
        const __m512i a = _mm512_dpwssd_epi32(lift, _mm512_unpacklo_epi16(t0, b0), m),
                      b = _mm512_dpwssd_epi32(lift, _mm512_unpackhi_epi16(t0, b0), m),
                      c = _mm512_dpwssd_epi32(lift, _mm512_unpacklo_epi16(t1, b1), m),
                      d = _mm512_dpwssd_epi32(lift, _mm512_unpackhi_epi16(t1, b1), m);
        return _mm512_mask_blend_epi8(__mmask64(0xFFFFFFFF00000000),
                                      _mm512_permutex2var_epi8(a, order, b),
                                      _mm512_permutex2var_epi8(c, order, d));
    }

    // Where the lifted sums keep value v of each 32 (the byte gathered for destination byte v and
    // v + 32): the low pairs give values 8k to 8k + 3 of each 128 bits k, the high pairs (the
    // second source of the permute) 8k + 4 to 8k + 7.
    static constexpr std::array<uint8_t, 64> kValueBytes = [] {
        std::array<uint8_t, 64> a{};
        for (int v = 0; v < 64; ++v) {
            const int k = v % 32 / 8, r = v % 8;
            a[size_t(v)] = uint8_t((r < 4 ? 0 : 64) + 4 * (4 * k + r % 4) + 2);
        }
        return a;
    }();

    // The values of 32 destination bytes in 16-bit lanes in LaneOrder, from sums in the order of
    // the bytes: the 128-bit halves of the two vectors of sums are exchanged first (bytes 0-7 with
    // 16-23, 8-15 with 24-31), then each vector's multiply-adds shifted and packed. For rules that
    // take such values, where it saves their unpacking and two packs and a permute of the bytes.
    QVGFX_AVX2 void Words(__m256i t0, __m256i b0, __m256i t1, __m256i b1, __m256i& lo,
                          __m256i& hi) const
    {
        Exchanged(t0, b0, t1, b1, _mm256_set1_epi32(w), _mm256_set1_epi32(kLift), lo, hi);
    }
    // The same for 255 less each value (see the 64-byte Rest).
    QVGFX_AVX2 void Rest(__m256i t0, __m256i b0, __m256i t1, __m256i b1, __m256i& lo,
                         __m256i& hi) const
    {
        const __m256i m = _mm256_sub_epi16(_mm256_setzero_si256(), _mm256_set1_epi32(w));
        Exchanged(t0, b0, t1, b1, m, _mm256_set1_epi32(kRestStart), lo, hi);
    }
    QVGFX_AVX2 static void Exchanged(__m256i t0, __m256i b0, __m256i t1, __m256i b1, __m256i m,
                                     __m256i start, __m256i& lo, __m256i& hi)
    {
        lo = Joined(_mm256_permute2x128_si256(t0, t1, 0x20),
                    _mm256_permute2x128_si256(b0, b1, 0x20), m, start);
        hi = Joined(_mm256_permute2x128_si256(t0, t1, 0x31),
                    _mm256_permute2x128_si256(b0, b1, 0x31), m, start);
    }
    QVGFX_AVX2 static __m256i Joined(__m256i t, __m256i b, __m256i m, __m256i start)
    {
        const __m256i x = _mm256_madd_epi16(_mm256_unpacklo_epi16(t, b), m),
                      y = _mm256_madd_epi16(_mm256_unpackhi_epi16(t, b), m);
        return _mm256_packs_epi32(_mm256_srli_epi32(_mm256_add_epi32(x, start), 16),
                                  _mm256_srli_epi32(_mm256_add_epi32(y, start), 16));
    }

    // The values of 64 destination bytes in 16-bit lanes in LaneOrder (bytes 0-7 of each 16 in
    // lo, 8-15 in hi), from sums the across pass stored in the order kSlotOf gives. Each value is
    // the high half of its lifted 32-bit sum: the low pairs' sums are shifted down into the low
    // halves, the high pairs' stay where they are, and one blend joins them. So the rule takes
    // the values without a pack, a permute and two unpacks between.
    QVGFX_AVX512 void Words(__m512i t0, __m512i b0, __m512i t1, __m512i b1, __m512i& lo,
                            __m512i& hi) const
    {
        const __m512i m = _mm512_set1_epi32(w), lift = _mm512_set1_epi32(kLift);
        lo = Joined(t0, b0, m, lift), hi = Joined(t1, b1, m, lift);
    }
    // The same for 255 less each value, at no cost: 255 - (s >> 16) = (255 * 65536 + 65535 - s)
    // >> 16 for a lifted sum s, so the multiply-adds take the weights negated and start from
    // kRestStart.
    QVGFX_AVX512 void Rest(__m512i t0, __m512i b0, __m512i t1, __m512i b1, __m512i& lo,
                           __m512i& hi) const
    {
        const __m512i m = _mm512_sub_epi16(_mm512_setzero_si512(), _mm512_set1_epi32(w));
        const __m512i start = _mm512_set1_epi32(kRestStart);
        lo = Joined(t0, b0, m, start), hi = Joined(t1, b1, m, start);
    }
    QVGFX_AVX512 static __m512i Joined(__m512i t, __m512i b, __m512i m, __m512i start)
    {
        const __m512i x = _mm512_dpwssd_epi32(start, _mm512_unpacklo_epi16(t, b), m),
                      y = _mm512_dpwssd_epi32(start, _mm512_unpackhi_epi16(t, b), m);
        return _mm512_mask_blend_epi16(__mmask32(0xAAAAAAAA),
                                       _mm512_maskz_srli_epi32(__mmask16(-1), x, 16), y);
    }

    // Where Words wants the sum of destination byte u of each 64: in the first 32 sums for bytes
    // 0-7 of each 16, the second 32 for bytes 8-15; within them the even bytes in the low four
    // sums of each eight (the low pairs of the unpacks), the odd ones in the high four.
    static constexpr std::array<uint8_t, 64> kSlotOf = [] {
        std::array<uint8_t, 64> a{};
        for (int u = 0; u < 64; ++u) {
            const int k = u / 16, half = u % 16 / 8, r = u % 8;
            a[size_t(u)] = uint8_t(32 * half + 8 * k + 4 * (r % 2) + r / 2);
        }
        return a;
    }();
};

// A vector of destination bytes d through the rule with the values of the sums: from sums in
// kSlotOf order (Lanes, 512 bits only) as 16-bit lanes (255 less each value where the rule has a
// form on those), else in order as bytes.
// clang-format off
#define QVGFX_THROUGH_WORDS(T, V)                                                                  \
    template <class Rule>                                                                          \
    T inline V ThroughWords(const Rule& rule, V d, const BilinearDown& op, V t0, V b0, V t1, V b1) \
    {                                                                                              \
        V lo, hi;                                                                                  \
        if constexpr (requires { rule.Rest(LaneOrder{}, d, d, d); }) {                             \
            op.Rest(t0, b0, t1, b1, lo, hi);                                                       \
            return rule.Rest(LaneOrder{}, d, lo, hi);                                              \
        }                                                                                          \
        op.Words(t0, b0, t1, b1, lo, hi);                                                          \
        return RuleOnWords<LaneOrder>(rule, d, lo, hi);                                            \
    }
QVGFX_THROUGH_WORDS(QVGFX_AVX2, __m256i)
QVGFX_THROUGH_WORDS(QVGFX_AVX512, __m512i)
#undef QVGFX_THROUGH_WORDS
// clang-format on

// At 256 bits the sums are in the order of the bytes; rules with a form on 16-bit values take
// them in LaneOrder, the others as bytes.
template <bool Lanes, class Rule>
QVGFX_AVX2 inline __m256i Through(const Rule& rule, __m256i d, const BilinearDown& op, __m256i t0,
                                  __m256i b0, __m256i t1, __m256i b1)
{
    static_assert(!Lanes, "lane-ordered sums are read 64 at a time");
    if constexpr (requires { rule.Words(LaneOrder{}, d, d, d); })
        return ThroughWords(rule, d, op, t0, b0, t1, b1);
    else
        return rule(d, op.Bytes(t0, b0, t1, b1));
}
template <bool Lanes, class Rule>
QVGFX_AVX512 inline __m512i Through(const Rule& rule, __m512i d, const BilinearDown& op, __m512i t0,
                                    __m512i b0, __m512i t1, __m512i b1)
{
    if constexpr (Lanes)
        return ThroughWords(rule, d, op, t0, b0, t1, b1);
    else
        return rule(d, op.Bytes(t0, b0, t1, b1));
}

// clang-format off
// The down pass of a bilinear row and the rule at once, n a whole number of vectors: each
// vector of values goes from registers into the rule with the destination bytes (which lie clear
// of the source), with no row of values between; Lanes: the sums are in kSlotOf order. With
// Pair, a second destination row d1 of the same sums, weight fy1, in the same pass (the sums
// loaded and paired once for both). With ahead, the destination bytes that far on (the next rows
// the pass will take) are asked for ahead of their turn: the rule reads each destination byte,
// and rows of a large surface come from beyond the second-level cache.
#define QVGFX_DOWN_WITH_RULE(Name, T, V, width)                                                 \
    template <bool Pair, bool Lanes, class Rule>                                                   \
    T void Name(uint8_t* d, uint8_t* d1, const int16_t* t, const int16_t* b, ptrdiff_t n,          \
                uint32_t fy, uint32_t fy1, const Rule& r, ptrdiff_t ahead = 0)                     \
    {                                                                                              \
        const Rule rule = r; /* a copy the stores cannot alias */                                  \
        const BilinearDown op{int32_t((255 - fy) | fy << 16)};                                     \
        const BilinearDown op1{int32_t((255 - fy1) | fy1 << 16)};                                  \
        const uint8_t* tb = reinterpret_cast<const uint8_t*>(t);                                   \
        const uint8_t* bb = reinterpret_cast<const uint8_t*>(b);                                   \
        for (ptrdiff_t i = 0; i < n; i += width) {                                                 \
            if (ahead != 0 && i % 64 == 0) {                                                       \
                _mm_prefetch(reinterpret_cast<const char*>(d + ahead + i), _MM_HINT_T0);           \
                if constexpr (Pair)                                                                \
                    _mm_prefetch(reinterpret_cast<const char*>(d1 + ahead + i), _MM_HINT_T0);      \
            }                                                                                      \
            const V t0 = Load(V{}, tb + 2 * i), b0 = Load(V{}, bb + 2 * i),                        \
                    t1 = Load(V{}, tb + 2 * i + width), b1 = Load(V{}, bb + 2 * i + width);        \
            Store(d + i, Through<Lanes>(rule, Load(V{}, d + i), op, t0, b0, t1, b1));              \
            if constexpr (Pair)                                                                    \
                Store(d1 + i, Through<Lanes>(rule, Load(V{}, d1 + i), op1, t0, b0, t1, b1));       \
        }                                                                                          \
    }
QVGFX_DOWN_WITH_RULE(DownWithRule256, QVGFX_AVX2, __m256i, 32)
QVGFX_DOWN_WITH_RULE(DownWithRule512, QVGFX_AVX512, __m512i, 64)
#undef QVGFX_DOWN_WITH_RULE
// clang-format on

// Box rows in one pass at the AVX2 and AVX-512 levels, one body for the engine's own rows and for
// rows with a rule: each vector of values goes from registers into the rule with the destination
// bytes it stands for (KeepValues: the values themselves), a row's last m < 32 bytes by way of a
// buffer and the plain row. Thirty-two bytes per step: the shuffles of two windows fill the low
// and high halves of a register with byte pairs, one multiply-add with ones sums each pair; the
// two rows' pair sums added and shifted give the mean of four.

// Two windows per register, first and third four bytes in the low halves, second and fourth in
// the high ones.
QVGFX_AVX2 __attribute__((always_inline)) inline __m256i
WindowPairs(const ResampleEngine::Layout& p, ptrdiff_t slot, const uint8_t* row)
{
    const __m256i win =
        _mm256_inserti128_si256(_mm256_castsi128_si256(Load(__m128i{}, row + p.windows[slot])),
                                Load(__m128i{}, row + p.windows[slot + 1]), 1);
    return _mm256_shuffle_epi8(win, Load(__m256i{}, p.shuffles + 16 * slot));
}

// The byte pairs of sixteen destination bytes, in order, from the four at slot on.
QVGFX_AVX2 __attribute__((always_inline)) inline __m256i
BytePairsAvx2(const ResampleEngine::Layout& p, ptrdiff_t slot, const uint8_t* row)
{
    return _mm256_or_si256(WindowPairs(p, slot, row), WindowPairs(p, slot + 2, row));
}

QVGFX_AVX2 __attribute__((always_inline)) inline __m256i
PairSumsAvx2(const ResampleEngine::Layout& p, ptrdiff_t slot, const uint8_t* row)
{
    return _mm256_maddubs_epi16(BytePairsAvx2(p, slot, row), _mm256_set1_epi8(1));
}

// Asks for the 128 bytes from at on, of the row ahead and of the one down bytes below it, to be
// brought into the first-level cache (none without a row ahead). The box kernels ask for what the
// destination row two on reads where a source row's bytes are short (at most kNear): the
// processor does not fetch the next rows ahead by itself, and where the 64-byte loads straddle two
// lines (every load of a 1/2 row but the first) each wait costs twice. Longer rows it fetches
// ahead along the row, and lines asked for rows ahead would leave the cache before their turn.
// Always inlined: as a call of its own the compiler left it out of the 1/2 rows' runs.
constexpr ptrdiff_t kNear = 2048;

QVGFX_SSE2 __attribute__((always_inline)) inline void Prefetch(const uint8_t* ahead, ptrdiff_t at,
                                                               ptrdiff_t down)
{
    if (ahead == nullptr)
        return;
    for (const uint8_t* s : {ahead + at, ahead + at + down}) {
        _mm_prefetch(reinterpret_cast<const char*>(s), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(s + 64), _MM_HINT_T0);
    }
}

// Where each destination pixel reads the two source pixels after the previous one's (the box
// shape of a 1/2 reduction), the source bytes load straight: a fixed shuffle pairs bytes B apart
// (none needed for B = 1).
QVGFX_SSSE3 inline __m128i PairOrder(int B)
{
    return B == 4 ? _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15)
                  : _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
}

QVGFX_AVX2 inline __m256i PairOrder(__m256i, int B)
{
    return _mm256_broadcastsi128_si256(PairOrder(B));
}
QVGFX_AVX512 inline __m512i PairOrder(__m512i, int B)
{
    return _mm512_maskz_broadcast_i32x4(__mmask16(-1), PairOrder(B));
}

QVGFX_AVX2 inline __m256i RegularPairSums(const uint8_t* row, __m256i order, int B)
{
    const __m256i x = Load(order, row);
    return _mm256_maddubs_epi16(B == 1 ? x : _mm256_shuffle_epi8(x, order), _mm256_set1_epi8(1));
}

// At 512 bits each pair's sum comes times 64, so that the two rows' sums added hold each mean of
// four in the high byte of its 16-bit lane (64 times 4 * 255 is below 65536): the byte permutes
// that give the means in order then take the place of the shifts and the pack.
QVGFX_AVX512 inline __m512i PairSums64(__m512i pairs)
{
    return _mm512_maddubs_epi16(pairs, _mm512_set1_epi8(64));
}

QVGFX_AVX512 inline __m512i RegularPairSums(const uint8_t* row, __m512i order, int B)
{
    const __m512i x = Load(order, row);
    return PairSums64(B == 1 ? x : _mm512_shuffle_epi8(x, order));
}

// The same for 1-byte pixels from two 32-byte loads joined by one insert, for copies whose bytes
// come from beyond the second-level cache (FarValues): on the AMD processor measured, 1/2 box copy
// 8 at 1920x1080 ran 1.08 times faster so (at 256x256, its bytes in that cache, no faster). The
// insert takes the unit that rows with a rule need (paintbrush and airbrush 8 0.99x-1.00x at
// 1920x1080), and 4-byte copies ran 0.97x-0.99x.
QVGFX_AVX512 inline __m512i RegularPairSumsOfHalves(const uint8_t* row)
{
    return PairSums64(LoadInHalves(row));
}

// Thirty-two destination bytes whose byte pairs all lie within 64 source bytes from at: one byte
// permute of those 64 bytes (its indices planned in the place of the 32 bytes' shuffles) gives
// the pairs of each row. Only the bytes in `in` are read: all 64, or those before the row's end
// where it ends sooner.
QVGFX_AVX512 inline __m512i PermutedPairSums(__m512i order, const uint8_t* row, __mmask64 in)
{
    return PairSums64(
        _mm512_maskz_permutexvar_epi8(__mmask64(-1), order, _mm512_maskz_loadu_epi8(in, row)));
}

// The same for thirty-two destination bytes whose byte pairs lie within 128 source bytes from at.
QVGFX_AVX512 inline __m512i WidePairSums(__m512i order, const uint8_t* row)
{
    return PairSums64(_mm512_permutex2var_epi8(Load(order, row), order, Load(order, row + 64)));
}

// Thirty-two values x for the destination bytes at d through the rule, or only the first m of
// them (the end of a row).
template <class Rule>
QVGFX_AVX2 inline void PutValues(uint8_t* d, __m256i x, ptrdiff_t m, const Rule& rule)
{
    if (m == 32)
        return Store(d, rule(Load(x, d), x));
    alignas(32) uint8_t v[32];
    Store(v, x);
    PlainRow(d, v, m, rule);
}

// The same at the AVX-512 level: the first m under a mask, through the rule's 64-byte form, where
// PutValues would take them a byte at a time (the bytes past m are neither read nor written).
template <class Rule>
QVGFX_AVX512 inline void PutValuesMasked(uint8_t* d, __m256i x, ptrdiff_t m, const Rule& rule)
{
    if (m == 32)
        return Store(d, rule(Load(x, d), x));
    const __mmask64 in = (__mmask64(1) << m) - 1;
    _mm512_mask_storeu_epi8(d, in, rule(_mm512_maskz_loadu_epi8(in, d), _mm512_castsi256_si512(x)));
}

// Thirty-two (sixty-four) values for the destination bytes at d through the rule, from the two
// rows' pair sums in 16-bit lanes in RowOrder, the first half in lo, the second in hi: at 256 bits
// the plain sums, at 512 bits the sums times 64 (the means in the high bytes).
template <class Rule>
QVGFX_AVX2 inline void PutMeans(uint8_t* d, __m256i lo, __m256i hi, const Rule& rule)
{
    Store(d, RuleOnWords<RowOrder>(rule, Load(lo, d), Shr16(lo, 2), Shr16(hi, 2)));
}
template <class Rule>
QVGFX_AVX512 inline void PutMeans(uint8_t* d, __m512i lo, __m512i hi, const Rule& rule)
{
    Store(d, RuleOnHigh(rule, Load(lo, d), lo, hi));
}
QVGFX_AVX512 inline void PutMeans(uint8_t* d, __m512i lo, __m512i hi, const StreamValues& rule)
{
    const __m512i v = RuleOnHigh(rule, lo, lo, hi);
    if (reinterpret_cast<uintptr_t>(d) % 64 == 0)
        _mm512_stream_si512(reinterpret_cast<__m512i*>(d), v);
    else
        Store(d, v);
}

// clang-format off
// A run of regular bytes from source offset at on, `bytes` source bytes of each row (a multiple of
// 2 * width), each vector of values reading the 2 * width source bytes after the previous one's;
// their values go to v on, the rows ahead asked for once per 128 source bytes.
#define QVGFX_BOX_RUN(Name, T, V, width)                                                           \
    template <int B, class Rule>                                                                   \
    T __attribute__((always_inline)) inline void Name(ptrdiff_t at, ptrdiff_t bytes, uint8_t* v,   \
                                                      const uint8_t* top, const uint8_t* bottom,   \
                                                      const uint8_t* ahead, ptrdiff_t down,        \
                                                      const Rule& rule)                            \
    {                                                                                              \
        const V order = PairOrder(V{}, B);                                                         \
        const auto sums = [=](const uint8_t* row) T {                                              \
            if constexpr (width == 64 && B == 1 && std::is_same_v<Rule, FarValues>)               \
                return RegularPairSumsOfHalves(row);                                               \
            else                                                                                   \
                return RegularPairSums(row, order, B);                                             \
        };                                                                                         \
        const auto put = [=](ptrdiff_t o, uint8_t* to) T {                                         \
            const V x = Add16(sums(top + o), sums(bottom + o));                                    \
            const V y = Add16(sums(top + o + width), sums(bottom + o + width));                    \
            PutMeans(to, x, y, rule);                                                              \
        };                                                                                         \
        const ptrdiff_t end = at + (width == 64 ? bytes : bytes & ~ptrdiff_t(127));                \
        ptrdiff_t o = at;                                                                          \
        for (; o < end; o += 128, v += 64) {                                                       \
            Prefetch(ahead, o, down);                                                              \
            put(o, v);                                                                             \
            if (width == 32)                                                                       \
                put(o + 64, v + 32);                                                               \
        }                                                                                          \
        /* At 256 bits a last 64 source bytes, after the loop: tested in it, per 128, the test */ \
        /* cost 0.03 instructions per byte. */                                                     \
        if (width == 32 && o < at + bytes) {                                                       \
            Prefetch(ahead, o, down);                                                              \
            put(o, v);                                                                             \
        }                                                                                          \
    }
QVGFX_BOX_RUN(BoxRun256, QVGFX_AVX2, __m256i, 32)
QVGFX_BOX_RUN(BoxRun512, QVGFX_AVX512, __m512i, 64)
#undef QVGFX_BOX_RUN
// clang-format on

// The 256-bit step: the 32 bytes from the four q on (regular, or by the windows), the first m put
// at v; returns the next four.
template <int B, class Rule>
QVGFX_AVX2 inline ptrdiff_t BoxStep256(const ResampleEngine::Layout& p, ptrdiff_t q, ptrdiff_t,
                                       uint8_t* v, const uint8_t* top, const uint8_t* bottom,
                                       const uint8_t* ahead, ptrdiff_t down, ptrdiff_t m,
                                       const Rule& rule)
{
    const __m256i order = PairOrder(__m256i{}, B);
    __m256i x, y;
    if (const int32_t at = p.regular[q >> 3]; at >= 0) {
        Prefetch(ahead, at, down);
        x = _mm256_add_epi16(RegularPairSums(top + at, order, B),
                             RegularPairSums(bottom + at, order, B));
        y = _mm256_add_epi16(RegularPairSums(top + at + 32, order, B),
                             RegularPairSums(bottom + at + 32, order, B));
    } else {
        x = _mm256_add_epi16(PairSumsAvx2(p, q, top), PairSumsAvx2(p, q, bottom));
        y = _mm256_add_epi16(PairSumsAvx2(p, q + 4, top), PairSumsAvx2(p, q + 4, bottom));
    }
    const __m256i z = _mm256_packus_epi16(_mm256_srli_epi16(x, 2), _mm256_srli_epi16(y, 2));
    PutValues(v, InOrder(z), m, rule);
    return q + 8;
}

// Sixty-four bytes from the four q on whose pairs lie within the 128 source bytes from at: two-
// source byte permutes.
template <class Rule>
QVGFX_AVX512 __attribute__((always_inline)) inline void
BoxWide512(const ResampleEngine::Layout& p, ptrdiff_t q, ptrdiff_t at, uint8_t* v,
           const uint8_t* top, const uint8_t* bottom, const uint8_t* ahead, ptrdiff_t down,
           const Rule& rule)
{
    Prefetch(ahead, at, down);
    const __m512i lo = Load(__m512i{}, p.shuffles + 16 * q),
                  hi = Load(__m512i{}, p.shuffles + 16 * q + 64);
    const __m512i x = _mm512_add_epi16(WidePairSums(lo, top + at), WidePairSums(lo, bottom + at));
    const __m512i y = _mm512_add_epi16(WidePairSums(hi, top + at), WidePairSums(hi, bottom + at));
    PutMeans(v, x, y, rule);
}

// The 512-bit step: the wide permuted step, 32 regular bytes, the permuted step where the 32 bytes
// were planned for it, or the 256-bit one.
template <int B, class Rule>
QVGFX_AVX512 inline ptrdiff_t BoxStep512(const ResampleEngine::Layout& p, ptrdiff_t q, ptrdiff_t q1,
                                         uint8_t* v, const uint8_t* top, const uint8_t* bottom,
                                         const uint8_t* ahead, ptrdiff_t down, ptrdiff_t m,
                                         const Rule& rule)
{
    if (const int32_t at = B == 0 ? -1 : p.wide[q >> 3]; at >= 0) {
        BoxWide512(p, q, at, v, top, bottom, ahead, down, rule);
        return q + 16;
    }
    // Thirty-two regular bytes: 64 source bytes of each row.
    if (const int32_t at = B == 0 ? -1 : p.regular[q >> 3]; at >= 0) {
        Prefetch(ahead, at, down);
        const __m512i order = PairOrder(__m512i{}, B);
        const __m512i x = _mm512_add_epi16(RegularPairSums(top + at, order, B),
                                           RegularPairSums(bottom + at, order, B));
        PutValuesMasked(v, _mm512_maskz_cvtepi16_epi8(__mmask32(-1), _mm512_srli_epi16(x, 8)), m,
                        rule);
        return q + 8;
    }
    const int32_t at = B == 0 ? -1 : p.permuted[q >> 3];
    if (at < 0)
        return BoxStep256<B>(p, q, q1, v, top, bottom, ahead, down, m, rule);
    Prefetch(ahead, at, down);
    const __m512i pairs = Load(__m512i{}, p.shuffles + 16 * q);
    const __mmask64 in = p.end - at >= 64 ? ~__mmask64(0) : (__mmask64(1) << (p.end - at)) - 1;
    const __m512i x = _mm512_add_epi16(PermutedPairSums(pairs, top + at, in),
                                       PermutedPairSums(pairs, bottom + at, in));
    PutValuesMasked(v, _mm512_maskz_cvtepi16_epi8(__mmask32(-1), _mm512_srli_epi16(x, 8)), m, rule);
    return q + 8;
}

// The head of a 1/2 row (pixel 0 reads source pixels 0 and 1, pixel 1 pixels 1 and 2, pixel 2
// pixels 3 and 4, ...) at the AVX2 level: the row's first 32 source bytes rearranged as pixels
// [1, 0, 1, 2, ...] (a lane-crossing shift by one pixel, pixel 1 put in front) pair as regular
// ones do and give the first 16 destination bytes; the next 16 load straight from one pixel before
// where regular bytes would. The windows took four loads and shuffles per 16 bytes. (The AVX-512
// kernel's wide step takes the first 64 bytes as fast.)
template <int B>
QVGFX_AVX2 inline __m256i HeadPairSums(const uint8_t* row, __m256i order)
{
    const __m256i a = Load(order, row);
    const __m256i on = _mm256_alignr_epi8(a, _mm256_permute2x128_si256(a, a, 0x08), 16 - B);
    const __m256i first = _mm256_setr_epi32(B == 4 ? -1 : 0xFF, 0, 0, 0, 0, 0, 0, 0);
    const __m256i x = _mm256_or_si256(on, _mm256_and_si256(_mm256_srli_si256(a, B), first));
    return _mm256_maddubs_epi16(B == 1 ? x : _mm256_shuffle_epi8(x, order), _mm256_set1_epi8(1));
}

// The head's bytes the kernel takes: 32 where the row starts at byte 0 and has the head shape.
template <int B>
ptrdiff_t HeadBytes(const ResampleEngine::Layout& p, ptrdiff_t q0)
{
    return B != 0 && q0 == 0 && p.head >= 0 ? 32 : 0;
}
template <int B>
ptrdiff_t NoHead(const ResampleEngine::Layout&, ptrdiff_t)
{
    return 0;
}

// The head's 32 bytes.
template <int B, class Rule>
QVGFX_AVX2 inline void BoxHead256(const ResampleEngine::Layout& p, uint8_t* v, const uint8_t* top,
                                  const uint8_t* bottom, const uint8_t* ahead, ptrdiff_t down,
                                  const Rule& rule)
{
    const ptrdiff_t at = p.head;
    Prefetch(ahead, at, down);
    const __m256i order = PairOrder(__m256i{}, B);
    const __m256i x = Add16(HeadPairSums<B>(top + at, order), HeadPairSums<B>(bottom + at, order));
    const __m256i y = Add16(RegularPairSums(top + at + 32 - B, order, B),
                            RegularPairSums(bottom + at + 32 - B, order, B));
    PutMeans(v, x, y, rule);
}

// A run as BoxRun512, of 4-byte pixels, where the top row's first window starts one pixel before
// a line (source rows on 64-byte boundaries, say): whole lines load, and one two-source byte
// permute (kJoinOrder) takes each window's pairs from the last pixel of one line and the first
// fifteen of the next, where loads that straddle two lines cost more (a lane shift and the pairs'
// shuffle took two operations). (For 1-byte pixels the join is one permute more per 64 source
// bytes, on the unit the sums take too, and the straddling loads were faster.) It reads the 64
// bytes before the run's first window and one pixel past its last, and asks for nothing ahead
// (see Halves512).
alignas(64) inline constexpr std::array<uint8_t, 64> kJoinOrder = [] {
    std::array<uint8_t, 64> a{};
    // Byte 60 of the line before is the window's first; within each 8, bytes 0 and 4, 1 and 5, ...
    for (int t = 0; t < 64; ++t)
        a[size_t(t)] = uint8_t(60 + (t & ~7) + (t >> 1 & 3) + 4 * (t & 1));
    return a;
}();

QVGFX_AVX512 inline __m512i JoinedPairSums(__m512i before, __m512i x, __m512i join)
{
    return PairSums64(_mm512_permutex2var_epi8(before, join, x));
}

template <class Rule>
QVGFX_AVX512 __attribute__((always_inline)) inline void
LineRun512(ptrdiff_t at, ptrdiff_t k, uint8_t* v, const uint8_t* top, const uint8_t* bottom,
           const Rule& rule)
{
    const __m512i join = Load(__m512i{}, kJoinOrder.data());
    __m512i t = Load(join, top + at + 4 - 64), b = Load(join, bottom + at + 4 - 64);
    for (ptrdiff_t o = at + 4; o < at + 4 + 128 * k; o += 128, v += 64) {
        const __m512i t0 = Load(join, top + o), b0 = Load(join, bottom + o);
        const __m512i t1 = Load(join, top + o + 64), b1 = Load(join, bottom + o + 64);
        const __m512i x = Add16(JoinedPairSums(t, t0, join), JoinedPairSums(b, b0, join)),
                      y = Add16(JoinedPairSums(t0, t1, join), JoinedPairSums(b0, b1, join));
        PutMeans(v, x, y, rule);
        t = t1, b = b1;
    }
}

// The first 64 bytes of a 1/2 row whose first 32 are the head (see PlanRegular) and whose next 32
// are regular: for rules on values in the high bytes, whose work takes the byte-permute port that
// the wide step's four permutes would take too, for every rule of 1-byte pixels (1/2 box copy 8
// ran 1.03x faster so at 256x256; 4-byte copies at 1920x1080 0.95x), and for rows of 64 (whose
// 127 source bytes the wide step's 128-byte loads would overrun). Each row's first 64 source bytes
// go through one byte permute (kHeadOrder) to pixels [1, 0, 1, 2, ...], which pair as regular ones
// do; the 32 bytes after them load straight. (Pixel 1 merged by a masked load into the bytes from
// one pixel before took one permute less and ran slower: 1/2 box paintbrush 8 at 256x256 0.92 of
// the time.)
template <int B>
alignas(64) inline constexpr std::array<uint8_t, 64> kHeadOrder = [] {
    std::array<uint8_t, 64> a{};
    for (int i = 0; i < 64; ++i)
        a[size_t(i)] = uint8_t(i < B ? B + i : i - B);
    return a;
}();

template <int B, class Rule>
QVGFX_AVX512 __attribute__((always_inline)) inline void
BoxHead512(ptrdiff_t at, uint8_t* v, const uint8_t* top, const uint8_t* bottom,
           const uint8_t* ahead, ptrdiff_t down, const Rule& rule)
{
    Prefetch(ahead, at, down);
    const __m512i order = PairOrder(__m512i{}, B), head = Load(order, kHeadOrder<B>.data());
    const auto pairs = [&](const uint8_t* row) QVGFX_AVX512 {
        const __m512i x = _mm512_maskz_permutexvar_epi8(__mmask64(-1), head, Load(order, row + at));
        return PairSums64(B == 1 ? x : _mm512_shuffle_epi8(x, order));
    };
    const __m512i x = Add16(pairs(top), pairs(bottom));
    const __m512i y = Add16(RegularPairSums(top + at + 64 - B, order, B),
                            RegularPairSums(bottom + at + 64 - B, order, B));
    PutMeans(v, x, y, rule);
}

// Whether a 1/2 row starts with the head and the regular 32 after it: BoxHead512's 64 bytes.
inline bool HeadShape(const ResampleEngine::Layout& p)
{
    return p.head >= 0 && p.regular[1] == p.head + 64 - p.B;
}

// 1/2 rows of 3-byte pixels at the AVX-512 level (Layout::halves3): each ten destination pixels
// take their byte pairs from one 64-byte source window by one byte permute, the windows twenty
// source pixels apart, two windows per 60 destination bytes, whose values one more permute packs
// into those 60 bytes for the rule; each 60 is loaded and stored under a mask. A row with the head
// takes its first window from its first source pixel on, in an order of its own. A window that
// reaches past the row's source bytes is read under a mask, so nothing past either row is touched.
// (Their 32 bytes' pairs lie further apart than one 64-byte window holds, so the steps of 1- and
// 4-byte rows do not serve them.)
struct HalvesOf3Tables {
    // Pixel j of ten reads bytes 6 j and 6 j + 3 on; the head's first ten (pixel 0 reads 0 and 3).
    alignas(64) uint8_t order[2][64];
    alignas(64) uint8_t pack[64];  // the high bytes of words 0-29 of two vectors, in turn
};
inline constexpr HalvesOf3Tables kHalvesOf3 = [] {
    HalvesOf3Tables t{};
    for (int u = 0; u < 30; ++u) {
        const int j = u / 3, k = u % 3, at = j == 0 ? k : 6 * j - 3 + k;
        t.order[0][2 * u] = uint8_t(6 * j + k), t.order[0][2 * u + 1] = uint8_t(6 * j + k + 3);
        t.order[1][2 * u] = uint8_t(at), t.order[1][2 * u + 1] = uint8_t(at + 3);
    }
    for (int u = 0; u < 60; ++u)
        t.pack[u] = uint8_t(u < 30 ? 2 * u + 1 : 64 + 2 * (u - 30) + 1);
    return t;
}();

// The two rows' pair sums, times 64, of the ten pixels whose window starts at byte at of each; the
// bytes from the row's end on are not read where the window may reach past it (whole: it does not).
QVGFX_AVX512 __attribute__((always_inline)) inline __m512i
HalvesOf3Sums(const ResampleEngine::Layout& p, __m512i order, const uint8_t* top,
              const uint8_t* bottom, ptrdiff_t at, bool whole)
{
    const ptrdiff_t left = p.end - at;
    const __mmask64 in = whole || left >= 64 ? ~__mmask64(0)
                         : left > 0          ? (__mmask64(1) << left) - 1
                                             : 0;
    const auto pairs = [&](const uint8_t* row) QVGFX_AVX512 {
        return PairSums64(_mm512_maskz_permutexvar_epi8(__mmask64(-1), order,
                                                        _mm512_maskz_loadu_epi8(in, row + at)));
    };
    return Add16(pairs(top), pairs(bottom));
}

template <class Rule>
QVGFX_AVX512 bool HalvesOf3(const ResampleEngine::Layout& p, ptrdiff_t q0, ptrdiff_t n,
                            const uint8_t* const* rows, ptrdiff_t down, ptrdiff_t h, uint8_t* d,
                            ptrdiff_t pitch, const Rule& r)
{
    if (p.halves3 == 0 || q0 != 0 || n != 3 * p.w)
        return false;
    const Rule rule = r;
    const __m512i order = Load(__m512i{}, kHalvesOf3.order[0]), pack = Load(order, kHalvesOf3.pack),
                  head = Load(order, kHalvesOf3.order[p.halves3 == 3 ? 1 : 0]);
    // Window m starts 60 m source bytes on from the row's first, less a pixel after the head.
    const ptrdiff_t c0 = p.first, c1 = c0 + 60 - (p.halves3 == 3 ? 3 : 0);
    const auto bytes = [n](ptrdiff_t o) {  // the 60 from o on, or those of them in the row
        return n - o >= 60 ? (__mmask64(1) << 60) - 1 : n > o ? (__mmask64(1) << (n - o)) - 1 : 0;
    };
    for (ptrdiff_t j = 0; j < h; ++j, d += pitch) {
        const uint8_t *top = rows[j], *bottom = rows[j] + down;
        // Each 60's destination bytes load before the 60 before them is stored: loaded after it,
        // they would wait for that masked store, whose 64 bytes they share, to reach the cache.
        __m512i now = _mm512_maskz_loadu_epi8(bytes(0), d);
        const auto put = [&](ptrdiff_t o, __m512i x, __m512i y) QVGFX_AVX512 {
            const __m512i next = _mm512_maskz_loadu_epi8(bytes(o + 60), d + o + 60);
            _mm512_mask_storeu_epi8(d + o, bytes(o),
                                    rule(now, _mm512_permutex2var_epi8(x, pack, y)));
            now = next;
        };
        put(0, HalvesOf3Sums(p, head, top, bottom, c0, false),
            HalvesOf3Sums(p, order, top, bottom, c1, false));
        ptrdiff_t o = 60, at = c1 + 60;
        for (; o < n && at + 124 <= p.end; o += 60, at += 120)
            put(o, HalvesOf3Sums(p, order, top, bottom, at, true),
                HalvesOf3Sums(p, order, top, bottom, at + 60, true));
        for (; o < n; o += 60, at += 120)
            put(o, HalvesOf3Sums(p, order, top, bottom, at, false),
                HalvesOf3Sums(p, order, top, bottom, at + 60, false));
    }
    return true;
}

// Rows of the 1/2 shape, a whole number of 64 bytes: one wide step (or BoxHead512), then one run
// of regular 64s to the row's end. The kernel then runs those two directly, with no step to choose
// per 64 bytes; false, nothing written, for rows of other shapes. A row of 64 is BoxHead512's
// alone (its 127 source bytes are too few for the wide step's 128-byte loads). Rows of 3-byte
// pixels (B = 0) are HalvesOf3's.
template <int B, class Rule>
QVGFX_AVX512 bool Halves512(const ResampleEngine::Layout& p, ptrdiff_t q0, ptrdiff_t n,
                            const uint8_t* const* rows, ptrdiff_t down, ptrdiff_t h, uint8_t* d,
                            ptrdiff_t pitch, bool near, const Rule& r)
{
    if constexpr (B == 0)
        return HalvesOf3(p, q0, n, rows, down, h, d, pitch, r);
    if (q0 == 0 && n == 64 && HeadShape(p)) {
        const Rule rule = r;
        for (ptrdiff_t j = 0; j < h; ++j, d += pitch)
            BoxHead512<B>(p.head, d, rows[j], rows[j] + down,
                          near ? rows[std::min(j + 2, h - 1)] : nullptr, down, rule);
        return true;
    }
    if (q0 != 0 || n % 64 != 0 || n < 128 || p.wide[0] < 0 || 16 * (1 + p.runs[2]) != n / 4)
        return false;
    const Rule rule = r;
    const ptrdiff_t at = p.wide[0], run = p.regular[2], k = p.runs[2];
    const bool loads = (HighForm<Rule> || B == 1) && HeadShape(p);
    // Whole lines where the line before the run's first is the row's; the run's last 64 end with
    // the row's last byte, so the straddling loads take them. Only rows too long to ask for the
    // rows ahead (not near): short rows ran faster with the straddling loads and the rows ahead
    // asked for (at 256x256 add and copy 8/8/8/8 1.05x), long ones on whole lines (1920x1080,
    // 1.00x and 1.04x).
    const bool lines = B == 4 && !near && down % 64 == 0 && run + 4 - 64 >= p.first;
    for (ptrdiff_t j = 0; j < h; ++j, d += pitch) {
        // Rows on whole lines ask for nothing ahead: the processor fetches ahead of such loads by
        // itself (asked for, they ran slower).
        const uint8_t* top = rows[j];
        const bool on = lines && (reinterpret_cast<uintptr_t>(top + run) + 4) % 64 == 0;
        const uint8_t* ahead = near && !on ? rows[std::min(j + 2, h - 1)] : nullptr;
        if (loads)
            BoxHead512<B>(p.head, d, top, top + down, ahead, down, rule);
        else
            BoxWide512(p, 0, at, d, top, top + down, ahead, down, rule);
        if (on) {
            LineRun512(run, k - 1, d + 64, top, top + down, rule);
            BoxRun512<B>(run + 128 * (k - 1), 128, d + 64 * k, top, top + down, ahead, down, rule);
        } else
            BoxRun512<B>(run, 128 * k, d + 64, top, top + down, ahead, down, rule);
    }
    return true;
}

// Whether rows of n bytes from the four q0 on have the 1/2 shape Halves256 takes: the head, then
// regular 32s that read on from each other (none in a row of 32).
inline bool HalvesShape256(const ResampleEngine::Layout& p, ptrdiff_t q0, ptrdiff_t n)
{
    if ((p.B != 1 && p.B != 4) || q0 != 0 || n % 32 != 0 || p.head < 0 ||
        (n > 32 && p.regular[1] < 0))
        return false;
    const ptrdiff_t rest = n / 32 - 1;  // the 32s after the head
    return 2 * p.runs[1] == rest ||
           (2 * p.runs[1] == rest - 1 && p.regular[rest] == p.regular[1] + 64 * (rest - 1));
}

// The same at 256 bits, for rows of the 1/2 shape of a whole number of 32 bytes: BoxHead256 takes
// the first 32, one run of regular 32s the rest, where the plan's runs of 64s would leave a lone 32
// at the row's end to a step of its own.
template <int B, class Rule>
QVGFX_AVX2 bool Halves256(const ResampleEngine::Layout& p, ptrdiff_t q0, ptrdiff_t n,
                          const uint8_t* const* rows, ptrdiff_t down, ptrdiff_t h, uint8_t* d,
                          ptrdiff_t pitch, bool near, const Rule& r)
{
    if (B == 0 || !HalvesShape256(p, q0, n))
        return false;
    const ptrdiff_t rest = n / 32 - 1, run = p.regular[1];
    const Rule rule = r;
    for (ptrdiff_t j = 0; j < h; ++j, d += pitch) {
        const uint8_t *top = rows[j], *ahead = near ? rows[std::min(j + 2, h - 1)] : nullptr;
        BoxHead256<B>(p, d, top, top + down, ahead, down, rule);
        BoxRun256<B>(run, 64 * rest, d + 32, top, top + down, ahead, down, rule);
    }
    return true;
}

// clang-format off
// The box kernels: h rows, the source rows of row j at rows[j] and rows[j] + down, the destination
// rows pitch bytes apart from d, n bytes of each from the four q0 on (a multiple of 8), the last
// m < 32 by a step with m; at 256 bits the head of a 1/2 row where the plan found one; a run of
// regular 64s where the plan found one, else a step; the rows two on asked for ahead where rows
// are near. B is the pixel size where the bytes can be regular or permuted (1, 4), else 0: a
// constant, so that the steps do not test it. The kernels read the plan's fields where they use
// them: a copy of the plan just written would be read back before its stores reach the cache,
// which stalls each call.
#define QVGFX_BOX_KERNEL(Name, T, Head, Run, Step, Halves)                                         \
    template <int B, class Rule>                                                                   \
    T void Name(const ResampleEngine::Layout& p, ptrdiff_t q0, ptrdiff_t n,                        \
                const uint8_t* const* rows, ptrdiff_t down, ptrdiff_t h, uint8_t* d,               \
                ptrdiff_t pitch, const Rule& r)                                                    \
    {                                                                                              \
        const Rule rule = r; /* a copy the stores cannot alias */                                  \
        const ptrdiff_t q1 = q0 + n / 32 * 8;                                                      \
        const bool near = p.end - p.first <= kNear;                                                \
        if (Halves<B>(p, q0, n, rows, down, h, d, pitch, near, rule))                              \
            return;                                                                                \
        const ptrdiff_t head = Head<B>(p, q0);                                                     \
        for (ptrdiff_t j = 0; j < h; ++j, d += pitch) {                                            \
            const uint8_t *top = rows[j], *ahead = near ? rows[std::min(j + 2, h - 1)] : nullptr;  \
            ptrdiff_t q = q0 + head / 4;                                                           \
            if (head > 0)                                                                          \
                BoxHead256<B>(p, d, top, top + down, ahead, down, rule);                           \
            while (q < q1)                                                                         \
                if (const int32_t k = B == 0 ? 0 : p.runs[q >> 3]; k > 0) {                        \
                    Run<B>(p.regular[q >> 3], 128 * k, d + 4 * (q - q0), top, top + down, ahead,   \
                           down, rule);                                                            \
                    q += 16 * k;                                                                   \
                } else                                                                             \
                    q = Step<B>(p, q, q1, d + 4 * (q - q0), top, top + down, ahead, down, 32,      \
                                rule);                                                             \
            if (n % 32 != 0)                                                                       \
                Step<B>(p, q, q, d + 4 * (q - q0), top, top + down, ahead, down, n % 32, rule);    \
        }                                                                                          \
    }
QVGFX_BOX_KERNEL(BoxKernelAvx2, QVGFX_AVX2, HeadBytes, BoxRun256, BoxStep256, Halves256)
QVGFX_BOX_KERNEL(BoxKernelAvx512, QVGFX_AVX512, NoHead, BoxRun512, BoxStep512, Halves512)
#undef QVGFX_BOX_KERNEL
// clang-format on

template <class Rule>
using BoxKernel = void (*)(const ResampleEngine::Layout&, ptrdiff_t, ptrdiff_t,
                           const uint8_t* const*, ptrdiff_t, ptrdiff_t, uint8_t*, ptrdiff_t,
                           const Rule&);

// The kernel of pixels of B bytes, at 512 bits or 256.
template <class Rule>
BoxKernel<Rule> BoxKernelOf(int B, bool avx512)
{
    if (avx512)
        return B == 1   ? BoxKernelAvx512<1, Rule>
               : B == 4 ? BoxKernelAvx512<4, Rule>
                        : BoxKernelAvx512<0, Rule>;
    return B == 1   ? BoxKernelAvx2<1, Rule>
           : B == 4 ? BoxKernelAvx2<4, Rule>
                    : BoxKernelAvx2<0, Rule>;
}
#endif

template <class Rule>
bool ResampleEngine::BoxRows(const uint8_t* const* rows, ptrdiff_t down, ptrdiff_t h, uint8_t* out,
                             ptrdiff_t pitch, const Rule& rule)
{
#if QVGFX_X86
    const Layout& p = m_Layout;
    // 1/2 rows of 3-byte pixels at the AVX-512 level are planned for HalvesOf3 alone.
    const bool halves3 = p.halves3 != 0 && CpuAtLeast(CpuLevel::Avx512);
    if ((m_Box == nullptr && !halves3) || !CpuAtLeast(CpuLevel::Avx2))
        return false;
    // 1/2 rows of fewer than 128 bytes go at 256 bits, where Halves256 takes them whole: the
    // 512-bit kernel would take a row of 32 or 96 with the permuted step's lookups for its last 32,
    // and a row of 64 with the wide step's four permutes. (Only those: at the AVX-512 level the
    // plan has no windows for the bytes the 512-bit steps permute.) A 1/2 row of exactly 64 is
    // the 512-bit head step alone (Halves512), whatever the rule: at 64x64 copy 8 took 1.933
    // instructions per byte at 256 bits and takes 1.098 so.
    const ptrdiff_t n = p.w * p.B;
    const bool wide =
        halves3 || (CpuAtLeast(CpuLevel::Avx512) &&
                    (n >= 128 || (n == 64 && HeadShape(p)) || !HalvesShape256(p, 0, n)));
    BoxKernelOf<Rule>(p.B, wide)(p, 0, n, rows, down, h, out, pitch, rule);
    if constexpr (std::is_same_v<Rule, StreamValues>)
        StreamFence();
    return true;
#else
    (void)rows, (void)down, (void)h, (void)out, (void)pitch, (void)rule;
    return false;
#endif
}
