// Running the built qvgfx on files in a scratch directory, and small images as plain bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// An image as its bytes: layout "RGBA", "RGB" or "grey", rows without gaps.
struct Image {
    std::string layout;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;

    int B() const { return layout == "RGBA" ? 4 : layout == "RGB" ? 3 : 1; }
    uint8_t& At(int x, int y, int k) { return bytes[std::size_t((y * width + x) * B() + k)]; }
    uint8_t At(int x, int y, int k) const { return bytes[std::size_t((y * width + x) * B() + k)]; }
};

Image Blank(const std::string& layout, int width, int height, uint8_t value = 0);
Image Random(const std::string& layout, int width, int height, uint32_t seed);

struct Outcome {
    int status = -1;      // exit status; -1 when the program did not exit normally
    std::string errors;   // what it wrote to stderr
    std::string output;   // what it wrote to stdout
};

// Each test gets an empty scratch directory, the current one while it runs.
class ToolTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs qvgfx with the arguments.
    Outcome Run(const std::vector<std::string>& args);
    // Runs qvgfx and expects success, with nothing on stderr.
    void RunOk(const std::vector<std::string>& args);

    void Save(const Image& image, const std::string& name);
    Image Load(const std::string& name);
    bool Exists(const std::string& name);
    // The colour type byte of a PNG file's header: 0 grey, 2 RGB, 6 RGBA.
    int PngColorType(const std::string& name);
    // Names of the files in the scratch directory.
    std::vector<std::string> Files();

private:
    std::string m_Previous;
    std::string m_Directory;
};

// Rounded division by 255 as written in arithmetic: t / 255 rounded half up.
inline uint32_t Div255(uint32_t t) { return (2 * t + 255) / 510; }
