// convert and draw, end to end: the bytes in the output files against the rules worked out here.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "tests/tools/Harness.h"

namespace {

struct ConvertCase {
    const char* from;  // "RGBA", "RGB" or "grey"
    const char* to;    // the --to LAYOUT
};

void PrintTo(const ConvertCase& c, std::ostream* os) { *os << c.from << " to " << c.to; }

class ConvertTest : public ToolTest, public ::testing::WithParamInterface<ConvertCase> {};

// Each output byte is the source byte of the channel the layout names there; a channel the source
// lacks (only A, from RGB) is 255. The mask layout gives 255 - v three times, then v.
TEST_P(ConvertTest, OutputBytesFollowTheLayout)
{
    std::string to = GetParam().to;
    Image in = Random(GetParam().from, 5, 3, 7);
    Save(in, "in.png");
    RunOk({"convert", "in.png", "out.png", "--to", to});
    Image expected = Blank(to == "mask" || to.size() == 4 ? "RGBA" : to.size() == 3 ? "RGB" : "grey", 5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            for (int j = 0; j < expected.B(); ++j) {
                std::size_t p = in.layout.find(to[std::size_t(j)]);
                uint8_t v = to == "mask" ? in.At(x, y, 0) : p == std::string::npos ? 255 : in.At(x, y, int(p));
                expected.At(x, y, j) = uint8_t(to == "mask" && j < 3 ? 255 - v : v);
            }
    Image out = Load("out.png");
    EXPECT_EQ(out.layout, expected.layout);
    EXPECT_EQ(out.bytes, expected.bytes);
    EXPECT_EQ(Files(), (std::vector<std::string>{"in.png", "out.png"}));  // no temporary left
    std::ofstream("plain.txt") << "made as any new file";
    EXPECT_EQ(std::filesystem::status("out.png").permissions(), std::filesystem::status("plain.txt").permissions());
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ConvertTest,
    ::testing::Values(ConvertCase{"RGBA", "BGRA"}, ConvertCase{"RGBA", "ARGB"}, ConvertCase{"RGBA", "RGBA"},
                      ConvertCase{"RGBA", "BGR"}, ConvertCase{"RGBA", "GAR"}, ConvertCase{"RGBA", "A"},
                      ConvertCase{"RGB", "GBR"}, ConvertCase{"RGB", "BRG"}, ConvertCase{"RGB", "RGB"},
                      ConvertCase{"RGB", "BAGR"}, ConvertCase{"RGB", "B"}, ConvertCase{"grey", "mask"}),
    [](const ::testing::TestParamInfo<ConvertCase>& info) {
        return std::string(info.param.from) + "_to_" + info.param.to;
    });

// The test's own canvas: adds a colour to listed pixels with saturation, skipping those outside.
struct Expected {
    Image image;
    uint8_t color[4] = {255, 255, 255, 255};

    void Color(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) { color[0] = b0, color[1] = b1, color[2] = b2, color[3] = b3; }
    void Pixel(int64_t x, int64_t y)
    {
        if (x < 0 || y < 0 || x >= image.width || y >= image.height)
            return;
        for (int k = 0; k < 4; ++k)
            image.At(int(x), int(y), k) = uint8_t(std::min(255, image.At(int(x), int(y), k) + color[k]));
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

struct DrawCase {
    const char* name;
    int width, height;
    bool onto;  // onto a random image rather than --size
    std::vector<std::string> args;
    std::function<void(Expected&)> expect;
};

const DrawCase kDrawCases[] = {
    {"FilledRectanglesAddWithSaturation", 8, 6, false,
     {"--canvas", "fill", "color:10,20,30,200", "rect:1,1,3,2", "rect:2,2,3,3", "color:0,0,0,0", "rect:0,0,8,6"},
     [](Expected& e) { e.Color(10, 20, 30, 200), e.Rect(1, 1, 3, 2), e.Rect(2, 2, 3, 3); }},
    {"OntoAnImageWithTheDefaultWhiteThenAColour", 7, 5, true,
     {"pixel:1,1", "color:1,0,100,0", "hline:0,3,6", "vline:5,0,4"},
     [](Expected& e) { e.Pixel(1, 1), e.Color(1, 0, 100, 0), e.Row(0, 3, 6), e.Rect(5, 0, 1, 5); }},
    // The outline rectangle covers its border once, the circle of radius 1 its four neighbours, a
    // line of one point plots it twice.
    {"OutlineShapes", 16, 12, false,
     {"color:9,8,7,6", "rect:1,1,5,4", "circle:14,1,1", "line:0,7,5,7", "line:7,7,7,7", "line:9,4,12,7"},
     [](Expected& e) {
         e.Color(9, 8, 7, 6), e.Rect(1, 1, 5, 1), e.Rect(1, 4, 5, 1), e.Rect(1, 2, 1, 2), e.Rect(5, 2, 1, 2);
         e.Pixel(15, 1), e.Pixel(13, 1), e.Pixel(14, 0), e.Pixel(14, 2), e.Row(0, 7, 5), e.Pixel(7, 7), e.Pixel(7, 7);
         for (int i = 0; i < 4; ++i)
             e.Pixel(9 + i, 4 + i);
     }},
    {"ClipRectangleLimitsEveryShape", 10, 10, false,
     {"--canvas", "fill", "--clip", "2,3,7,8", "color:1,2,3,4", "hline:0,3,9", "vline:4,0,20", "rect:0,0,100,100",
      "pixel:1,3", "pixel:8,8"},
     [](Expected& e) { e.Color(1, 2, 3, 4), e.Row(2, 3, 7), e.Rect(4, 3, 1, 6), e.Rect(2, 3, 6, 6); }},
    {"ExtremeCoordinatesAreClippedAway", 6, 4, false,
     {"--canvas", "fill", "color:1,1,1,1", "pixel:-2147483648,2147483647", "hline:-2147483648,1,2147483647",
      "vline:2,-2147483648,2147483647", "rect:-2147483648,-2147483648,2147483647,2147483647",
      "rect:2147483647,2147483647,2147483647,1", "rect:-5,-5,2147483647,2147483647", "--clip",
      "-2147483648,-2147483648,2147483647,2147483647"},
     [](Expected& e) { e.Color(1, 1, 1, 1), e.Row(0, 1, 5), e.Rect(2, 0, 1, 4), e.Rect(0, 0, 6, 4); }},
};

void PrintTo(const DrawCase& c, std::ostream* os) { *os << c.name; }

class DrawTest : public ToolTest, public ::testing::WithParamInterface<DrawCase> {};

TEST_P(DrawTest, OutputIsTheShapesAddedWithSaturation)
{
    const DrawCase& c = GetParam();
    Expected e{c.onto ? Random("RGBA", c.width, c.height, 3) : Blank("RGBA", c.width, c.height)};
    std::vector<std::string> args = {"draw", "out.png", "--size", std::to_string(c.width) + "x" + std::to_string(c.height)};
    if (c.onto)
        Save(e.image, "in.png"), args[2] = "--onto", args[3] = "in.png";
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back("--quiet");  // shapes clipped away are noted
    RunOk(args);
    c.expect(e);
    Image out = Load("out.png");
    EXPECT_EQ(out.layout, "RGBA");
    EXPECT_EQ(out.width, c.width);
    EXPECT_EQ(out.bytes, e.image.bytes);
}

INSTANTIATE_TEST_SUITE_P(Ops, DrawTest, ::testing::ValuesIn(kDrawCases), ByName);

}  // namespace
