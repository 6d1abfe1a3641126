// Bad input, end to end: one clear line on stderr, a non-zero status, no output file, no crash.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>

#include "tests/tools/Harness.h"

namespace {

struct BadCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;  // a part of the one line on stderr
};

// Inputs present in every case's directory: rgba.png (6x4), rgb.png (5x3), grey.png (4x4),
// text.png (not a PNG), short.png (a PNG cut off after its header).
const BadCase kBadCases[] = {
    // Missing, unreadable and damaged files; output that cannot be written; no module.
    {"MissingInput", {"convert", "none.png", "out.png", "--to", "BGRA"}, "cannot read none.png"},
    {"NotAPng", {"convert", "text.png", "out.png", "--to", "RGB"}, "text.png is not a PNG file"},
    {"DamagedPng", {"draw", "out.png", "--onto", "short.png", "pixel:0,0"}, "short.png is not a readable PNG"},
    {"ReadOnlyOutput", {"convert", "rgba.png", "locked.png", "--to", "BGRA"}, "cannot write locked.png: the file is read-only"},
    {"FullDevice", {"convert", "rgba.png", "full", "--to", "BGRA"}, "cannot write full: no space left on device"},
    {"MissingDirectory", {"convert", "rgba.png", "no/such/dir/out.png", "--to", "BGRA"}, "cannot write no/such/dir/out.png"},
    {"ModuleMissing", {"--module", "nothing.jwx", "convert", "rgba.png", "out.png", "--to", "BGRA"}, "cannot load module"},
    // Layouts and rules unknown, or not offered for the images at hand.
    {"UnknownLayout", {"convert", "rgba.png", "out.png", "--to", "RGBX"}, "unknown layout 'RGBX'"},
    {"ChannelMissing", {"convert", "rgb.png", "out.png", "--to", "A"}, "has no A channel"},
    {"MaskFromColour", {"convert", "rgb.png", "out.png", "--to", "mask"}, "made from grey (8) images only"},
    {"GreyToA", {"convert", "grey.png", "out.png", "--to", "A"}, "a grey (8) image converts only to the mask layout, not to A (8)"},
    {"RepeatedLetter", {"convert", "rgba.png", "out.png", "--to", "RGRB"}, "layout 'RGRB' names R twice"},
    {"UnknownRule", {"blit", "rgba.png", "rgba.png", "out.png", "--rule", "multiply"}, "unknown rule 'multiply'"},
    {"NoPaintbrushForRgba", {"blit", "rgba.png", "rgba.png", "o.png", "--rule=paintbrush"}, "no paintbrush canvas for RGBA"},
    {"SourceLayoutDiffers", {"blit", "rgb.png", "rgba.png", "out.png", "--rule", "copy"}, "the source is RGB (8/8/8)"},
    // Malformed numbers and numbers out of range.
    {"MalformedAt", {"blit", "rgba.png", "rgba.png", "out.png", "--rule", "copy", "--at", "1,x"}, "--at: 'x' is not"},
    {"OpacityRange", {"blit", "grey.png", "grey.png", "o.png", "--rule=airbrush", "--opacity=256"}, "--opacity: 256 is out of"},
    {"LineTooLong", {"draw", "out.png", "--size", "4x4", "line:0,0,268435456,0"}, "out of range (-268435455"},
    // Sizes that do not fit.
    {"ZeroSize", {"draw", "out.png", "--size", "0x4", "pixel:0,0"}, "0 is out of range (1 to 16384)"},
    {"TooManyPixels", {"draw", "out.png", "--size", "16384x16384", "pixel:0,0"}, "does not fit"},
    // Commands, options and OPs misused.
    {"UnknownOp", {"draw", "out.png", "--size", "4x4", "star:1,1,1"}, "unknown OP 'star:1,1,1'"},
    {"WeightsForCopy", {"blit", "rgb.png", "rgb.png", "o.png", "--rule=copy", "--weights=1,1"}, "--weights belongs to the lincomb"},
    {"OpacityForPaintbrush", {"scale", "grey.png", "grey.png", "out.png", "--rule=paintbrush", "--from", "0,0,1,1", "--to",
                              "0,0,2,2", "--opacity=9"}, "--opacity belongs to the airbrush rule only"},
    {"MissingTo", {"convert", "rgba.png", "out.png"}, "convert needs --to LAYOUT"},
    {"ValueMissingAtTheEnd", {"convert", "rgba.png", "out.png", "--to"}, "--to needs a value"},
    {"BothInputsStandard", {"blit", "-", "-", "out.png", "--rule", "copy"}, "cannot both be standard input"},
    {"CompressionRange", {"demo", "out.png", "--compression", "10"}, "--compression: 10 is out of range (0 to 9)"},
    {"OptionTwice", {"convert", "rgba.png", "out.png", "--to", "RGB", "--to", "BGR"}, "--to is given twice"},
    {"UnknownOption", {"convert", "rgba.png", "out.png", "--to", "RGB", "--fast"}, "unknown option '--fast'"},
    {"UnknownCommand", {"paint", "out.png"}, "unknown command 'paint'"},
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
        std::ofstream("locked.png") << "keep";
        std::filesystem::permissions("locked.png", std::filesystem::perms::owner_read);
        mknod("full", S_IFCHR | 0666, makedev(1, 7));  // a device that is always full, where permitted
    }
};

TEST_P(BadInputTest, OneMessageNonZeroStatusNoOutput)
{
    if (std::string(GetParam().name) == "FullDevice" && !std::filesystem::is_character_file("full"))
        GTEST_SKIP() << "no permission to make a device node";
    std::vector<std::string> before = Files();
    Outcome o = Run(GetParam().args);
    EXPECT_GT(o.status, 0);
    EXPECT_NE(o.errors.find(GetParam().message), std::string::npos) << o.errors;
    EXPECT_EQ(o.errors.find('\n'), o.errors.size() - 1) << "not one line: " << o.errors;
    EXPECT_EQ(o.output, "");
    EXPECT_EQ(Files(), before);  // no output, no temporary
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, ::testing::ValuesIn(kBadCases), ByName);

}  // namespace
