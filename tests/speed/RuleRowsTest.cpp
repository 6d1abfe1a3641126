// Each rule's rows from the table of rows against the rule written plainly, at every processor level.
#include <algorithm>
#include <functional>

#include "canvases/mask/MaskRules.h"
#include "canvases/surface/Rules.h"
#include "tests/speed/SpeedTest.h"

namespace {

uint32_t R(uint32_t t) { return (t + 127) / 255; }  // t / 255 rounded half up, by division

// The row the table gives at the active level, for a rule made from two weight bytes a and b.
using Row = std::function<void(uint8_t* d, const uint8_t* s, ptrdiff_t n, uint32_t a, uint32_t b)>;
template <class Rule, class Make>
Row RowOf(Make make)
{
    return [=](uint8_t* d, const uint8_t* s, ptrdiff_t n, uint32_t a, uint32_t b) {
        const Rule rule = make(a, b);
        kRowsOf<Rule>.Choose()(d, s, n, rule);
    };
}

#if QVGFX_X86
// The rule on values in 16-bit lanes, unpacked from v in the order H, along a row of whole vectors.
template <class H, class Rule>
QVGFX_AVX2 void WordsRow256(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& rule)
{
    for (ptrdiff_t i = 0; i < n; i += 32) {
        const __m256i x = Load(x, v + i);
        Store(d + i, RuleOnWords<H>(rule, Load(x, d + i), H::Lo(x), H::Hi(x)));
    }
}
template <class H, class Rule>
QVGFX_AVX512 void WordsRow512(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& rule)
{
    for (ptrdiff_t i = 0; i < n; i += 64) {
        const __m512i x = Load(x, v + i);
        Store(d + i, RuleOnWords<H>(rule, Load(x, d + i), H::Lo(x), H::Hi(x)));
    }
}
// The same on values in the high bytes of 16-bit lanes in row order, the low bytes anything (here
// the destination bytes).
template <class Rule>
QVGFX_AVX512 void HighRow512(uint8_t* d, const uint8_t* v, ptrdiff_t n, const Rule& rule)
{
    for (ptrdiff_t i = 0; i < n; i += 64) {
        const __m512i x = Load(x, v + i), y = Load(x, d + i);
        Store(d + i, RuleOnHigh(rule, y, _mm512_or_si512(RowOrder::UpLo(x), RowOrder::Lo(y)),
                                _mm512_or_si512(RowOrder::UpHi(x), RowOrder::Hi(y))));
    }
}
#endif

// The same on whole vectors of values in 16-bit lanes, in LaneOrder (lanes) or RowOrder, at the
// active level (AVX2 and up); and in their high bytes (AVX-512).
template <class Rule, class Make>
Row HighOf([[maybe_unused]] Make make)
{
#if QVGFX_X86
    if constexpr (requires(const Rule& r, __m512i x) { r(x, x); })
        return [=](uint8_t* d, const uint8_t* s, ptrdiff_t n, uint32_t a, uint32_t b) {
            HighRow512<Rule>(d, s, n, make(a, b));
        };
#endif
    return nullptr;
}
template <class Rule, class Make>
Row WordsOf([[maybe_unused]] Make make, [[maybe_unused]] bool lanes)
{
#if QVGFX_X86
    if constexpr (requires(const Rule& r, __m512i x) { r(x, x); })
        return [=](uint8_t* d, const uint8_t* s, ptrdiff_t n, uint32_t a, uint32_t b) {
            const Rule rule = make(a, b);
            const bool avx512 = CpuAtLeast(CpuLevel::Avx512);
            if (lanes)
                (avx512 ? WordsRow512<LaneOrder, Rule> : WordsRow256<LaneOrder, Rule>)(d, s, n, rule);
            else
                (avx512 ? WordsRow512<RowOrder, Rule> : WordsRow256<RowOrder, Rule>)(d, s, n, rule);
        };
#endif
    return nullptr;  // no vector form (copy)
}

struct RowCase {
    const char* name;
    Row row;
    std::function<uint8_t(uint32_t d, uint32_t s, uint32_t a, uint32_t b)> rule;
    Row lanes, rows, high;  // the rule on values in 16-bit lanes, in LaneOrder and RowOrder, and in high bytes
};

template <class Rule, class Make, class Plain>
RowCase Case(const char* name, Make make, Plain plain)
{
    return {name, RowOf<Rule>(make), plain, WordsOf<Rule>(make, true), WordsOf<Rule>(make, false), HighOf<Rule>(make)};
}

const RowCase kRows[] = {
    Case<AddSat>("add", [](uint32_t, uint32_t) { return AddSat{}; },
                 [](uint32_t d, uint32_t s, uint32_t, uint32_t) { return uint8_t(std::min(d + s, 255u)); }),
    Case<Copy>("copy", [](uint32_t, uint32_t) { return Copy{}; }, [](uint32_t, uint32_t s, uint32_t, uint32_t) { return uint8_t(s); }),
    Case<LinComb>("lincomb", [](uint32_t a, uint32_t b) { return LinComb{a, b}; },
                  [](uint32_t d, uint32_t s, uint32_t a, uint32_t b) { return uint8_t(std::min((s * a + d * b) / 256, 255u)); }),
    Case<PaintBrush>("paintbrush", [](uint32_t, uint32_t) { return PaintBrush{}; },
                     [](uint32_t d, uint32_t s, uint32_t, uint32_t) { return uint8_t(s + R((255 - s) * d)); }),
    Case<AirBrush>("airbrush", [](uint32_t o, uint32_t) { return AirBrush{o}; },
                   [](uint32_t d, uint32_t s, uint32_t o, uint32_t) { return uint8_t(d + R(R(s * o) * (255 - d))); }),
};

// Two rows of w pixels of B bytes with random weights: separate, in place, or overlapping by a few
// bytes either way (where only the plain order gives the plain bytes).
TEST(RuleRowsTest, EveryRuleMatchesPlainLoop)
{
    uint32_t seed = 1;
    for (const RowCase& c : kRows)
        for (int B : {1, 3, 4})
            for (int shift : {-1, 0, 5, -17, 999}) {
                SCOPED_TRACE(testing::Message() << c.name << " B=" << B << " shift " << shift);
                ForEachTwin(seed++, [&](Twin& t) {
                    const uint32_t a = t.rng() & 255, b = t.rng() & 255;
                    const int n = t.w * B, apart = shift == 999;
                    t.Run(apart ? n : 0, apart ? 2 : 0, n + 40, 2, [&](bool f, uint8_t* s, ptrdiff_t sp, uint8_t* d, ptrdiff_t dp) {
                        for (int row = 0; row < 2; ++row) {
                            uint8_t* to = d + row * dp + 20;
                            const uint8_t* from = apart ? s + row * sp : to + shift;
                            if (f)
                                c.row(to, from, n, a, b);
                            else
                                for (int i = 0; i < n; ++i)
                                    to[i] = c.rule(to[i], from[i], a, b);
                        }
                    });
                });
            }
}

TEST(RuleRowsTest, ColourRunMatchesPlainLoop)
{
    ForEachTwin(7, [&](Twin& t) {
        const uint8_t c[4] = {uint8_t(t.rng()), uint8_t(t.rng()), 0, 255};
        auto plain = [&](uint8_t* d, const uint8_t*, int32_t n) {
            for (int32_t i = 0; i < 4 * n; ++i)
                d[i] = uint8_t(std::min(255, d[i] + c[i % 4]));
        };
        t.Run(0, 0, 4 * t.w, 1, [&](bool f, uint8_t*, ptrdiff_t, uint8_t* d, ptrdiff_t) {
            FastThenPlain(f, [&](uint8_t* p, const uint8_t*, int32_t n) { return FastAddColourRun(p, n, c); }, plain, d, 4, d, 0, t.w);
        });
    });
}

// Every (d, s) pair of bytes through the rows of each level, the plain one included, and through
// the forms on values in 16-bit lanes and in their high bytes: every opacity, and weights on both sides of a + b = 256 and
// at the ends of their range.
TEST(RuleRowsTest, ExhaustiveBytePairsThroughTheVectorRows)
{
    std::vector<uint8_t> s(65536), d(65536), want(65536);
    std::vector<std::pair<uint32_t, uint32_t>> weights, opacities, none{{0, 0}};
    for (uint32_t a : {0u, 1u, 15u, 16u, 127u, 128u, 129u, 200u, 255u})
        for (uint32_t b : {0u, 17u, 127u, 128u, 240u, 255u})
            weights.push_back({a, b});
    for (uint32_t o = 0; o < 256; ++o)
        opacities.push_back({o, 0});
    for (int l = 0; l <= int(DetectedCpuLevel()); ++l, CapCpuLevel(CpuLevel::Avx512))
        for (const RowCase& c : kRows) {
            const std::string name = c.name;
            for (auto [a, b] : name == "lincomb" ? weights : name == "airbrush" ? opacities : none) {
                CapCpuLevel(CpuLevel(l));
                // Every pair once, the destination bytes changing within each vector (a form that
                // pairs values with the wrong destination lanes is caught).
                for (uint32_t i = 0; i < 65536; ++i)
                    s[i] = uint8_t(i), d[i] = uint8_t(i + (i >> 8)), want[i] = c.rule(d[i], s[i], a, b);
                c.row(d.data(), s.data(), 65536, a, b);
                ASSERT_EQ(d, want) << "level " << l << " " << name << " " << a << " " << b;
                for (const Row* words : {&c.lanes, &c.rows, &c.high})
                    if (*words && CpuAtLeast(words == &c.high ? CpuLevel::Avx512 : CpuLevel::Avx2)) {
                        for (uint32_t i = 0; i < 65536; ++i)
                            d[i] = uint8_t(i + (i >> 8));
                        (*words)(d.data(), s.data(), 65536, a, b);
                        ASSERT_EQ(d, want) << "level " << l << " " << name << " on 16-bit values, "
                                           << (words == &c.lanes ? "lane order" : words == &c.rows ? "row order" : "high bytes");
                    }
            }
        }
}

}  // namespace
