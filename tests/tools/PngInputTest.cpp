// PNG kinds that qvgfx expands on reading: palette, grey with alpha, transparency, 16-bit, 1-bit.
// The files are seeds of the PNG reader's fuzz corpus.
#include "Harness.h"

namespace {

struct ExpansionCase {
    const char* file;
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

void PrintTo(const ExpansionCase& c, std::ostream* os) { *os << c.file; }

class ExpansionTest : public ToolTest, public ::testing::WithParamInterface<ExpansionCase> {};

// A copy of nothing leaves the destination as it was read, so the output shows the expansion.
TEST_P(ExpansionTest, ReadsAsTheExpandedLayout)
{
    std::string in = std::string(QVGFX_PNG_CORPUS "/") + GetParam().file + ".png";
    RunOk({"blit", in, in, "out.png", "--rule", "copy", "--from", "0,0,0,0", "--quiet"});
    Image out = Load("out.png");
    EXPECT_EQ(out.layout, GetParam().layout);
    EXPECT_EQ(out.bytes, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ExpansionTest, ::testing::ValuesIn(kExpansions),
                         [](const ::testing::TestParamInfo<ExpansionCase>& info) { return std::string(info.param.file); });

}  // namespace
