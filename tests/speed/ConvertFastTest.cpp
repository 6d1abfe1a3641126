// The converters' vector loops against a plain per-pixel loop, at every processor level.
#include <cstring>

#include "ConvertFast.h"
#include "SpeedTest.h"

namespace {

struct PickCase {
    int SB, DB;
    bool inPlace;
};

// The rule, one pixel at a time, reading the whole pixel before writing it.
void PlainPick(int SB, int DB, uint8_t* d, const uint8_t* s, int32_t n, const uint8_t* p)
{
    for (int32_t i = 0; i < n; ++i) {
        uint8_t px[4];
        for (int j = 0; j < DB; ++j)
            px[j] = s[i * SB + p[j]];
        std::memcpy(d + i * DB, px, size_t(DB));
    }
}

void PlainSpread(uint8_t* d, const uint8_t* s, int32_t n, const uint8_t* q)
{
    for (int32_t i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k)
            d[i * 4 + q[k]] = s[i * 3 + k];
        d[i * 4 + q[3]] = 255;
    }
}

void PlainMask(uint8_t* d, const uint8_t* s, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        d[i * 4] = d[i * 4 + 1] = d[i * 4 + 2] = uint8_t(255 - s[i]);
        d[i * 4 + 3] = s[i];
    }
}

// Runs fast (then plain for the rest) and plain on copies of the same random bytes; widths 0 to
// 70, start offsets 0 to 31; the guard bytes around each run must stay as they were.
template <class Fast, class Plain>
void Compare(int SB, int DB, bool inPlace, uint32_t seed, Fast fast, Plain plain)
{
    std::mt19937 rng(seed);
    for (int32_t n = 0; n <= 70; ++n)
        for (int off = 0; off < 32; ++off) {
            const int dOff = inPlace ? off : (off * 7 + 3) % 32;
            Guarded src(size_t(32 + 70 * 4), rng), dst(size_t(32 + 70 * 4), rng);
            Guarded srcRef = src, dstRef = dst;
            uint8_t* s = src.data() + off;
            uint8_t* d = inPlace ? s : dst.data() + dOff;
            uint8_t* sr = srcRef.data() + off;
            uint8_t* dr = inPlace ? sr : dstRef.data() + dOff;
            int32_t k = fast(d, s, n);
            ASSERT_GE(k, 0);
            ASSERT_LE(k, n);
            plain(d + k * DB, s + k * SB, n - k);
            plain(dr, sr, n);
            ASSERT_EQ(src.bytes, srcRef.bytes) << "n=" << n << " off=" << off << " done=" << k;
            ASSERT_EQ(dst.bytes, dstRef.bytes) << "n=" << n << " off=" << off << " done=" << k;
        }
}

TEST(ConvertFastTest, PickMatchesPlainLoop)
{
    const PickCase cases[] = {{4, 3, false}, {4, 1, false}, {3, 1, false}, {4, 4, false},
                              {4, 4, true},  {3, 3, false}, {3, 3, true}};
    for (CpuLevel level : Levels()) {
        LevelScope scope(level);
        uint32_t seed = 1;
        for (const PickCase& c : cases)
            for (int r = 0; r < 3; ++r, ++seed) {
                std::mt19937 rng(seed);
                uint8_t p[4];
                for (int j = 0; j < 4; ++j)
                    p[j] = uint8_t(rng() % uint32_t(c.SB));  // repeats too: not only reorderings
                SCOPED_TRACE(testing::Message() << LevelName(level) << " " << c.SB << ">" << c.DB
                                                << (c.inPlace ? " in place" : "") << " p=" << int(p[0])
                                                << int(p[1]) << int(p[2]) << int(p[3]));
                Compare(c.SB, c.DB, c.inPlace, seed,
                        [&](uint8_t* d, const uint8_t* s, int32_t n) { return FastPick(c.SB, c.DB, d, s, n, p); },
                        [&](uint8_t* d, const uint8_t* s, int32_t n) { PlainPick(c.SB, c.DB, d, s, n, p); });
            }
    }
}

TEST(ConvertFastTest, SpreadAndMaskMatchPlainLoop)
{
    const uint8_t orders[][4] = {{0, 1, 2, 3}, {2, 1, 0, 3}, {1, 2, 3, 0}, {3, 0, 2, 1}, {0, 0, 1, 2}};
    for (CpuLevel level : Levels()) {
        LevelScope scope(level);
        uint32_t seed = 100;
        for (const auto& q : orders) {
            SCOPED_TRACE(testing::Message() << LevelName(level) << " q=" << int(q[0]) << int(q[1]) << int(q[2]) << int(q[3]));
            Compare(3, 4, false, seed++, [&](uint8_t* d, const uint8_t* s, int32_t n) { return FastSpread(d, s, n, q); },
                    [&](uint8_t* d, const uint8_t* s, int32_t n) { PlainSpread(d, s, n, q); });
        }
        SCOPED_TRACE(LevelName(level));
        Compare(1, 4, false, seed, FastMask, PlainMask);
    }
}

TEST(ConvertFastTest, OverlappingRunsAreLeftToThePlainLoop)
{
    std::vector<uint8_t> bytes(400, 7);
    const uint8_t p[4] = {2, 1, 0, 3};
    EXPECT_EQ(FastPick(4, 4, bytes.data() + 4, bytes.data(), 64, p), 0);
    EXPECT_EQ(FastPick(4, 3, bytes.data(), bytes.data(), 64, p), 0);
    EXPECT_EQ(FastMask(bytes.data() + 1, bytes.data(), 64), 0);
    const uint8_t q[4] = {0, 1, 2, 3};
    EXPECT_EQ(FastSpread(bytes.data() + 2, bytes.data(), 64, q), 0);
}

TEST(ConvertFastTest, LongRunsAreMostlyVector)
{
    if (DetectedCpuLevel() < CpuLevel::Ssse3)
        GTEST_SKIP() << "no vector level here";
    std::vector<uint8_t> s(4000), d(4000);
    const uint8_t p[4] = {2, 1, 0, 3};
    EXPECT_GE(FastPick(4, 4, d.data(), s.data(), 900, p), 890);
    EXPECT_GE(FastPick(3, 3, d.data(), s.data(), 900, p), 880);
    EXPECT_GE(FastMask(d.data(), s.data(), 900), 880);
}

}  // namespace
