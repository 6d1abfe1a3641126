// The surface rows' vector twins (unscaled, box, bilinear) against the plain rows of Resample.h,
// for every rule, B = 1, 3, 4 and every processor level, on separate and shared pixels.
#include <algorithm>

#include "FastRows.h"
#include "MaskRules.h"
#include "Rules.h"
#include "SpeedTest.h"

namespace {

enum class Path { Unscaled, Box, Bilinear };

// A source rectangle of sw x sh pixels drawn into dw x dh.
struct Scene {
    Path path;
    int sw, sh, dw, dh;
};

template <int B, class Rule>
void Draw(const Scene& c, bool fast, uint8_t* d, ptrdiff_t dp, const uint8_t* s, ptrdiff_t sp, Rule rule)
{
    if (c.path == Path::Unscaled) {
        if (!fast || !FastUnscaledRows<B>(d, dp, s, sp, c.dw, c.dh, rule))
            UnscaledRows<B>(d, dp, s, sp, c.dw, c.dh, rule);
        return;
    }
    // On the box path an axis that keeps its size steps pixel to pixel with no neighbour.
    const bool bilinear = c.path == Path::Bilinear, keepX = !bilinear && c.sw == c.dw, keepY = !bilinear && c.sh == c.dh;
    ResampleAxis x{0, c.dw, keepX ? 65536 : (int64_t(c.sw - 1) * 65536) / c.dw};
    ResampleAxis y{0, c.dh, keepY ? 65536 : (int64_t(c.sh - 1) * 65536) / c.dh};
    ResampleTables t;
    ASSERT_TRUE(BuildTables(t, B, x, y, s, sp, bilinear));
    const ptrdiff_t right = c.sw > 1 && !keepX ? B : 0, down = c.sh > 1 && !keepY ? sp : 0;
    if (bilinear) {
        if (!fast || !FastBilinearRows<B>(d, dp, t, c.dw, c.dh, right, down, rule))
            BilinearRows<B>(d, dp, t, c.dw, c.dh, right, down, rule);
    } else if (!fast || !FastBoxRows<B>(d, dp, t, c.dw, c.dh, right, down, rule)) {
        BoxRows<B>(d, dp, t, c.dw, c.dh, right, down, rule);
    }
}

// Per case one shape, one rule and separate or shared pixels, all drawn at random.
template <int B>
void EveryShape(uint32_t seed)
{
    ForEachTwin(seed, [](Twin& t) {
        const int w = t.w;
        const Scene scenes[] = {{Path::Unscaled, w, 3, w, 3},       {Path::Bilinear, w / 2 + 1, 3, w, 5},
                                {Path::Bilinear, 1, 1, w, 2},        {Path::Bilinear, w * 2 / 3 + 1, 4, w + 1, 5},
                                {Path::Box, w * 2, 6, w, 3},         {Path::Box, w * 3 + 1, 3, w, 2},
                                {Path::Box, w + 1 + w / 3, 2, w, 1}, {Path::Box, w, 4, w, 2},
                                {Path::Box, w * 2, 3, w, 3}};
        const Scene c = scenes[w ? t.rng() % 9 : 0];
        const uint32_t rule = t.rng() % 5, a = t.rng() & 255, b = t.rng() & 255;
        // Shared pixels: the destination starts inside the source, a few rows down.
        const bool shared = t.rng() % 2;
        const ptrdiff_t sBytes = c.sw * B, dBytes = c.dw * B;
        auto draw = [&](bool fast, uint8_t* s, ptrdiff_t sp, uint8_t* d, ptrdiff_t dp) {
            if (shared)
                s = d, sp = dp, d += (c.sh / 2) * dp + 2;
            auto with = [&](auto r) { Draw<B>(c, fast, d, dp, s, sp, r); };
            switch (rule) {
            case 0: return with(AddSat{});
            case 1: return with(Copy{});
            case 2: return with(LinComb{a, b});
            case 3: return with(PaintBrush{});
            default: return with(AirBrush{a});
            }
        };
        SCOPED_TRACE(testing::Message() << "path " << int(c.path) << " " << c.sw << "x" << c.sh << ">" << c.dw << "x"
                                        << c.dh << " rule " << rule << (shared ? " shared" : ""));
        if (shared)
            t.Run(0, 0, std::max(sBytes, dBytes + 2), c.sh + c.dh, draw);
        else
            t.Run(sBytes, c.sh, dBytes, c.dh, draw);
    });
}

TEST(FastRowsTest, EveryRuleAndPathMatchesThePlainRows)
{
    EveryShape<1>(21);
    EveryShape<3>(22);
    EveryShape<4>(23);
}

// Long rows and rectangles clear of each other go to the vector twins at every vector level.
TEST(FastRowsTest, TwinsTakeLongRows)
{
    std::vector<uint8_t> s(4 * 600 * 4), d(s.size());
    ResampleTables t;
    ASSERT_TRUE(BuildTables(t, 4, {0, 300, 299 * 65536 / 300}, {0, 2, 0}, s.data(), 4 * 600, true));
    for (int l = 1; l <= int(DetectedCpuLevel()); ++l, CapCpuLevel(CpuLevel::Avx2)) {
        CapCpuLevel(CpuLevel(l));
        EXPECT_TRUE(FastUnscaledRows<4>(d.data(), 4 * 600, s.data(), 4 * 600, 600, 4, Copy{}));
        EXPECT_TRUE(FastBilinearRows<4>(d.data(), 4 * 600, t, 300, 2, 4, 4 * 600, Copy{})) << LevelName(CpuLevel(l));
        EXPECT_TRUE(FastBoxRows<4>(d.data(), 4 * 600, t, 300, 2, 4, 4 * 600, Copy{})) << LevelName(CpuLevel(l));
    }
}

}  // namespace
