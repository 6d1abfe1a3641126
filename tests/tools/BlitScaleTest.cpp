// blit and scale, end to end: every rule on every layout it serves, against plain loops written
// here from the blend rules and the resampling mapping.
#include <algorithm>
#include <functional>

#include "Harness.h"

namespace {

// A blend rule: the new destination byte from the old one and a source value.
using Blend = std::function<uint8_t(uint32_t d, uint32_t v)>;

uint8_t Copy(uint32_t, uint32_t v) { return uint8_t(v); }
uint8_t Add(uint32_t d, uint32_t v) { return uint8_t(std::min<uint32_t>(255, d + v)); }
Blend LinComb(uint32_t a, uint32_t b)
{
    return [=](uint32_t d, uint32_t v) { return uint8_t(std::min<uint32_t>(255, (v * a + d * b) >> 8)); };
}
uint8_t PaintBrush(uint32_t d, uint32_t s) { return uint8_t(s + Div255((255 - s) * d)); }
Blend AirBrush(uint32_t o)
{
    return [=](uint32_t d, uint32_t s) { return uint8_t(d + Div255(Div255(s * o) * (255 - d))); };
}

// Blit: destination (dx + i, dy + j) takes source (sx + i, sy + j) where both lie inside their
// images and the destination pixel lies inside the clip rectangle.
Image Blitted(const Image& src, Image dst, int sx, int sy, int w, int h, int dx, int dy, const Blend& rule,
              int l = 0, int t = 0, int r = 1 << 30, int b = 1 << 30)
{
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            int x = dx + i, y = dy + j, u = sx + i, v = sy + j;
            if (u < 0 || v < 0 || u >= src.width || v >= src.height || x < std::max(l, 0) ||
                y < std::max(t, 0) || x > std::min(r, dst.width - 1) || y > std::min(b, dst.height - 1))
                continue;
            for (int k = 0; k < dst.B(); ++k)
                dst.At(x, y, k) = rule(dst.At(x, y, k), src.At(u, v, k));
        }
    return dst;
}

// TransformBlit: 16.16 steps of (size - 1) / destination size; enlarging interpolates between a
// pixel and its right and lower neighbours with 8-bit weights, reducing averages the 2 x 2 block.
Image Scaled(const Image& src, Image dst, int sx, int sy, int sw, int sh, int dx, int dy, int dw, int dh,
             const Blend& rule)
{
    bool bilinear = dw > sw || dh > sh;
    int stepX = (sw - 1) * 65536 / dw, stepY = (sh - 1) * 65536 / dh;
    for (int j = 0; j < dh; ++j)
        for (int i = 0; i < dw; ++i) {
            int px = i * stepX, py = j * stepY;
            int c = sx + (px >> 16), r = sy + (py >> 16);
            uint32_t fx = (uint32_t(px) >> 8) & 255, fy = (uint32_t(py) >> 8) & 255;
            for (int k = 0; k < dst.B(); ++k) {
                auto at = [&](int x, int y) { return uint32_t(src.At(std::min(x, src.width - 1), std::min(y, src.height - 1), k)); };
                uint32_t value;
                if (bilinear)
                    value = ((at(c, r) * (255 - fx) + at(c + 1, r) * fx) * (255 - fy) +
                             (at(c, r + 1) * (255 - fx) + at(c + 1, r + 1) * fx) * fy) >> 16;
                else
                    value = (at(c, r) + at(c + 1, r) + at(c, r + 1) + at(c + 1, r + 1)) >> 2;
                uint8_t& d = dst.At(dx + i, dy + j, k);
                d = rule(d, value);
            }
        }
    return dst;
}

struct RuleCase {
    const char* rule;
    const char* layout;
    std::vector<std::string> extra;  // --weights / --opacity
    Blend blend;
};

const RuleCase kRuleCases[] = {
    {"copy", "RGBA", {}, Copy},
    {"copy", "RGB", {}, Copy},
    {"copy", "grey", {}, Copy},
    {"add", "RGBA", {}, Add},
    {"lincomb", "RGB", {}, LinComb(127, 127)},
    {"lincomb", "RGB", {"--weights", "1.0,0.25"}, LinComb(255, 63)},
    {"lincomb", "RGB", {"--weights", "1.5,-0.1"}, LinComb(126, 231)},
    {"paintbrush", "grey", {}, PaintBrush},
    {"airbrush", "grey", {}, AirBrush(255)},
    {"airbrush", "grey", {"--opacity", "64"}, AirBrush(64)},
};

class RuleTest : public ToolTest, public ::testing::WithParamInterface<std::size_t> {
protected:
    const RuleCase& Case() const { return kRuleCases[GetParam()]; }
    std::vector<std::string> With(std::vector<std::string> args) const
    {
        args.insert(args.end(), {"--rule", Case().rule});
        args.insert(args.end(), Case().extra.begin(), Case().extra.end());
        return args;
    }
    void Compare(const Image& expected)
    {
        Image out = Load("out.png");
        EXPECT_EQ(out.layout, expected.layout);
        EXPECT_EQ(out.bytes, expected.bytes);
    }
};

TEST_P(RuleTest, BlitWholeSourceAtAnOffset)
{
    Image src = Random(Case().layout, 4, 3, 11), dst = Random(Case().layout, 7, 6, 12);
    Save(src, "src.png"), Save(dst, "dst.png");
    RunOk(With({"blit", "src.png", "dst.png", "out.png", "--at", "2,1"}));
    Compare(Blitted(src, dst, 0, 0, 4, 3, 2, 1, Case().blend));
}

TEST_P(RuleTest, BlitClippedBySourceAndClipRectangle)
{
    Image src = Random(Case().layout, 5, 5, 21), dst = Random(Case().layout, 6, 6, 22);
    Save(src, "src.png"), Save(dst, "dst.png");
    RunOk(With({"blit", "src.png", "dst.png", "out.png", "--from", "-2,1,9,9", "--at", "0,-1", "--clip", "1,1,4,9"}));
    Compare(Blitted(src, dst, -2, 1, 9, 9, 0, -1, Case().blend, 1, 1, 4, 9));
}

TEST_P(RuleTest, BlitFromExtremeRectanglesDrawsNothing)
{
    Image src = Random(Case().layout, 3, 3, 31), dst = Random(Case().layout, 4, 4, 32);
    Save(src, "src.png"), Save(dst, "dst.png");
    RunOk(With({"blit", "src.png", "dst.png", "out.png", "--from", "-2147483648,-2147483648,2147483647,2147483647",
                "--at", "2147483647,2147483647"}));
    Compare(dst);
}

TEST_P(RuleTest, ScaleEnlargesBilinearly)
{
    Image src = Random(Case().layout, 5, 4, 41), dst = Random(Case().layout, 12, 11, 42);
    Save(src, "src.png"), Save(dst, "dst.png");
    RunOk(With({"scale", "src.png", "dst.png", "out.png", "--from", "1,1,3,3", "--to", "2,1,9,10"}));
    Compare(Scaled(src, dst, 1, 1, 3, 3, 2, 1, 9, 10, Case().blend));
}

TEST_P(RuleTest, ScaleReducesByBoxes)
{
    Image src = Random(Case().layout, 10, 9, 51), dst = Random(Case().layout, 6, 5, 52);
    Save(src, "src.png"), Save(dst, "dst.png");
    RunOk(With({"scale", "src.png", "dst.png", "out.png", "--from", "0,1,10,8", "--to", "1,0,4,3"}));
    Compare(Scaled(src, dst, 0, 1, 10, 8, 1, 0, 4, 3, Case().blend));
}

TEST_P(RuleTest, ScaleAtEqualSizeDrawsLikeBlit)
{
    Image src = Random(Case().layout, 4, 4, 61), dst = Random(Case().layout, 5, 5, 62);
    Save(src, "src.png"), Save(dst, "dst.png");
    RunOk(With({"scale", "src.png", "dst.png", "out.png", "--from", "1,0,3,4", "--to", "2,1,3,4"}));
    Compare(Blitted(src, dst, 1, 0, 3, 4, 2, 1, Case().blend));
}

INSTANTIATE_TEST_SUITE_P(Rules, RuleTest, ::testing::Range<std::size_t>(0, std::size(kRuleCases)),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             const RuleCase& c = kRuleCases[info.param];
                             return std::string(c.rule) + "_" + c.layout + "_" + std::to_string(info.param);
                         });

using ScaleValuesTest = ToolTest;

// Values worked out by hand: a row 0, 255 enlarged to four columns; all-255 enlarged to 253.
TEST_F(ScaleValuesTest, KnownEnlargements)
{
    Image row = Blank("grey", 2, 1);
    row.bytes = {0, 255};
    Save(row, "row.png"), Save(Blank("grey", 4, 1), "dst.png");
    RunOk({"scale", "row.png", "dst.png", "out.png", "--rule", "copy", "--from", "0,0,2,1", "--to", "0,0,4,1"});
    EXPECT_EQ(Load("out.png").bytes, (std::vector<uint8_t>{0, 63, 127, 190}));

    Save(Blank("grey", 2, 2, 255), "full.png"), Save(Blank("grey", 3, 3), "empty.png");
    RunOk({"scale", "full.png", "empty.png", "out.png", "--rule", "airbrush", "--opacity", "128", "--from",
           "0,0,2,2", "--to", "0,0,3,3"});
    EXPECT_EQ(Load("out.png").bytes, std::vector<uint8_t>(9, 127));
    Save(Blank("RGBA", 2, 2, 255), "full.png"), Save(Blank("RGBA", 3, 3, 1), "ones.png");
    RunOk({"scale", "full.png", "ones.png", "out.png", "--rule", "add", "--from", "0,0,2,2", "--to", "0,0,3,3"});
    EXPECT_EQ(Load("out.png").bytes, std::vector<uint8_t>(36, 254));
}

TEST_F(ScaleValuesTest, KnownMaskCombinations)
{
    Image s = Blank("grey", 4, 1), d = Blank("grey", 4, 1);
    s.bytes = {128, 100, 1, 0};
    d.bytes = {128, 50, 254, 200};
    Save(s, "s.png"), Save(d, "d.png");
    RunOk({"blit", "s.png", "d.png", "out.png", "--rule", "paintbrush"});
    EXPECT_EQ(Load("out.png").bytes, (std::vector<uint8_t>{192, 130, 254, 200}));
    s.bytes = {255, 128, 255, 100};
    d.bytes = {0, 0, 128, 50};
    Save(s, "s.png"), Save(d, "d.png");
    RunOk({"blit", "s.png", "d.png", "out.png", "--rule", "airbrush", "--opacity", "128"});
    EXPECT_EQ(Load("out.png").bytes, (std::vector<uint8_t>{128, 64, 192, 90}));
}

}  // namespace
