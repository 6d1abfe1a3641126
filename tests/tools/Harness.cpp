#include "Harness.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Png.h"

namespace fs = std::filesystem;

namespace {

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}


}  // namespace

Image Blank(const std::string& layout, int width, int height, uint8_t value)
{
    Image image{layout, width, height, {}};
    image.bytes.assign(std::size_t(width * height * image.B()), value);
    return image;
}

Image Random(const std::string& layout, int width, int height, uint32_t seed)
{
    Image image = Blank(layout, width, height);
    std::mt19937 random(seed);
    for (uint8_t& b : image.bytes)
        b = uint8_t(random());
    return image;
}

void ToolTest::SetUp()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
        if (c == '/')
            c = '_';
    m_Directory = (fs::temp_directory_path() / ("qvgfx-e2e-" + std::to_string(getpid()) + "-" + name)).string();
    fs::remove_all(m_Directory);
    fs::create_directories(m_Directory);
    m_Previous = fs::current_path().string();
    fs::current_path(m_Directory);
}

void ToolTest::TearDown()
{
    fs::current_path(m_Previous);
    if (!HasFailure())
        fs::remove_all(m_Directory);
}

Outcome ToolTest::Run(const std::vector<std::string>& args)
{
    // Started directly, without a shell, with stdout and stderr going to files.
    std::vector<std::string> words = {QVGFX_TOOL};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, "stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = 0;
    int wait = 0;
    int failed = posix_spawn(&child, QVGFX_TOOL, &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    Outcome outcome;
    if (failed == 0 && waitpid(child, &wait, 0) == child && WIFEXITED(wait))
        outcome.status = WEXITSTATUS(wait);
    outcome.errors = ReadText("stderr.txt");
    outcome.output = ReadText("stdout.txt");
    fs::remove("stderr.txt");
    fs::remove("stdout.txt");
    return outcome;
}

void ToolTest::RunOk(const std::vector<std::string>& args)
{
    Outcome o = Run(args);
    std::string line;
    for (const std::string& a : args)
        line += " " + a;
    ASSERT_EQ(o.status, 0) << "qvgfx" << line << "\n" << o.errors;
    ASSERT_EQ(o.errors, "") << "qvgfx" << line;
}

void ToolTest::Save(const Image& image, const std::string& name)
{
    static const uint8_t kCodes[3][4] = {{kGreyCode}, {'R', 'G', 'B'}, {'R', 'G', 'B', 'A'}};
    uint8_t kind = uint8_t(image.B() == 4 ? 2 : image.B() == 3 ? 1 : 0);
    const uint8_t* c = kCodes[kind];
    std::unique_ptr<CQVSurface> s = MakeSurface(CQVFormat(kind, c[0], c[1], c[2], c[3]), image.width, image.height);
    std::memcpy(s->GetMemory(), image.bytes.data(), image.bytes.size());
    WritePng(*s, name);
}

Image ToolTest::Load(const std::string& name)
{
    std::unique_ptr<CQVSurface> s = ReadPng(name);
    static const char* const kLayouts[] = {"grey", "RGB", "RGBA"};
    Image image = Blank(kLayouts[s->GetFormat().m_Kind], s->GetWidth(), s->GetHeight());
    std::memcpy(image.bytes.data(), s->GetMemory(), image.bytes.size());
    return image;
}

bool ToolTest::Exists(const std::string& name) { return fs::exists(name); }

int ToolTest::PngColorType(const std::string& name)
{
    std::string data = ReadText(name);
    return data.size() > 25 ? uint8_t(data[25]) : -1;
}

std::vector<std::string> ToolTest::Files()
{
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator("."))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
