// Bad input, end to end: one clear line on stderr, a non-zero status, no output file, no crash.
#include <filesystem>
#include <fstream>

#include "Harness.h"

namespace {

struct BadCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;  // a part of the one line on stderr
};

// Inputs present in every case's directory: rgba.png (6x4), rgb.png (5x3), grey.png (4x4),
// text.png (not a PNG), short.png (a PNG cut off after its header), dir.png (a directory).
const BadCase kBadCases[] = {
    {"MissingInput", {"convert", "none.png", "out.png", "--to", "BGRA"}, "cannot read none.png"},
    {"UnreadableInput", {"blit", "dir.png", "rgba.png", "out.png", "--rule", "copy"}, "cannot read dir.png"},
    {"NotAPng", {"convert", "text.png", "out.png", "--to", "RGB"}, "text.png is not a PNG file"},
    {"DamagedPng", {"draw", "out.png", "--onto", "short.png", "pixel:0,0"}, "short.png is not a readable PNG"},
    {"UnknownLayout", {"convert", "rgba.png", "out.png", "--to", "RGBX"}, "unknown layout 'RGBX'"},
    {"RepeatedLetters", {"convert", "rgba.png", "out.png", "--to", "RRGB"}, "unknown layout 'RRGB'"},
    {"TwoLetters", {"convert", "rgba.png", "out.png", "--to", "RG"}, "unknown layout 'RG'"},
    {"ChannelMissing", {"convert", "rgb.png", "out.png", "--to", "A"}, "has no A channel"},
    {"GreyToColour", {"convert", "grey.png", "out.png", "--to", "RGBA"}, "converts only to the mask layout"},
    {"MaskFromColour", {"convert", "rgb.png", "out.png", "--to", "mask"}, "made from grey (8) images only"},
    {"MissingTo", {"convert", "rgba.png", "out.png"}, "convert needs --to LAYOUT"},
    {"UnknownRule", {"blit", "rgba.png", "rgba.png", "out.png", "--rule", "multiply"}, "unknown rule 'multiply'"},
    {"NoPaintbrushForRgba", {"blit", "rgba.png", "rgba.png", "out.png", "--rule", "paintbrush"},
     "no paintbrush canvas for RGBA (8/8/8/8)"},
    {"NoAddForRgb", {"scale", "rgb.png", "rgb.png", "out.png", "--rule", "add", "--from", "0,0,2,2", "--to", "0,0,4,4"},
     "no add canvas for RGB (8/8/8)"},
    {"NoLincombForGrey", {"blit", "grey.png", "grey.png", "out.png", "--rule", "lincomb"}, "no lincomb canvas for grey"},
    {"NoColourCanvasForRgb", {"draw", "out.png", "--onto", "rgb.png", "pixel:0,0"}, "no add draw colour canvas for RGB"},
    {"SourceLayoutDiffers", {"blit", "rgb.png", "rgba.png", "out.png", "--rule", "copy"}, "the source is RGB (8/8/8)"},
    {"WeightsForCopy", {"blit", "rgb.png", "rgb.png", "out.png", "--rule", "copy", "--weights", "1,1"},
     "--weights belongs to the lincomb rule only"},
    {"MalformedAt", {"blit", "rgba.png", "rgba.png", "out.png", "--rule", "copy", "--at", "1,x"}, "--at: 'x' is not"},
    {"ShortFrom", {"blit", "rgba.png", "rgba.png", "out.png", "--rule", "copy", "--from", "1,2,3"},
     "should be 4 comma-separated"},
    {"SpaceInList", {"blit", "rgba.png", "rgba.png", "out.png", "--rule", "copy", "--at", "1, 2"}, "' 2' is not"},
    {"PlusSign", {"blit", "rgba.png", "rgba.png", "out.png", "--rule", "copy", "--at", "+1,2"}, "'+1' is not"},
    {"HugeCoordinate", {"blit", "rgba.png", "rgba.png", "out.png", "--rule", "copy", "--at", "2147483648,0"},
     "out of range"},
    {"OpacityRange", {"blit", "grey.png", "grey.png", "out.png", "--rule", "airbrush", "--opacity", "256"},
     "--opacity: 256 is out of range"},
    {"WeightNotANumber", {"blit", "rgb.png", "rgb.png", "out.png", "--rule", "lincomb", "--weights", "0.5,nan"},
     "'nan' is not a decimal number"},
    {"OneWeight", {"blit", "rgb.png", "rgb.png", "out.png", "--rule", "lincomb", "--weights", "0.5"},
     "two comma-separated numbers"},
    {"WeightTooLarge", {"blit", "rgb.png", "rgb.png", "out.png", "--rule", "lincomb", "--weights", "1e9,1"},
     "not a decimal number"},
    {"ScaleWithoutTo", {"scale", "rgb.png", "rgb.png", "out.png", "--rule", "copy", "--from", "0,0,1,1"},
     "scale needs --from"},
    {"ColourByteRange", {"draw", "out.png", "--size", "4x4", "color:1,2,3,256"}, "out of range (0 to 255)"},
    {"UnknownOp", {"draw", "out.png", "--size", "4x4", "star:1,1,1"}, "unknown OP 'star:1,1,1'"},
    {"OpWithoutNumbers", {"draw", "out.png", "--size", "4x4", "circle"}, "needs its numbers"},
    {"OpShortList", {"draw", "out.png", "--size", "4x4", "line:1,2,3"}, "should be 4 comma-separated"},
    {"LineTooLong", {"draw", "out.png", "--size", "4x4", "line:0,0,268435456,0"}, "out of range (-268435455"},
    {"NoOps", {"draw", "out.png", "--size", "4x4"}, "at least one OP"},
    {"SizeAndOnto", {"draw", "out.png", "--size", "4x4", "--onto", "rgba.png", "pixel:0,0"}, "exactly one of"},
    {"ZeroSize", {"draw", "out.png", "--size", "0x4", "pixel:0,0"}, "0 is out of range"},
    {"SizeTooLarge", {"draw", "out.png", "--size", "16385x1", "pixel:0,0"}, "does not fit"},
    {"TooManyPixels", {"draw", "out.png", "--size", "16384x16384", "pixel:0,0"}, "does not fit"},
    {"SizeWithoutX", {"draw", "out.png", "--size", "44", "pixel:0,0"}, "should be WIDTHxHEIGHT"},
    {"UnknownCanvas", {"draw", "out.png", "--size", "4x4", "--canvas", "outline", "pixel:0,0"}, "neither draw nor fill"},
    {"UnknownOption", {"convert", "rgba.png", "out.png", "--to", "RGB", "--fast"}, "unknown option '--fast'"},
    {"OptionTwice", {"convert", "rgba.png", "out.png", "--to", "RGB", "--to", "BGR"}, "--to is given twice"},
    {"OptionWithoutValue", {"blit", "rgba.png", "rgba.png", "out.png", "--rule"}, "--rule needs a value"},
    {"UnknownCommand", {"paint", "out.png"}, "unknown command 'paint'"},
    {"MissingDirectory", {"convert", "rgba.png", "no/such/dir/out.png", "--to", "BGRA"}, "cannot write no/such/dir/out.png"},
    {"ModuleMissing", {"--module", "nothing.jwx", "convert", "rgba.png", "out.png", "--to", "BGRA"}, "cannot load module"},
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class BadInputTest : public ToolTest, public ::testing::WithParamInterface<BadCase> {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        Save(Random("RGBA", 6, 4, 1), "rgba.png");
        Save(Random("RGB", 5, 3, 2), "rgb.png");
        Save(Random("grey", 4, 4, 3), "grey.png");
        std::ofstream("text.png") << "hello, not an image\n";
        std::ifstream whole("rgba.png", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
        std::ofstream("short.png", std::ios::binary) << bytes.substr(0, 40);
        std::filesystem::create_directory("dir.png");
    }
};

TEST_P(BadInputTest, OneMessageNonZeroStatusNoOutput)
{
    std::vector<std::string> before = Files();
    Outcome o = Run(GetParam().args);
    EXPECT_GT(o.status, 0);
    EXPECT_NE(o.errors.find(GetParam().message), std::string::npos) << o.errors;
    EXPECT_EQ(o.errors.find('\n'), o.errors.size() - 1) << "not one line: " << o.errors;
    EXPECT_EQ(o.output, "");
    EXPECT_EQ(Files(), before);  // no output, no temporary
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, ::testing::ValuesIn(kBadCases),
                         [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

using ArgumentTest = ToolTest;

// Odd arguments in every position: each run ends with a status (no signal) and writes nothing.
TEST_F(ArgumentTest, NoCrashOnAnyArgument)
{
    Save(Random("RGBA", 3, 3, 5), "in.png");
    const std::vector<std::string> odd = {"", "-", "--", ":", ",", "x", "-1", "0x0", "color:", "line:,,,",
                                          "pixel:1,", "--to", "--rule", "--help=1", "\xff\xfe", "in.png",
                                          "99999999999999999999", "1e400", "-0", "mask"};
    const std::vector<std::string> commands = {"convert", "draw", "blit", "scale", "demo", "catalog"};
    std::vector<std::string> before = Files();
    for (std::size_t i = 0; i < odd.size(); i += 2) {
        const std::string& c = commands[i / 2 % commands.size()];
        Outcome o = Run({c, odd[i], odd[i + 1], "--at", odd[(i * 7 + 3) % odd.size()]});
        ASSERT_GE(o.status, 1) << c << " " << odd[i];
        ASSERT_EQ(Files(), before) << c << " " << odd[i];
    }
}

TEST_F(ArgumentTest, EveryCommandHasHelpWithExamples)
{
    for (const char* c : {"demo", "convert", "draw", "blit", "scale", "catalog"}) {
        Outcome o = Run({c, "--help"});
        EXPECT_EQ(o.status, 0) << c;
        EXPECT_NE(o.output.find(std::string("usage: qvgfx ") + c), std::string::npos) << c;
        EXPECT_NE(o.output.find("qvgfx " + std::string(c) + " "), o.output.find("usage")) << c;
        EXPECT_NE(o.output.find("example"), std::string::npos) << c;
    }
    Outcome top = Run({"--help"});
    EXPECT_EQ(top.status, 0);
    EXPECT_NE(top.output.find("16-bit"), std::string::npos);
    EXPECT_NE(top.output.find("palette"), std::string::npos);
}

TEST_F(ArgumentTest, CatalogStillListsEveryClass)
{
    Outcome o = Run({"catalog", "--json"});
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(std::count(o.output.begin(), o.output.end(), '{'), 16);
    EXPECT_NE(o.output.find("\"id\": 11138"), std::string::npos);
}

}  // namespace
