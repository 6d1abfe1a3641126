// The converters' vector loops against a plain per-pixel loop, at every processor level.
#include <array>
#include <cstring>

#include "converters/ConvertFast.h"
#include "tests/speed/SpeedTest.h"

namespace {

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

// One run of w pixels, in place (SB == DB) or into a separate row.
template <class Fast, class Plain>
void ExpectTwins(int SB, int DB, bool inPlace, uint32_t seed, Fast fast, Plain plain)
{
    ForEachTwin(seed, [&](Twin& t) {
        t.Run(inPlace ? 0 : SB * t.w, inPlace ? 0 : 1, DB * t.w, 1, [&](bool f, uint8_t* s, ptrdiff_t, uint8_t* d, ptrdiff_t) {
            FastThenPlain(f, fast, plain, d, DB, inPlace ? d : s, SB, t.w);
        });
    });
}

// With whole and with halved 64-byte loads.
class ConvertFastTest : public ::testing::TestWithParam<uint64_t> {};
INSTANTIATE_TEST_SUITE_P(Loads, ConvertFastTest, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "Halves" : "Whole"; });

TEST_P(ConvertFastTest, PickSpreadAndMaskMatchPlainLoops)
{
    HalvesFrom loads(GetParam());
    const struct { int SB, DB; bool inPlace; } picks[] = {{4, 3, false}, {4, 1, false}, {3, 1, false}, {4, 4, false},
                                                          {4, 4, true},  {3, 3, false}, {3, 3, true}};
    uint32_t seed = 1;
    for (const auto& c : picks)
        for (int r = 0; r < 3; ++r, ++seed) {
            std::mt19937 rng(seed);
            uint8_t p[4];
            for (uint8_t& x : p)
                x = uint8_t(rng() % uint32_t(c.SB));  // repeats too: not only reorderings
            SCOPED_TRACE(testing::Message() << c.SB << ">" << c.DB << (c.inPlace ? " in place" : "") << " p="
                                            << int(p[0]) << int(p[1]) << int(p[2]) << int(p[3]));
            ExpectTwins(c.SB, c.DB, c.inPlace, seed, [&](uint8_t* d, const uint8_t* s, int32_t n) { return FastPick(c.SB, c.DB, d, s, n, p); },
                        [&](uint8_t* d, const uint8_t* s, int32_t n) { PlainPick(c.SB, c.DB, d, s, n, p); });
        }
    for (const auto& q : {std::array<uint8_t, 4>{0, 1, 2, 3}, {2, 1, 0, 3}, {1, 2, 3, 0}, {3, 0, 2, 1}, {0, 0, 1, 2}}) {
        SCOPED_TRACE(testing::Message() << "spread q=" << int(q[0]) << int(q[1]) << int(q[2]) << int(q[3]));
        ExpectTwins(3, 4, false, seed++, [&](uint8_t* d, const uint8_t* s, int32_t n) { return FastSpread(d, s, n, q.data()); },
                    [&](uint8_t* d, const uint8_t* s, int32_t n) { PlainSpread(d, s, n, q.data()); });
    }
    SCOPED_TRACE("mask");
    ExpectTwins(1, 4, false, seed, FastMask, PlainMask);
}

// Destinations beyond 1 MiB, which the widest loops write streaming: the same bytes as the plain
// loop, at aligned and unaligned starts, and none past the end.
TEST_P(ConvertFastTest, LargeDestinationsMatchPlainLoops)
{
    StreamFromOneMiB streams;
    HalvesFrom loads(GetParam());
    const int32_t n = (1 << 20) + 77;  // pixels: beyond 1 MiB at every destination size
    std::vector<uint8_t> s(4 * size_t(n)), fast(4 * size_t(n) + 128), plain(fast.size());
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = uint8_t(i * 2654435761u >> 13);
    const uint8_t p[4] = {2, 1, 0, 3}, q[4] = {2, 0, 1, 3};
    const struct { int SB, DB; } layouts[] = {{4, 3}, {4, 1}, {3, 1}, {4, 4}, {3, 3}, {3, 4}};
    for (const auto& c : layouts)
        for (size_t off : {0, 1, 5}) {
            SCOPED_TRACE(testing::Message() << c.SB << ">" << c.DB << " at +" << off);
            const int32_t m = n;
            uint8_t* base = fast.data() + (64 - reinterpret_cast<uintptr_t>(fast.data()) % 64) % 64;
            const size_t at = size_t(base - fast.data()) + off;
            std::fill(fast.begin(), fast.end(), 9), std::fill(plain.begin(), plain.end(), 9);
            const int32_t k = c.SB == 3 && c.DB == 4 ? FastSpread(fast.data() + at, s.data(), m, q)
                                                      : FastPick(c.SB, c.DB, fast.data() + at, s.data(), m, p);
            if (c.SB == 3 && c.DB == 4) {
                PlainSpread(fast.data() + at + size_t(k) * 4, s.data() + size_t(k) * 3, m - k, q);
                PlainSpread(plain.data() + at, s.data(), m, q);
            } else {
                PlainPick(c.SB, c.DB, fast.data() + at + size_t(k) * size_t(c.DB), s.data() + size_t(k) * size_t(c.SB), m - k, p);
                PlainPick(c.SB, c.DB, plain.data() + at, s.data(), m, p);
            }
            EXPECT_TRUE(fast == plain);
        }
}

// Overlapping runs other than in place go to the plain loop; long runs go mostly to vectors.
TEST(ConvertFastTest, OverlapsAreLeftToThePlainLoopLongRunsAreVector)
{
    std::vector<uint8_t> b(4000, 7);
    const uint8_t p[4] = {2, 1, 0, 3};
    EXPECT_EQ(FastPick(4, 4, b.data() + 4, b.data(), 64, p), 0);
    EXPECT_EQ(FastPick(4, 3, b.data(), b.data(), 64, p), 0);
    EXPECT_EQ(FastMask(b.data() + 1, b.data(), 64), 0);
    EXPECT_EQ(FastSpread(b.data() + 2, b.data(), 64, p), 0);
    if (DetectedCpuLevel() < CpuLevel::Ssse3)
        return;
    // (At most a block of 16 is left, after a start up to the destination's next 64-byte boundary.)
    EXPECT_GE(FastPick(4, 4, b.data() + 2000, b.data(), 450, p), 450 - 15);
    EXPECT_GE(FastPick(3, 3, b.data() + 2000, b.data(), 450, p), 430);
    EXPECT_GE(FastMask(b.data() + 2000, b.data(), 450), 430);
}

}  // namespace
