// Running the built qvgfx on files in a scratch directory, and small images as plain bytes read
// and written with libpng directly, independently of the tool's own PNG code.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

// An image as its bytes: layout "RGBA", "RGB" or "grey", rows without gaps.
struct Image {
    std::string layout;
    int width = 0, height = 0;
    std::vector<uint8_t> bytes;

    int B() const { return layout == "RGBA" ? 4 : layout == "RGB" ? 3 : 1; }
    uint8_t& At(int x, int y, int k) { return bytes[std::size_t((y * width + x) * B() + k)]; }
    uint8_t At(int x, int y, int k) const { return bytes[std::size_t((y * width + x) * B() + k)]; }
};

inline Image Blank(const std::string& layout, int width, int height)
{
    Image image{layout, width, height, {}};
    image.bytes.resize(std::size_t(width * height * image.B()));
    return image;
}

inline Image Random(const std::string& layout, int width, int height, uint32_t seed)
{
    Image image = Blank(layout, width, height);
    std::mt19937 random(seed);
    for (uint8_t& b : image.bytes)
        b = uint8_t(random());
    return image;
}

// Names each case of a parameterised test by its `name`.
inline constexpr auto ByName = [](const auto& info) { return std::string(info.param.name); };

// Rounded division by 255 as written in arithmetic: t / 255 rounded half up.
inline uint32_t Div255(uint32_t t) { return (2 * t + 255) / 510; }

struct Outcome {
    int status = -1;     // exit status; -1 when the program did not exit normally
    std::string errors;  // what it wrote to stderr
    std::string output;  // what it wrote to stdout
};

// Each test gets an empty scratch directory, the current one while it runs.
class ToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        m_Directory = std::filesystem::temp_directory_path() / ("qvgfx-e2e-" + std::to_string(getpid()) + "-" + name);
        std::filesystem::remove_all(m_Directory);
        std::filesystem::create_directories(m_Directory);
        m_Previous = std::filesystem::current_path();
        std::filesystem::current_path(m_Directory);
    }
    void TearDown() override
    {
        std::filesystem::current_path(m_Previous);
        if (!HasFailure())
            std::filesystem::remove_all(m_Directory);
    }

    // The shell execs the tool, so a signal shows as one (status -1), not as a shell's status.
    // `input` names a file for standard input (none by default).
    Outcome Run(const std::vector<std::string>& args, const std::string& input = "/dev/null")
    {
        std::string line = "exec " QVGFX_TOOL;
        for (const std::string& a : args) {
            line += " '";
            for (char c : a)
                line += c == '\'' ? std::string("'\\''") : std::string(1, c);
            line += "'";
        }
        int wait = std::system((line + " <" + input + " >stdout.txt 2>stderr.txt").c_str());
        return {WIFEXITED(wait) ? WEXITSTATUS(wait) : -1, Take("stderr.txt"), Take("stdout.txt")};
    }
    // Runs qvgfx and expects success, with nothing on stderr.
    void RunOk(const std::vector<std::string>& args)
    {
        Outcome o = Run(args);
        ASSERT_EQ(o.status, 0) << ::testing::PrintToString(args) << "\n" << o.errors;
        ASSERT_EQ(o.errors, "") << ::testing::PrintToString(args);
    }

    void Save(const Image& image, const std::string& name)
    {
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        png.width = png_uint_32(image.width), png.height = png_uint_32(image.height);
        png.format = image.B() == 4 ? PNG_FORMAT_RGBA : image.B() == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
        ASSERT_TRUE(png_image_write_to_file(&png, name.c_str(), 0, image.bytes.data(), 0, nullptr)) << png.message;
    }
    // Reads an 8-bit grey, RGB or RGBA PNG, failing the test on any other kind.
    Image Load(const std::string& name)
    {
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        bool read = png_image_begin_read_from_file(&png, name.c_str());
        Image image = Blank(png.format == PNG_FORMAT_RGBA ? "RGBA" : png.format == PNG_FORMAT_RGB ? "RGB" : "grey",
                            int(png.width), int(png.height));
        read = read && (image.B() > 1 || png.format == PNG_FORMAT_GRAY) &&
               png_image_finish_read(&png, nullptr, image.bytes.data(), 0, nullptr);
        png_image_free(&png);
        EXPECT_TRUE(read) << name << " is not an 8-bit grey, RGB or RGBA PNG: " << png.format << ", " << png.message;
        return read ? image : Image{};
    }
    // Sorted names in the scratch directory.
    std::vector<std::string> Files()
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator("."))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    static std::string Take(const char* path)
    {
        std::string text(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
        return std::filesystem::remove(path), text;
    }
    std::filesystem::path m_Previous, m_Directory;
};
