// The vector row loops against plain loops written from the byte rules, at every processor level.
#include <algorithm>
#include <functional>

#include "RowsFast.h"
#include "SpeedTest.h"

namespace {

uint32_t R(uint32_t t) { return (t + 127) / 255; }  // t / 255 rounded half up, by division

struct RowCase {
    const char* name;
    std::function<int32_t(uint8_t*, const uint8_t*, int32_t, uint32_t, uint32_t)> fast;
    std::function<uint8_t(uint32_t d, uint32_t s, uint32_t a, uint32_t b)> rule;
};

const RowCase kRows[] = {
    {"add", [](uint8_t* d, const uint8_t* s, int32_t n, uint32_t, uint32_t) { return FastAddRow(d, s, n); },
     [](uint32_t d, uint32_t s, uint32_t, uint32_t) { return uint8_t(d + s > 255 ? 255 : d + s); }},
    {"copy", [](uint8_t* d, const uint8_t* s, int32_t n, uint32_t, uint32_t) { return FastCopyRow(d, s, n); },
     [](uint32_t, uint32_t s, uint32_t, uint32_t) { return uint8_t(s); }},
    {"lincomb", FastLinCombRow,
     [](uint32_t d, uint32_t s, uint32_t a, uint32_t b) {
         uint32_t t = (s * a + d * b) / 256;
         return uint8_t(t > 255 ? 255 : t);
     }},
    {"paintbrush", [](uint8_t* d, const uint8_t* s, int32_t n, uint32_t, uint32_t) { return FastPaintBrushRow(d, s, n); },
     [](uint32_t d, uint32_t s, uint32_t, uint32_t) { return uint8_t(s + R((255 - s) * d)); }},
    {"airbrush", [](uint8_t* d, const uint8_t* s, int32_t n, uint32_t o, uint32_t) { return FastAirBrushRow(d, s, n, o); },
     [](uint32_t d, uint32_t s, uint32_t o, uint32_t) { return uint8_t(d + R(R(s * o) * (255 - d))); }},
};

// Two rows of w pixels of B bytes, separate or in place, random weights.
TEST(RowsFastTest, EveryRuleMatchesPlainLoop)
{
    uint32_t seed = 1;
    for (const RowCase& c : kRows)
        for (int B : {1, 3, 4})
            for (bool same : {false, true}) {
                SCOPED_TRACE(testing::Message() << c.name << " B=" << B << (same ? " in place" : ""));
                ForEachTwin(seed++, [&](Twin& t) {
                    const uint32_t a = t.rng() & 255, b = t.rng() & 255;
                    const int n = t.w * B;
                    auto plain = [&](uint8_t* d, const uint8_t* s, int32_t m) {
                        for (int32_t i = 0; i < m; ++i)
                            d[i] = c.rule(d[i], s[i], a, b);
                    };
                    auto fast = [&](uint8_t* d, const uint8_t* s, int32_t m) { return c.fast(d, s, m, a, b); };
                    t.Run(same ? 0 : n, same ? 0 : 2, n, 2, [&](bool f, uint8_t* s, ptrdiff_t sp, uint8_t* d, ptrdiff_t dp) {
                        for (int row = 0; row < 2; ++row)
                            FastThenPlain(f, fast, plain, d + row * dp, 1, same ? d + row * dp : s + row * sp, 1, n);
                    });
                });
            }
}

TEST(RowsFastTest, ColourRunMatchesPlainLoop)
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

// Every (d, s) pair of bytes and a spread of weights at each vector level, 4096 bytes per call,
// which the vectors must do nearly all of.
TEST(RowsFastTest, ExhaustiveBytePairsThroughTheVectorLoop)
{
    std::vector<uint8_t> s(65536);
    for (uint32_t i = 0; i < 65536; ++i)
        s[i] = uint8_t(i);
    for (int l = 1; l <= int(DetectedCpuLevel()); ++l, CapCpuLevel(CpuLevel::Avx2))
        for (const RowCase& c : kRows)
            for (uint32_t a : {0u, 1u, 127u, 128u, 200u, 255u})
                for (uint32_t b : {0u, 128u, 255u}) {
                    CapCpuLevel(CpuLevel(l));
                    std::vector<uint8_t> d(65536), want(65536);
                    for (uint32_t i = 0; i < 65536; ++i)
                        d[i] = uint8_t(i >> 8), want[i] = c.rule(d[i], s[i], a, b);
                    for (int i = 0; i < 65536; i += 4096) {
                        const int32_t k = c.fast(d.data() + i, s.data() + i, 4096, a, b);
                        ASSERT_GE(k, 4000);
                        for (int j = i + k; j < i + 4096; ++j)
                            d[j] = c.rule(d[j], s[j], a, b);
                    }
                    ASSERT_EQ(d, want) << LevelName(CpuLevel(l)) << " " << c.name << " a=" << a << " b=" << b;
                }
}

TEST(RowsFastTest, OverlappingRowsAreLeftToThePlainLoop)
{
    std::vector<uint8_t> bytes(300, 9);
    EXPECT_EQ(FastAddRow(bytes.data() + 1, bytes.data(), 200), 0);
    EXPECT_EQ(FastCopyRow(bytes.data(), bytes.data() + 47, 200), 0);
    EXPECT_EQ(FastPaintBrushRow(bytes.data() + 100, bytes.data(), 200), 0);
}

}  // namespace
