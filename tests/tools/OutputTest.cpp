// Where output goes and what succeeds with a remark, end to end: links, FIFOs, kept permissions,
// long names, standard streams, signals, the command-line conventions and the notes.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "tests/tools/Harness.h"

namespace {

namespace fs = std::filesystem;

class OutputTest : public ToolTest {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        Save(Random("RGBA", 6, 4, 1), "in.png");
    }
    // Converting to RGBA keeps every byte: the output must hold in.png's pixels.
    void ExpectCopyOfInput(const std::string& name) { EXPECT_EQ(Load(name).bytes, Load("in.png").bytes) << name; }
};

TEST_F(OutputTest, LinksAreFollowedAndKept)
{
    fs::create_directory("sub");
    std::ofstream("sub/old.png") << "old";
    fs::create_symlink("../sub/old.png", "sub/link.png");
    RunOk({"convert", "in.png", "sub/link.png", "--to", "RGBA"});
    EXPECT_TRUE(fs::is_symlink("sub/link.png"));  // a relative link, read from its own directory
    ExpectCopyOfInput("sub/old.png");
    EXPECT_EQ(std::distance(fs::directory_iterator("sub"), fs::directory_iterator()), 2);  // no temporary
}

TEST_F(OutputTest, FifoIsWrittenForItsReader)
{
    ASSERT_EQ(mkfifo("pipe", 0600), 0);
    std::string got;
    std::thread reader([&] { got.assign(std::istreambuf_iterator<char>(std::ifstream("pipe", std::ios::binary).rdbuf()), {}); });
    RunOk({"convert", "in.png", "pipe", "--to", "RGBA"});
    close(open("pipe", O_WRONLY | O_NONBLOCK));  // frees the reader should the tool never open the FIFO
    reader.join();
    std::ofstream("got.png", std::ios::binary) << got;
    ExpectCopyOfInput("got.png");
    EXPECT_TRUE(fs::is_fifo("pipe"));
}

TEST_F(OutputTest, ExistingFileKeepsItsPermissionsAndLongNamesWork)
{
    std::ofstream("private.png") << "old";
    fs::permissions("private.png", fs::perms::owner_read | fs::perms::owner_write);
    std::string longName = std::string(251, 'a') + ".png";
    for (const std::string& out : {std::string("private.png"), longName})
        RunOk({"convert", "in.png", out, "--to", "RGBA"});
    EXPECT_EQ(fs::status("private.png").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    ExpectCopyOfInput("private.png");
    ExpectCopyOfInput(longName);
    EXPECT_EQ(Files().size(), 3u);
}

TEST_F(OutputTest, InterruptedWriteLeavesNoTemporary)
{
    pid_t child = fork();
    if (child == 0) {
        _exit(execl(QVGFX_TOOL, QVGFX_TOOL, "draw", "big.png", "--size=16384x4096", "--compression=9", "pixel:0,0", nullptr));
    }
    for (int i = 0; i < 20000 && Files().size() == 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(Files().size(), 2u) << "the temporary never appeared";
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(Files(), std::vector<std::string>{"in.png"});
}

// Commands that succeed: what appears on stdout, or the output file; and the one note on stderr
// that says what was left undone, which --quiet silences.
struct SuccessCase {
    const char* name;
    std::vector<std::string> args;
    const char* output;  // a file that must exist afterwards, or a part of stdout
    const char* note;    // a part of the note; null when none is expected
};

const SuccessCase kSuccesses[] = {
    {"Version", {"--version"}, "QVGFX_Basics.jwx", nullptr},
    {"Help", {"--help"}, "16-bit channels keep their high byte", nullptr},
    {"HelpOfACommand", {"scale", "--to", "1", "--help"}, "examples:\n  qvgfx scale ", nullptr},
    {"ValueAfterEquals", {"convert", "in.png", "out.png", "--to=BGR"}, "out.png", nullptr},
    {"OptionsEndAtDoubleDash", {"convert", "--to", "BGR", "--", "in.png", "--out.png"}, "--out.png", nullptr},
    {"StandardStreams", {"blit", "in.png", "-", "-", "--rule", "add", "--compression=0"}, "IHDR", nullptr},
    {"ColourChunksKept", {"convert", QVGFX_PNG_CORPUS "/rgba8.png", "-", "--to", "BGRA"}, "gAMA", nullptr},
    {"OtherExtension", {"convert", "in.png", "out.jpg", "--to", "RGB"}, "out.jpg", "does not end in .png"},
    {"ScaleFromTooWide", {"scale", "in.png", "in.png", "o.png", "--rule", "copy", "--from", "0,0,7,4", "--to", "0,0,2,2"},
     "o.png", "--from 0,0,7,4 is not wholly inside the 6x4 source: nothing is drawn"},
    {"ScaleToNoSize", {"scale", "in.png", "in.png", "o.png", "--rule", "add", "--from", "0,0,2,2", "--to", "0,0,-3,2"},
     "o.png", "--to 0,0,-3,2 has a width or height below 1"},
    {"InvertedClip", {"draw", "out.png", "--size", "4x4", "--clip", "3,0,1,3", "pixel:2,2"}, "out.png", "--clip 3,0,1,3 is inverted"},
    {"ShapeOutside", {"draw", "out.png", "--size", "4x4", "line:5,5,9,1"}, "out.png", "line:5,5,9,1 draws nothing: it lies wholly outside"},
    {"EllipseTooLarge", {"draw", "out.png", "--size", "4x4", "ellipse:0,0,2000000,2000000"}, "out.png", "must stay at most 2^61"},
    {"NegativeRadiusFilled", {"draw", "o.png", "--size", "4x4", "--canvas=fill", "circle:1,1,-1"}, "o.png", "a radius is negative"},
    {"NegativeRadiusOutline", {"draw", "out.png", "--size", "4x4", "ellipse:1,1,-1,2"}, "out.png", "plots only the four points"},
    {"BlitClippedAway", {"blit", "in.png", "in.png", "o.png", "--rule", "copy", "--at", "2,0", "--clip", "0,0,1,3"}, "o.png",
     "the rectangle 0,0,6,4 of the 6x4 source, placed at 2,0, lies wholly outside"},
};

void PrintTo(const SuccessCase& c, std::ostream* os) { *os << c.name; }

class SuccessTest : public OutputTest, public ::testing::WithParamInterface<SuccessCase> {};

TEST_P(SuccessTest, SucceedsWithAtMostOneNote)
{
    const SuccessCase& c = GetParam();
    for (bool quiet : {false, true}) {
        std::vector<std::string> args = c.args;
        if (quiet)
            args.insert(args.begin(), "--quiet");
        Outcome o = Run(args, "in.png");
        EXPECT_EQ(o.status, 0) << o.errors;
        EXPECT_TRUE(fs::exists(c.output) || o.output.find(c.output) != std::string::npos) << c.output;
        std::string note = quiet || !c.note ? "" : "qvgfx " + c.args[0] + ": note: ";
        EXPECT_EQ(o.errors.substr(0, note.size()), note);
        EXPECT_NE(o.errors.find(quiet || !c.note ? "" : c.note), std::string::npos) << o.errors;
        EXPECT_EQ(std::count(o.errors.begin(), o.errors.end(), '\n'), note.empty() ? 0 : 1) << o.errors;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SuccessTest, ::testing::ValuesIn(kSuccesses), ByName);

}  // namespace
