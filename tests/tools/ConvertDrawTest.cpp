// convert and draw, end to end: the bytes in the output files against the rules worked out here.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "Harness.h"

namespace {

// ---- convert ----

struct ConvertCase {
    const char* from;  // "RGBA", "RGB" or "grey"
    const char* to;    // the --to LAYOUT
};

void PrintTo(const ConvertCase& c, std::ostream* os) { *os << c.from << " to " << c.to; }

class ConvertTest : public ToolTest, public ::testing::WithParamInterface<ConvertCase> {};

// Each output byte is the source byte of the channel the layout names there; a channel the source
// lacks (only A, from RGB) is 255. The mask layout gives 255 - v three times, then v.
Image ExpectedConversion(const Image& in, const std::string& to)
{
    std::string letters = to == "mask" ? "" : to;
    Image out = Blank(to == "mask" || to.size() == 4 ? "RGBA" : to.size() == 3 ? "RGB" : "grey",
                      in.width, in.height);
    for (int y = 0; y < in.height; ++y)
        for (int x = 0; x < in.width; ++x)
            for (int j = 0; j < out.B(); ++j) {
                if (to == "mask") {
                    uint8_t v = in.At(x, y, 0);
                    out.At(x, y, j) = uint8_t(j == 3 ? v : 255 - v);
                    continue;
                }
                std::size_t p = in.layout.find(letters[std::size_t(j)]);
                out.At(x, y, j) = p == std::string::npos ? 255 : in.At(x, y, int(p));
            }
    return out;
}

TEST_P(ConvertTest, OutputBytesFollowTheLayout)
{
    const ConvertCase& c = GetParam();
    Image in = Random(c.from, 5, 3, 7);
    Save(in, "in.png");
    RunOk({"convert", "in.png", "out.png", "--to", c.to});
    Image expected = ExpectedConversion(in, c.to);
    Image out = Load("out.png");
    EXPECT_EQ(out.layout, expected.layout);
    EXPECT_EQ(PngColorType("out.png"), expected.B() == 4 ? 6 : expected.B() == 3 ? 2 : 0);
    EXPECT_EQ(out.bytes, expected.bytes);
    EXPECT_EQ(Files(), (std::vector<std::string>{"in.png", "out.png"}));  // no temporary left
    std::ofstream("plain.txt") << "made as any new file";
    EXPECT_EQ(std::filesystem::status("out.png").permissions(), std::filesystem::status("plain.txt").permissions());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ConvertTest,
    ::testing::Values(ConvertCase{"RGBA", "BGRA"}, ConvertCase{"RGBA", "ARGB"}, ConvertCase{"RGBA", "RGBA"},
                      ConvertCase{"RGBA", "ABGR"}, ConvertCase{"RGBA", "RGB"}, ConvertCase{"RGBA", "BGR"},
                      ConvertCase{"RGBA", "GAR"}, ConvertCase{"RGBA", "G"}, ConvertCase{"RGBA", "A"},
                      ConvertCase{"RGB", "BGR"}, ConvertCase{"RGB", "GBR"}, ConvertCase{"RGB", "BRG"},
                      ConvertCase{"RGB", "RBG"}, ConvertCase{"RGB", "RGB"}, ConvertCase{"RGB", "RGBA"},
                      ConvertCase{"RGB", "ARGB"}, ConvertCase{"RGB", "BAGR"}, ConvertCase{"RGB", "B"},
                      ConvertCase{"grey", "mask"}),
    [](const ::testing::TestParamInfo<ConvertCase>& info) {
        return std::string(info.param.from) + "_to_" + info.param.to;
    });

// ---- draw ----

struct Color {
    uint8_t b[4];
};

// The test's own canvas: adds a colour to listed pixels with saturation, skipping those outside.
struct Expected {
    Image image;
    Color color{{255, 255, 255, 255}};

    void Pixel(int64_t x, int64_t y)
    {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height)
            return;
        for (int k = 0; k < 4; ++k)
            image.At(int(x), int(y), k) = uint8_t(std::min(255, image.At(int(x), int(y), k) + color.b[k]));
    }
    void Row(int64_t x1, int64_t y, int64_t x2)
    {
        for (int64_t x = std::max<int64_t>(x1, -1); x <= std::min<int64_t>(x2, image.width); ++x)
            Pixel(x, y);
    }
    void Rect(int64_t x, int64_t y, int64_t w, int64_t h)
    {
        for (int64_t j = std::max<int64_t>(y, -1); j < std::min<int64_t>(y + h, image.height); ++j)
            Row(x, j, x + w - 1);
    }
};

class DrawTest : public ToolTest {
protected:
    void Check(const Expected& e)
    {
        Image out = Load("out.png");
        EXPECT_EQ(PngColorType("out.png"), 6);
        ASSERT_EQ(out.width, e.image.width);
        ASSERT_EQ(out.height, e.image.height);
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x)
                for (int k = 0; k < 4; ++k)
                    ASSERT_EQ(out.At(x, y, k), e.image.At(x, y, k)) << "pixel " << x << "," << y << " byte " << k;
    }
};

TEST_F(DrawTest, FilledRectanglesAddWithSaturation)
{
    RunOk({"draw", "out.png", "--size", "8x6", "--canvas", "fill", "color:10,20,30,200", "rect:1,1,3,2",
           "rect:2,2,3,3", "color:0,0,0,0", "rect:0,0,8,6"});
    Expected e{Blank("RGBA", 8, 6)};
    e.color = {{10, 20, 30, 200}};
    e.Rect(1, 1, 3, 2);
    e.Rect(2, 2, 3, 3);
    Check(e);
}

TEST_F(DrawTest, OntoAnImageWithTheDefaultWhiteThenAColour)
{
    Image base = Random("RGBA", 7, 5, 3);
    Save(base, "in.png");
    RunOk({"draw", "out.png", "--onto", "in.png", "pixel:1,1", "color:1,0,100,0", "hline:0,3,6",
           "vline:5,0,4"});
    Expected e{base};
    e.Pixel(1, 1);
    e.color = {{1, 0, 100, 0}};
    e.Row(0, 3, 6);
    for (int y = 0; y <= 4; ++y)
        e.Pixel(5, y);
    Check(e);
}

TEST_F(DrawTest, OutlineRectangleCoversItsBorderOnce)
{
    RunOk({"draw", "out.png", "--size", "8x7", "color:9,8,7,6", "rect:1,1,5,4"});
    Expected e{Blank("RGBA", 8, 7)};
    e.color = {{9, 8, 7, 6}};
    for (int y = 1; y <= 4; ++y)
        for (int x = 1; x <= 5; ++x)
            if (x == 1 || x == 5 || y == 1 || y == 4)
                e.Pixel(x, y);
    Check(e);
}

// The outline circle of radius 2 plots each of its twelve pixels twice; radius 1 its four
// neighbours once; the disc of radius 3 covers each of its rows once.
TEST_F(DrawTest, CirclesAndDiscs)
{
    RunOk({"draw", "out.png", "--size", "16x9", "color:10,20,30,40", "circle:4,4,2", "circle:12,2,1"});
    Expected e{Blank("RGBA", 16, 9)};
    e.color = {{10, 20, 30, 40}};
    const int ring[12][2] = {{2, 0}, {-2, 0}, {0, 2}, {0, -2}, {1, 2}, {-1, 2}, {1, -2}, {-1, -2},
                             {2, 1}, {-2, 1}, {2, -1}, {-2, -1}};
    for (auto& p : ring) {
        e.Pixel(4 + p[0], 4 + p[1]);
        e.Pixel(4 + p[0], 4 + p[1]);
    }
    e.Pixel(13, 2), e.Pixel(11, 2), e.Pixel(12, 1), e.Pixel(12, 3);
    Check(e);

    RunOk({"draw", "out.png", "--size", "9x9", "--canvas", "fill", "color:5,5,5,5", "circle:4,4,3"});
    Expected d{Blank("RGBA", 9, 9)};
    d.color = {{5, 5, 5, 5}};
    const int halfWidth[7] = {1, 2, 3, 3, 3, 2, 1};
    for (int r = 0; r < 7; ++r)
        d.Row(4 - halfWidth[r], 1 + r, 4 + halfWidth[r]);
    Check(d);
}

TEST_F(DrawTest, TallEllipseOutlineAndFill)
{
    // Centre (4, 11), half-axes 2 and 10: half-width 2 for rows within 6 of the centre, 1 up to 9.
    RunOk({"draw", "out.png", "--size", "9x23", "--canvas", "fill", "color:7,7,7,7", "ellipse:4,11,2,10"});
    Expected fill{Blank("RGBA", 9, 23)};
    fill.color = {{7, 7, 7, 7}};
    for (int dy = -10; dy <= 10; ++dy) {
        int h = std::abs(dy) <= 6 ? 2 : std::abs(dy) <= 9 ? 1 : 0;
        fill.Row(4 - h, 11 + dy, 4 + h);
    }
    Check(fill);

    RunOk({"draw", "out.png", "--size", "9x23", "color:7,7,7,7", "ellipse:4,11,2,10"});
    Expected outline{Blank("RGBA", 9, 23)};
    outline.color = {{7, 7, 7, 7}};
    for (int sy : {-1, 1}) {
        for (int dy = 1; dy <= 6; ++dy)
            outline.Pixel(2, 11 + sy * dy), outline.Pixel(6, 11 + sy * dy);
        outline.Pixel(3, 11 + sy * 7), outline.Pixel(5, 11 + sy * 7);
        outline.Pixel(4, 11 + sy * 10);
    }
    outline.Pixel(2, 11), outline.Pixel(6, 11);
    Check(outline);
}

TEST_F(DrawTest, LinesPlotEachPositionOnceAndAPointTwice)
{
    RunOk({"draw", "out.png", "--size", "8x12", "--canvas", "fill", "color:3,6,9,12", "line:0,0,5,0",
           "line:0,1,3,11", "line:7,7,7,7"});
    Expected e{Blank("RGBA", 8, 12)};
    e.color = {{3, 6, 9, 12}};
    for (int x = 0; x <= 5; ++x)
        e.Pixel(x, 0);
    const int steep[11][2] = {{0, 0}, {3, 10}, {0, 1}, {1, 2}, {3, 9}, {2, 8}, {1, 3}, {1, 4}, {2, 7}, {2, 6}, {2, 5}};
    for (auto& p : steep)
        e.Pixel(p[0], p[1] + 1);
    e.Pixel(7, 7), e.Pixel(7, 7);
    Check(e);
}

TEST_F(DrawTest, ClipRectangleLimitsEveryShape)
{
    RunOk({"draw", "out.png", "--size", "10x10", "--canvas", "fill", "--clip", "2,3,7,8", "color:1,2,3,4",
           "hline:0,3,9", "vline:4,0,20", "rect:0,0,100,100", "pixel:1,3", "pixel:8,8"});
    Expected e{Blank("RGBA", 10, 10)};
    e.color = {{1, 2, 3, 4}};
    e.Row(2, 3, 7);
    for (int y = 3; y <= 8; ++y)
        e.Pixel(4, y);
    e.Rect(2, 3, 6, 6);
    Check(e);
}

TEST_F(DrawTest, ExtremeCoordinatesAreClippedAway)
{
    RunOk({"draw", "out.png", "--size", "6x4", "--canvas", "fill", "color:1,1,1,1",
           "pixel:-2147483648,2147483647", "hline:-2147483648,1,2147483647", "vline:2,-2147483648,2147483647",
           "rect:-2147483648,-2147483648,2147483647,2147483647", "rect:2147483647,2147483647,2147483647,1",
           "rect:-5,-5,2147483647,2147483647", "--clip", "-2147483648,-2147483648,2147483647,2147483647"});
    Expected e{Blank("RGBA", 6, 4)};
    e.color = {{1, 1, 1, 1}};
    e.Row(0, 1, 5);
    for (int y = 0; y < 4; ++y)
        e.Pixel(2, y);
    e.Rect(0, 0, 6, 4);
    Check(e);
}

}  // namespace
