// A blend rule applied along a row of bytes, d[i] = rule(d[i], v[i]), at each processor level.
// A rule is a struct: its one-byte operator() and, where it has them, the same rule on 16, 32 or
// 64 bytes at once (vector operator() overloads, written once with QVGFX_VECTOR_FORMS). Its
// RowTable, kRowsOf<Rule>, names the row of each level; the row is chosen once per drawing call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/CpuLevel.h"

template <class Rule>
using RowFn = void (*)(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& rule);

// The one-byte loop every row must equal, byte for byte, whatever d and v share.
template <class Rule>
void PlainRow(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& rule)
{
    for (ptrdiff_t i = 0; i < n; ++i)
        d[i] = rule(d[i], v[i]);
}

// The same bytes or none in common: only then may a row read ahead of what it has written.
inline bool Apart(const uint8_t* d, const uint8_t* v, ptrdiff_t n)
{
    auto x = reinterpret_cast<uintptr_t>(d), y = reinterpret_cast<uintptr_t>(v);
    return d == v || x + uintptr_t(n) <= y || y + uintptr_t(n) <= x;
}

// Copy's row: the library's copy where the rows are apart (it is vector code already).
template <class Rule>
void CopyRow(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& rule)
{
    if (!Apart(d, v, n))
        return PlainRow(d, v, n, rule);
    if (d != v && n > 0)
        std::memcpy(d, v, size_t(n));
}

// Copies n bytes from v to d, which share none, the whole 16-byte vectors that start on a
// boundary of d by streaming stores (past the caches; see StreamsPastCaches). StreamFence orders
// such stores before the ones that follow it.
void StreamCopy(uint8_t* d, const uint8_t* v, ptrdiff_t n);
void StreamFence();

// Copy's row for calls that stream (StreamsPastCaches): CopyRow's bytes, streamed where apart.
template <class Rule>
void StreamRow(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& rule)
{
    if (d == v || !Apart(d, v, n))
        return CopyRow(d, v, n, rule);
    StreamCopy(d, v, n);
}

#if QVGFX_X86
#include <immintrin.h>

// clang-format off
// Lane arithmetic under one name at each width, so that a rule's vector form is written once.
#define QVGFX_LANE_OPS(T, V, p, bits)                                                                    \
    T inline V Load(V, const uint8_t* a) { return p##_loadu_si##bits(reinterpret_cast<const V*>(a)); } \
    T inline void Store(uint8_t* a, V x) { p##_storeu_si##bits(reinterpret_cast<V*>(a), x); }          \
    T inline V Splat16(V, int x) { return p##_set1_epi16(short(x)); }                                    \
    /* 255 - x in each byte: a saturating subtraction, which the compiler keeps as one (as a xor  */    \
    /* it becomes a ternary-logic operation that also reads its old register, chaining the steps). */ \
    T inline V Complement(V x) { return p##_subs_epu8(p##_set1_epi8(-1), x); }                          \
    T inline V Add16(V x, V y) { return p##_add_epi16(x, y); }                                           \
    T inline V Sub16(V x, V y) { return p##_sub_epi16(x, y); }                                           \
    T inline V MulLo16(V x, V y) { return p##_mullo_epi16(x, y); }                                      \
    T inline V MulHi16(V x, V y) { return p##_mulhi_epu16(x, y); }                                      \
    T inline V Shr16(V x, int k) { return p##_srli_epi16(x, k); }                                        \
    T inline V AddSat8(V x, V y) { return p##_adds_epu8(x, y); }                                         \
    /* (x + y) >> 8 for a sum of 17 bits: the rounded-up average less the odd bit, then 7 more. */      \
    T inline V SumShr8(V x, V y) { return p##_srli_epi16(p##_sub_epi16(p##_avg_epu16(x, y), p##_and_si##bits(p##_xor_si##bits(x, y), p##_set1_epi16(1))), 7); } \
    /* 255 - (t / 255 rounded half up) for t from 0 to 255 * 255 (beyond, the subtraction wraps):   */ \
    /* (255 * 255 - t) / 255 rounded, since a multiple of 255 moves the rounding by a whole number */ \
    /* and t / 255 never ends in one half; one subtraction from 255 * 255 + 128, one multiply-high. */ \
    T inline V Div255RoundRest16(V t) { return MulHi16(p##_sub_epi16(p##_set1_epi16(short(255 * 255 + 128)), t), p##_set1_epi16(257)); } \
    /* t / 255 rounded half up for t from 0 to 255 * 255: (t + 128) 257 >> 16, which is          */ \
    /* (u + (u >> 8)) >> 8 for u = t + 128; one addition, one multiply-high.                       */ \
    T inline V Div255Round16(V t) { return MulHi16(p##_add_epi16(t, p##_set1_epi16(128)), p##_set1_epi16(257)); } \
    /* 255 less the high byte of each 16-bit lane, 256 times (a xor and an and, which the compiler  */ \
    /* makes one and-not: GCC 12's 512-bit and-not intrinsic warns of its own undefined operand).  */ \
    T inline V HighRest(V x) { const V m = p##_set1_epi16(short(0xFF00)); return p##_and_si##bits(p##_xor_si##bits(x, m), m); } \
    /* Bytes 0-7 of each 16 (Lo) or 8-15 (Hi) as 16-bit lanes; Narrow packs them back, clamped at 255. */ \
    T inline V Lo8(V x) { return p##_unpacklo_epi8(x, p##_setzero_si##bits()); }                       \
    T inline V Hi8(V x) { return p##_unpackhi_epi8(x, p##_setzero_si##bits()); }                       \
    T inline V Narrow(V lo, V hi) { return p##_packus_epi16(lo, hi); }                                   \
    /* Byte pairs (x_i, y_i) of bytes 0-7 or 8-15 of each 16, for the byte multiply-adds. */           \
    T inline V PairsLo(V x, V y) { return p##_unpacklo_epi8(x, y); }                                     \
    T inline V PairsHi(V x, V y) { return p##_unpackhi_epi8(x, y); }                                     \
    /* Each byte less 128, as a signed byte: the top bit flipped. */                                    \
    T inline V Less128(V x) { return p##_xor_si##bits(x, p##_set1_epi8(char(0x80))); }

QVGFX_LANE_OPS(QVGFX_SSE2, __m128i, _mm, 128)
QVGFX_LANE_OPS(QVGFX_AVX2, __m256i, _mm256, 256)
QVGFX_LANE_OPS(QVGFX_AVX512, __m512i, _mm512, 512)
#undef QVGFX_LANE_OPS
// clang-format on

// The 64 bytes from a as two 32-byte loads joined by one insert, which takes the unit the byte
// permutes take: for loops whose bytes come from beyond the second-level cache (LoadsInHalves),
// where whole 64-byte loads ran slower on the AMD processor measured.
QVGFX_AVX512 inline __m512i LoadInHalves(const uint8_t* a)
{
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + 32));
    return _mm512_maskz_inserti64x4(__mmask8(-1), _mm512_castsi256_si512(lo), hi, 1);
}

// Each pair (x_i, y_i) of unsigned bytes times the signed byte weights (wx, wy), summed in 16 bits.
QVGFX_SSSE3 inline __m128i MulAddPairs(__m128i p, int wx, int wy)
{
    return _mm_maddubs_epi16(p, _mm_set1_epi16(short((wx & 255) | wy << 8)));
}
QVGFX_AVX2 inline __m256i MulAddPairs(__m256i p, int wx, int wy)
{
    return _mm256_maddubs_epi16(p, _mm256_set1_epi16(short((wx & 255) | wy << 8)));
}
QVGFX_AVX512 inline __m512i MulAddPairs(__m512i p, int wx, int wy)
{
    return _mm512_maddubs_epi16(p, _mm512_set1_epi16(short((wx & 255) | wy << 8)));
}

// Each pair (x_i, y_i) of signed bytes times the unsigned byte weights (wx, wy), summed in 16 bits.
QVGFX_AVX2 inline __m256i MulAddSigned(__m256i p, int wx, int wy)
{
    return _mm256_maddubs_epi16(_mm256_set1_epi16(short(wx | wy << 8)), p);
}
QVGFX_AVX512 inline __m512i MulAddSigned(__m512i p, int wx, int wy)
{
    return _mm512_maddubs_epi16(_mm512_set1_epi16(short(wx | wy << 8)), p);
}

// (x y + 2^14) >> 15 in each signed 16-bit lane: the multiply-high that rounds.
QVGFX_AVX2 inline __m256i MulHiRound16(__m256i x, __m256i y) { return _mm256_mulhrs_epi16(x, y); }
QVGFX_AVX512 inline __m512i MulHiRound16(__m512i x, __m512i y) { return _mm512_mulhrs_epi16(x, y); }

// The lane-wise byte pack leaves the 64-bit parts interleaved (256 bits: 0, 2, 1, 3; 512 bits:
// 0, 4, 1, 5, 2, 6, 3, 7); one permute restores the order.
QVGFX_AVX2 inline __m256i InOrder(__m256i z) { return _mm256_permute4x64_epi64(z, 0xD8); }
QVGFX_AVX512 inline __m512i InOrder(__m512i z)
{
    return _mm512_permutex2var_epi64(z, _mm512_setr_epi64(0, 2, 4, 6, 1, 3, 5, 7), z);
}

// A vector of bytes as two vectors of their values in 16-bit lanes (Lo, Hi), and back (Pack), in
// one of two orders. LaneOrder: bytes 0-7 of each 16 in Lo, 8-15 in Hi, the order of the lane-wise
// unpacks and pack. RowOrder: the first half of the bytes in Lo, the second in Hi.
struct LaneOrder {
    QVGFX_AVX2 static __m256i Lo(__m256i x) { return Lo8(x); }
    QVGFX_AVX2 static __m256i Hi(__m256i x) { return Hi8(x); }
    QVGFX_AVX2 static __m256i Pack(__m256i lo, __m256i hi) { return Narrow(lo, hi); }
    QVGFX_AVX512 static __m512i Lo(__m512i x) { return Lo8(x); }
    QVGFX_AVX512 static __m512i Hi(__m512i x) { return Hi8(x); }
    QVGFX_AVX512 static __m512i Pack(__m512i lo, __m512i hi) { return Narrow(lo, hi); }
};
struct RowOrder {
    QVGFX_AVX2 static __m256i Lo(__m256i x)
    {
        return _mm256_cvtepu8_epi16(_mm256_castsi256_si128(x));
    }
    QVGFX_AVX2 static __m256i Hi(__m256i x)
    {
        return _mm256_cvtepu8_epi16(_mm256_extracti128_si256(x, 1));
    }
    QVGFX_AVX2 static __m256i Pack(__m256i lo, __m256i hi) { return InOrder(Narrow(lo, hi)); }
    // At 512 bits each widening is one byte permute into the even bytes, the odd ones cleared.
    QVGFX_AVX512 static __m512i Lo(__m512i x) { return Spread(x, 0, 0x5555555555555555); }
    QVGFX_AVX512 static __m512i Hi(__m512i x) { return Spread(x, 1, 0x5555555555555555); }
    QVGFX_AVX512 static __m512i Pack(__m512i lo, __m512i hi) { return InOrder(Narrow(lo, hi)); }

    // Values in the high bytes of 16-bit lanes, each lane 256 times its value plus less than 256
    // (the AVX-512 box kernel's means): PackHigh gives their bytes, PackLow the bytes of values
    // below 256 (unclamped), UpLo and UpHi widen bytes to 256 times each. One byte permute each.
    QVGFX_AVX512 static __m512i PackHigh(__m512i lo, __m512i hi) { return Evens(lo, hi, 1); }
    QVGFX_AVX512 static __m512i PackLow(__m512i lo, __m512i hi) { return Evens(lo, hi, 0); }
    QVGFX_AVX512 static __m512i UpLo(__m512i x) { return Spread(x, 0, 0xAAAAAAAAAAAAAAAA); }
    QVGFX_AVX512 static __m512i UpHi(__m512i x) { return Spread(x, 1, 0xAAAAAAAAAAAAAAAA); }

private:
    struct Indices {
        // 2i, then 2i + 1 (byte i from the 128 bytes of two vectors); i / 2, then 32 + i / 2.
        alignas(64) uint8_t evens[2][64];
        alignas(64) uint8_t halves[2][64];
    };
    static constexpr Indices kIndices = [] {
        Indices t{};
        for (int i = 0; i < 64; ++i)
            for (int k = 0; k < 2; ++k)
                t.evens[k][i] = uint8_t(2 * i + k), t.halves[k][i] = uint8_t(32 * k + i / 2);
        return t;
    }();
    QVGFX_AVX512 static __m512i Evens(__m512i lo, __m512i hi, int odd)
    {
        return _mm512_permutex2var_epi8(lo, Load(lo, kIndices.evens[odd]), hi);
    }
    QVGFX_AVX512 static __m512i Spread(__m512i x, int half, __mmask64 bytes)
    {
        return _mm512_maskz_permutexvar_epi8(bytes, Load(x, kIndices.halves[half]), x);
    }
};

// clang-format off
// A rule's vector forms from one body over the vector type V, with d and v the destination and
// source bytes: 16 bytes (SSE2), 32 (AVX2) and 64 (AVX-512).
#define QVGFX_VECTOR_FORMS(...)                                                                    \
    QVGFX_SSE2 __m128i operator()(__m128i d, __m128i v) const { using V [[maybe_unused]] = __m128i; __VA_ARGS__ }    \
    QVGFX_WIDE_FORMS(__VA_ARGS__)
// The same for 32 and 64 bytes only, for rules whose 16-byte form is written apart.
#define QVGFX_WIDE_FORMS(...)                                                                      \
    QVGFX_AVX2 __m256i operator()(__m256i d, __m256i v) const { using V [[maybe_unused]] = __m256i; __VA_ARGS__ }    \
    QVGFX_AVX512 __m512i operator()(__m512i d, __m512i v) const { using V [[maybe_unused]] = __m512i; __VA_ARGS__ }
// A rule's form on values still in 16-bit lanes (lo and hi, in the order H unpacks d), for rules
// that would unpack the values again: Words on the values, Rest on 255 less each value (which
// the kernels can give at no cost where the rule wants them); one body for 32 and 64 bytes.
#define QVGFX_WORD_FORMS(Name, ...)                                                                \
    template <class H> QVGFX_AVX2 __m256i Name(H, __m256i d, __m256i lo, __m256i hi) const { using V [[maybe_unused]] = __m256i; __VA_ARGS__ } \
    template <class H> QVGFX_AVX512 __m512i Name(H, __m512i d, __m512i lo, __m512i hi) const { using V [[maybe_unused]] = __m512i; __VA_ARGS__ }
// A rule's form on values in the high bytes of 16-bit lanes in row order (see
// RowOrder::PackHigh), at 64 bytes: the AVX-512 box kernel's means.
#define QVGFX_HIGH_FORM(...)                                                                       \
    QVGFX_AVX512 __m512i High(__m512i d, __m512i lo, __m512i hi) const { using V [[maybe_unused]] = __m512i; using H [[maybe_unused]] = RowOrder; __VA_ARGS__ }
// clang-format on

// The rule on values in 16-bit lanes in the order H: its own form on them where it has one, else
// its byte form on the values packed.
// clang-format off
#define QVGFX_RULE_ON_WORDS(T, V)                                                                  \
    template <class H, class Rule>                                                                 \
    T inline V RuleOnWords(const Rule& rule, V d, V lo, V hi)                                      \
    {                                                                                              \
        if constexpr (requires { rule.Words(H{}, d, lo, hi); })                                    \
            return rule.Words(H{}, d, lo, hi);                                                     \
        else                                                                                       \
            return rule(d, H::Pack(lo, hi));                                                       \
    }
QVGFX_RULE_ON_WORDS(QVGFX_AVX2, __m256i)
QVGFX_RULE_ON_WORDS(QVGFX_AVX512, __m512i)
#undef QVGFX_RULE_ON_WORDS
// clang-format on

// A rule with a form on values in the high bytes of 16-bit lanes (QVGFX_HIGH_FORM).
template <class Rule>
concept HighForm = requires(const Rule& r, __m512i x)
{
    r.High(x, x, x);
};

// The rule on values in the high bytes of 16-bit lanes in row order: its High form where it has
// one, else its byte form on the values' bytes.
template <class Rule>
QVGFX_AVX512 inline __m512i RuleOnHigh(const Rule& rule, __m512i d, __m512i lo, __m512i hi)
{
    if constexpr (HighForm<Rule>)
        return rule.High(d, lo, hi);
    else
        return rule(d, RowOrder::PackHigh(lo, hi));
}

// The vector rows. The first and the last vector of the row are computed first, from the bytes as
// they are, and stored last, over bytes the steps wrote with the same values: the steps in
// between store to whole aligned vectors, and no byte is left to a plain tail. Rows shorter than
// one vector take the next narrower row; rows that overlap without being the same bytes take the
// plain loop.
#define QVGFX_VECTOR_ROW(Name, T, V, width, Narrower)                                            \
    template <class Rule>                                                                        \
    T void Name(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& r)                        \
    {                                                                                            \
        if (n < width || !Apart(d, v, n))                                                        \
            return Narrower(d, v, n, r);                                                         \
        const Rule rule = r; /* a copy the stores cannot alias: its weights stay in registers */ \
        const V first = rule(Load(V{}, d), Load(V{}, v));                                        \
        const V last = rule(Load(V{}, d + n - width), Load(V{}, v + n - width));                 \
        ptrdiff_t i = width - ptrdiff_t(reinterpret_cast<uintptr_t>(d) % width);                 \
        for (; i + 2 * width <= n; i += 2 * width) {                                             \
            const V x = rule(Load(V{}, d + i), Load(V{}, v + i));                                \
            const V y = rule(Load(V{}, d + i + width), Load(V{}, v + i + width));                \
            Store(d + i, x);                                                                     \
            Store(d + i + width, y);                                                             \
        }                                                                                        \
        if (i + width <= n)                                                                      \
            Store(d + i, rule(Load(V{}, d + i), Load(V{}, v + i)));                              \
        Store(d, first);                                                                         \
        Store(d + n - width, last);                                                              \
    }

QVGFX_VECTOR_ROW(Sse2Row, QVGFX_SSE2, __m128i, 16, PlainRow)
QVGFX_VECTOR_ROW(Avx2Row, QVGFX_AVX2, __m256i, 32, PlainRow)
QVGFX_VECTOR_ROW(Avx512Row, QVGFX_AVX512, __m512i, 64, Avx2Row)
#undef QVGFX_VECTOR_ROW
#else
// No vector code elsewhere: the names stand for the plain row, which is the one chosen.
template <class Rule>
void Sse2Row(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& rule)
{
    PlainRow(d, v, n, rule);
}
template <class Rule>
void Avx2Row(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& rule)
{
    PlainRow(d, v, n, rule);
}
template <class Rule>
void Avx512Row(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& rule)
{
    PlainRow(d, v, n, rule);
}
#endif

// A rule's row at each level, null where it has none (an SSSE3 processor takes the SSE2 row).
template <class Rule>
struct RowTable {
    RowFn<Rule> plain, sse2 = nullptr, avx2 = nullptr, avx512 = nullptr;

    // The row of the highest level the processor allows: chosen once per drawing call.
    RowFn<Rule> Choose() const
    {
        const int level = int(ActiveCpuLevel());
        if (avx512 && level >= int(CpuLevel::Avx512))
            return avx512;
        if (avx2 && level >= int(CpuLevel::Avx2))
            return avx2;
        if (sse2 && level >= int(CpuLevel::Sse2))
            return sse2;
        return plain;
    }
};

// The table of rule rows: one row per rule, next to the rule. A rule with no row of its own is
// drawn by the plain loop alone.
template <class Rule>
inline constexpr RowTable<Rule> kRowsOf = {PlainRow<Rule>};

// The four colour bytes c[0..3] added with saturation to each of n 4-byte pixels; returns pixels.
int32_t FastAddColourRun(uint8_t* d, int32_t n, const uint8_t* c);
