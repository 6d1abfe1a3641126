// The surface rows' vector twins (unscaled, box, bilinear) against the plain rows of Resample.h,
// for every rule, B = 1, 3, 4 and every processor level, on separate and shared pixels.
#include "FastRows.h"
#include "SpeedTest.h"

namespace {

// What one case draws with: its source rectangle in a buffer, its destination in another (or in
// the same one), both with pitches wider than the rows and guard bytes all around.
struct Scene {
    int B, sw, sh, dw, dh, off;
    bool shared;
};

enum class Path { Unscaled, Box, Bilinear };

template <int B, class Rule>
void Draw(Path path, bool fast, uint8_t* d, ptrdiff_t dp, const uint8_t* s, ptrdiff_t sp, const Scene& c,
          Rule rule)
{
    if (path == Path::Unscaled) {
        if (!fast || !FastCopyRows<B>(d, dp, s, sp, c.dw, c.dh, rule))
            CopyRows<B>(d, dp, s, sp, c.dw, c.dh, rule);
        return;
    }
    const bool bilinear = path == Path::Bilinear;
    ResampleAxis x{0, c.dw, (int64_t(c.sw - 1) * 65536) / c.dw}, y{0, c.dh, (int64_t(c.sh - 1) * 65536) / c.dh};
    ResampleTables t;
    ASSERT_TRUE(BuildTables(t, B, x, y, s, sp, bilinear));
    const ptrdiff_t right = c.sw > 1 ? B : 0, down = c.sh > 1 ? sp : 0;
    if (bilinear) {
        if (!fast || !FastBilinearRows<B>(d, dp, t, c.dw, c.dh, right, down, rule))
            BilinearRows<B>(d, dp, t, c.dw, c.dh, right, down, rule);
    } else if (!fast || !FastBoxRows<B>(d, dp, t, c.dw, c.dh, right, down, rule)) {
        BoxRows<B>(d, dp, t, c.dw, c.dh, right, down, rule);
    }
}

template <int B, class Rule>
void Compare(Path path, Scene c, Rule rule, std::mt19937& rng)
{
    // Unscaled rows are gapless half of the time, which the twin may treat as one long row.
    const bool gapless = path == Path::Unscaled && rng() % 2 == 0;
    if (gapless)
        c.off = 0;
    const ptrdiff_t sp = (c.off + c.sw) * B + (gapless ? 0 : 1 + ptrdiff_t(rng() % 24));
    const ptrdiff_t dp = c.dw * B + (gapless ? 0 : 1 + ptrdiff_t(rng() % 24));
    const size_t sBytes = size_t(c.sh * sp), dBytes = size_t(c.dh * std::max(sp, dp));
    Guarded fast(sBytes + dBytes, rng);
    Guarded plain = fast;
    auto run = [&](Guarded& g, bool f) {
        uint8_t* s = g.data() + c.off * B;
        // Shared pixels: the destination starts inside the source, a few rows down.
        uint8_t* d = c.shared ? g.data() + (c.sh / 2) * sp + 2 : g.data() + sBytes;
        Draw<B>(path, f, d, c.shared ? sp : dp, s, sp, c, rule);
    };
    run(fast, true);
    run(plain, false);
    ASSERT_EQ(fast.bytes, plain.bytes) << "path " << int(path) << " B=" << B << " " << c.sw << "x" << c.sh
                                       << ">" << c.dw << "x" << c.dh << " off=" << c.off
                                       << (c.shared ? " shared" : "");
}

template <class Rule>
void EveryShape(Rule rule, std::mt19937& rng)
{
    for (int w = 0; w <= 70; ++w)
        for (bool shared : {false, true}) {
            const int off = (w * 7) % 32;
            auto all = [&](auto b) {
                constexpr int B = decltype(b)::value;
                Compare<B>(Path::Unscaled, {B, w, 3, w, 3, off, shared}, rule, rng);
                if (w == 0)
                    return;
                Compare<B>(Path::Bilinear, {B, w / 2 + 1, 3, w, 5, off, shared}, rule, rng);
                Compare<B>(Path::Bilinear, {B, 1, 1, w, 2, 31 - off, shared}, rule, rng);
                Compare<B>(Path::Bilinear, {B, w * 2 / 3 + 1, 4, w + 1, 5, off, shared}, rule, rng);
                Compare<B>(Path::Box, {B, w * 2, 6, w, 3, off, shared}, rule, rng);
                Compare<B>(Path::Box, {B, w + 1 + w / 3, 2, w, 1, 31 - off, shared}, rule, rng);
            };
            all(std::integral_constant<int, 1>{});
            all(std::integral_constant<int, 3>{});
            all(std::integral_constant<int, 4>{});
        }
}

TEST(FastRowsTest, EveryRuleAndPathMatchesThePlainRows)
{
    for (CpuLevel level : Levels()) {
        LevelScope scope(level);
        SCOPED_TRACE(LevelName(level));
        std::mt19937 rng(21);
        EveryShape(AddSat{}, rng);
        EveryShape(Copy{}, rng);
        EveryShape(LinComb{uint32_t(rng() & 255), uint32_t(rng() & 255)}, rng);
        EveryShape(PaintBrush{}, rng);
        EveryShape(AirBrush{uint32_t(rng() & 255)}, rng);
    }
}

}  // namespace
