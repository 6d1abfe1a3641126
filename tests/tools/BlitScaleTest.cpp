// blit and scale, end to end: every rule on every layout it serves, against plain loops written
// here from the blend rules and the resampling mapping; and the PNG kinds expanded on reading.
#include <algorithm>
#include <functional>

#include "tests/tools/Harness.h"

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
// images and the destination pixel lies inside the clip rectangle [l, r] x [t, b].
void Blitted(const Image& src, Image& dst, const int (&a)[8], const int (&clip)[4], const Blend& rule)
{
    int sx = a[0], sy = a[1], w = a[2], h = a[3], dx = a[4], dy = a[5];
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            int x = dx + i, y = dy + j, u = sx + i, v = sy + j;
            if (u < 0 || v < 0 || u >= src.width || v >= src.height || x < std::max(clip[0], 0) ||
                y < std::max(clip[1], 0) || x > std::min(clip[2], dst.width - 1) || y > std::min(clip[3], dst.height - 1))
                continue;
            for (int k = 0; k < dst.B(); ++k)
                dst.At(x, y, k) = rule(dst.At(x, y, k), src.At(u, v, k));
        }
}

// TransformBlit: 16.16 steps of (size - 1) / destination size; enlarging interpolates between a
// pixel and its right and lower neighbours with 8-bit weights, reducing averages the 2 x 2 block.
void Scaled(const Image& src, Image& dst, const int (&a)[8], const Blend& rule)
{
    int sx = a[0], sy = a[1], sw = a[2], sh = a[3], dx = a[4], dy = a[5], dw = a[6], dh = a[7];
    bool bilinear = dw > sw || dh > sh;
    int stepX = (sw - 1) * 65536 / dw, stepY = (sh - 1) * 65536 / dh;
    for (int j = 0; j < dh; ++j)
        for (int i = 0; i < dw; ++i) {
            int px = i * stepX, py = j * stepY, c = sx + (px >> 16), r = sy + (py >> 16);
            uint32_t fx = (uint32_t(px) >> 8) & 255, fy = (uint32_t(py) >> 8) & 255;
            for (int k = 0; k < dst.B(); ++k) {
                auto at = [&](int x, int y) { return uint32_t(src.At(std::min(x, src.width - 1), std::min(y, src.height - 1), k)); };
                uint32_t value = bilinear ? ((at(c, r) * (255 - fx) + at(c + 1, r) * fx) * (255 - fy) +
                                             (at(c, r + 1) * (255 - fx) + at(c + 1, r + 1) * fx) * fy) >> 16
                                          : (at(c, r) + at(c + 1, r) + at(c, r + 1) + at(c + 1, r + 1)) >> 2;
                uint8_t& d = dst.At(dx + i, dy + j, k);
                d = rule(d, value);
            }
        }
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
    {"lincomb", "RGB", {"--weights", "1.5,-0.1"}, LinComb(126, 231)},
    {"paintbrush", "grey", {}, PaintBrush},
    {"airbrush", "grey", {}, AirBrush(255)},
    {"airbrush", "grey", {"--opacity", "64"}, AirBrush(64)},
};

// One call: source and destination sizes, the tool's arguments, and the rectangles it passes on
// (Blit uses the first six numbers); `none` when nothing may change.
struct Move {
    const char* name;
    int sw, sh, dw, dh;
    std::vector<std::string> args;
    int a[8];
    int clip[4];
    bool none = false;
};

const Move kMoves[] = {
    {"BlitWholeSourceAtAnOffset", 4, 3, 7, 6, {"blit", "--at", "2,1"}, {0, 0, 4, 3, 2, 1}, {0, 0, 1 << 30, 1 << 30}},
    {"BlitClippedBySourceAndClip", 5, 5, 6, 6, {"blit", "--from", "-2,1,9,9", "--at", "0,-1", "--clip", "1,1,4,9"},
     {-2, 1, 9, 9, 0, -1}, {1, 1, 4, 9}},
    {"ScaleEnlargesBilinearly", 5, 4, 12, 11, {"scale", "--from", "1,1,3,3", "--to", "2,1,9,10"}, {1, 1, 3, 3, 2, 1, 9, 10}, {}},
    {"ScaleReducesByBoxes", 10, 9, 6, 5, {"scale", "--from", "0,1,10,8", "--to", "1,0,4,3"}, {0, 1, 10, 8, 1, 0, 4, 3}, {}},
    {"ScaleAtEqualSizeDrawsLikeBlit", 4, 4, 5, 5, {"scale", "--from", "1,0,3,4", "--to", "2,1,3,4"},
     {1, 0, 3, 4, 2, 1, 3, 4}, {0, 0, 1 << 30, 1 << 30}},
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.rule << " on " << c.layout; }

class RuleTest : public ToolTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(RuleTest, BlitAndScaleFollowTheRule)
{
    const RuleCase& c = GetParam();
    for (const Move& m : kMoves) {
        SCOPED_TRACE(m.name);
        Image src = Random(c.layout, m.sw, m.sh, 11), dst = Random(c.layout, m.dw, m.dh, 12);
        Save(src, "src.png"), Save(dst, "dst.png");
        std::vector<std::string> args = {m.args[0], "src.png", "dst.png", "out.png", "--rule", c.rule};
        args.insert(args.end(), m.args.begin() + 1, m.args.end());
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.push_back("--quiet");  // the moves that draw nothing are noted
        RunOk(args);
        if (!m.none && (m.args[0] == "blit" || m.a[2] == m.a[6]))
            Blitted(src, dst, m.a, m.clip, c.blend);
        else if (!m.none)
            Scaled(src, dst, m.a, c.blend);
        Image out = Load("out.png");
        EXPECT_EQ(out.layout, dst.layout);
        EXPECT_EQ(out.bytes, dst.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, RuleTest, ::testing::ValuesIn(kRuleCases),
                         [](const auto& info) { return info.param.rule + ("_" + std::to_string(info.index)); });

// PNG kinds that blit expands on reading: palette, grey with alpha, transparency, 16-bit, 1-bit.
// The files are seeds of the PNG reader's fuzz corpus.
struct ExpansionCase {
    const char* name;  // of the file in the corpus
    const char* layout;
    std::vector<uint8_t> bytes;
};

const ExpansionCase kExpansions[] = {
    {"palette", "RGB", {40, 50, 60, 10, 20, 30}},
    {"palette_trns", "RGBA", {0, 1, 2, 16, 3, 4, 5, 255, 6, 7, 8, 255}},
    {"greyalpha", "RGBA", {9, 9, 9, 99, 200, 200, 200, 1}},
    {"rgb16", "RGB", {0x12, 0x56, 0x9a}},
    {"grey1", "grey", {255, 0, 255, 0, 0, 255, 0, 255}},
};

void PrintTo(const ExpansionCase& c, std::ostream* os) { *os << c.name; }

class ExpansionTest : public ToolTest, public ::testing::WithParamInterface<ExpansionCase> {};

// A copy of nothing leaves the destination as it was read, so the output shows the expansion.
TEST_P(ExpansionTest, ReadsAsTheExpandedLayout)
{
    std::string in = std::string(QVGFX_PNG_CORPUS "/") + GetParam().name + ".png";
    RunOk({"blit", in, in, "out.png", "--rule", "copy", "--from", "0,0,0,0", "--quiet"});
    Image out = Load("out.png");
    EXPECT_EQ(out.layout, GetParam().layout);
    EXPECT_EQ(out.bytes, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ExpansionTest, ::testing::ValuesIn(kExpansions), ByName);

}  // namespace
