// The vector row loops against plain loops written from the byte rules, at every processor level.
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

// Two rows of w pixels of B bytes, pitches wider than a row, so that the bytes between rows
// and around the surfaces act as guards; fast then plain per row must equal plain alone.
void CompareRows(const RowCase& c, int B, bool same, uint32_t seed)
{
    std::mt19937 rng(seed);
    for (int w = 0; w <= 70; ++w)
        for (int off = 0; off < 32; ++off) {
            const uint32_t a = rng() & 255, b = rng() & 255;
            const int sPitch = w * B + 1 + int(rng() % 40), dPitch = w * B + 1 + int(rng() % 40);
            Guarded src(size_t(32 + 2 * sPitch), rng), dst(size_t(32 + 2 * dPitch), rng);
            if (rng() % 4 == 0)  // extremes as well as random bytes
                for (auto& x : dst.bytes)
                    x = rng() % 2 ? 255 : 0;
            uint8_t* s0 = src.data() + off;
            uint8_t* d0 = same ? s0 : dst.data() + (off * 5 + 1) % 32;
            const int dp = same ? sPitch : dPitch;
            std::vector<uint8_t> expectS = src.bytes, expectD = dst.bytes;
            uint8_t* es = expectS.data() + (s0 - src.bytes.data());
            uint8_t* ed = same ? es : expectD.data() + (d0 - dst.bytes.data());
            for (int row = 0; row < 2; ++row) {
                uint8_t* d = d0 + row * dp;
                const uint8_t* s = s0 + row * sPitch;
                const int n = w * B;
                int32_t k = c.fast(d, s, n, a, b);
                ASSERT_TRUE(k >= 0 && k <= n && (k == n || k % 16 == 0)) << k;
                for (int i = k; i < n; ++i)
                    d[i] = c.rule(d[i], s[i], a, b);
                for (int i = 0; i < n; ++i)
                    ed[row * dp + i] = c.rule(ed[row * dp + i], es[row * sPitch + i], a, b);
            }
            ASSERT_EQ(src.bytes, expectS) << c.name << " B=" << B << " w=" << w << " off=" << off;
            ASSERT_EQ(dst.bytes, expectD) << c.name << " B=" << B << " w=" << w << " off=" << off;
        }
}

TEST(RowsFastTest, EveryRuleMatchesPlainLoop)
{
    for (CpuLevel level : Levels()) {
        LevelScope scope(level);
        uint32_t seed = 1;
        for (const RowCase& c : kRows)
            for (int B : {1, 3, 4})
                for (bool same : {false, true}) {
                    SCOPED_TRACE(testing::Message() << LevelName(level) << (same ? " in place" : ""));
                    CompareRows(c, B, same, seed++);
                }
    }
}

TEST(RowsFastTest, ExhaustiveBytePairsThroughTheVectorLoop)
{
    // Every (d, s) pair of bytes and a spread of weights, 4096 bytes per call so vectors do nearly all.
    for (CpuLevel level : Levels()) {
        LevelScope scope(level);
        for (const RowCase& c : kRows)
            for (uint32_t a : {0u, 1u, 127u, 128u, 200u, 255u})
                for (uint32_t b : {0u, 128u, 255u}) {
                    std::vector<uint8_t> d(65536), s(65536);
                    for (uint32_t i = 0; i < 65536; ++i)
                        d[i] = uint8_t(i >> 8), s[i] = uint8_t(i);
                    std::vector<uint8_t> want(65536);
                    for (uint32_t i = 0; i < 65536; ++i)
                        want[i] = c.rule(d[i], s[i], a, b);
                    for (int i = 0; i < 65536; i += 4096) {
                        int32_t k = c.fast(d.data() + i, s.data() + i, 4096, a, b);
                        for (int j = i + k; j < i + 4096; ++j)
                            d[j] = c.rule(d[j], s[j], a, b);
                    }
                    ASSERT_EQ(d, want) << LevelName(level) << " " << c.name << " a=" << a << " b=" << b;
                }
    }
}

TEST(RowsFastTest, ColourRunMatchesPlainLoop)
{
    for (CpuLevel level : Levels()) {
        LevelScope scope(level);
        std::mt19937 rng(7);
        for (int w = 0; w <= 70; ++w)
            for (int off = 0; off < 32; ++off) {
                const uint8_t c[4] = {uint8_t(rng()), uint8_t(rng()), 0, 255};
                Guarded dst(size_t(32 + 4 * 70), rng);
                std::vector<uint8_t> want = dst.bytes;
                uint8_t* d = dst.data() + off;
                int32_t k = FastAddColourRun(d, w, c);
                ASSERT_TRUE(k >= 0 && k <= w);
                for (int i = 4 * k; i < 4 * w; ++i)
                    d[i] = uint8_t(std::min(255, d[i] + c[i % 4]));
                for (int i = 0; i < 4 * w; ++i) {
                    uint8_t& x = want[Guarded::kGuard + off + i];
                    x = uint8_t(std::min(255, x + c[i % 4]));
                }
                ASSERT_EQ(dst.bytes, want) << LevelName(level) << " w=" << w << " off=" << off;
            }
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
