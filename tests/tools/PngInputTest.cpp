// PNG kinds that qvgfx expands on reading: palette, grey with alpha, transparency, 16-bit, 1-bit.
#include <png.h>

#include <csetjmp>
#include <cstdio>

#include "Harness.h"

namespace {

struct RawPng {
    int width, height, colorType, bitDepth;
    std::vector<uint8_t> rows;  // packed rows as the file stores them
    std::vector<png_color> palette;
    std::vector<uint8_t> transparency;
};

void WriteRaw(const RawPng& raw, const char* path)
{
    FILE* f = std::fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    std::size_t stride = raw.rows.size() / std::size_t(raw.height);
    for (int y = 0; y < raw.height; ++y)
        rows.push_back(const_cast<uint8_t*>(raw.rows.data()) + std::size_t(y) * stride);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_IHDR(png, info, png_uint_32(raw.width), png_uint_32(raw.height), raw.bitDepth, raw.colorType,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (!raw.palette.empty())
            png_set_PLTE(png, info, raw.palette.data(), int(raw.palette.size()));
        if (!raw.transparency.empty())
            png_set_tRNS(png, info, raw.transparency.data(), int(raw.transparency.size()), nullptr);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, info);
    } else {
        ADD_FAILURE() << "libpng could not write " << path;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
}

struct ExpansionCase {
    const char* name;
    RawPng raw;
    const char* layout;
    std::vector<uint8_t> bytes;
};

const ExpansionCase kExpansions[] = {
    {"Palette", {2, 1, PNG_COLOR_TYPE_PALETTE, 8, {1, 0}, {{10, 20, 30}, {40, 50, 60}}, {}}, "RGB",
     {40, 50, 60, 10, 20, 30}},
    {"PaletteWithTransparency", {2, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1}, {{10, 20, 30}, {40, 50, 60}}, {7}},
     "RGBA", {10, 20, 30, 7, 40, 50, 60, 255}},
    {"GreyWithAlpha", {2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {9, 99, 200, 1}, {}, {}}, "RGBA",
     {9, 9, 9, 99, 200, 200, 200, 1}},
    {"Rgb16", {1, 1, PNG_COLOR_TYPE_RGB, 16, {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc}, {}, {}}, "RGB",
     {0x12, 0x56, 0x9a}},
    {"Grey1", {8, 1, PNG_COLOR_TYPE_GRAY, 1, {0xa5}, {}, {}}, "grey", {255, 0, 255, 0, 0, 255, 0, 255}},
};

void PrintTo(const ExpansionCase& c, std::ostream* os) { *os << c.name; }

class ExpansionTest : public ToolTest, public ::testing::WithParamInterface<ExpansionCase> {};

// A copy of nothing leaves the destination as it was read, so the output shows the expansion.
TEST_P(ExpansionTest, ReadsAsTheExpandedLayout)
{
    WriteRaw(GetParam().raw, "in.png");
    RunOk({"blit", "in.png", "in.png", "out.png", "--rule", "copy", "--from", "0,0,0,0", "--quiet"});
    Image out = Load("out.png");
    EXPECT_EQ(out.layout, GetParam().layout);
    EXPECT_EQ(out.bytes, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ExpansionTest, ::testing::ValuesIn(kExpansions),
                         [](const ::testing::TestParamInfo<ExpansionCase>& info) { return std::string(info.param.name); });

}  // namespace
