// The committed fuzz corpus, replayed in every build so that each past finding stays a regression
// test without clang or libFuzzer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/fuzz/Session.h"

namespace {

void Replay(const std::string& name, const std::vector<uint8_t>& data)
{
    NameSession(name.c_str());
    RunSession(data.data(), data.size());
    NameSession(nullptr);
}

TEST(FuzzReplayTest, CommittedCorpus)
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(QVGFX_FUZZ_CORPUS))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 20u) << "the corpus is missing from " << QVGFX_FUZZ_CORPUS;
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        Replay(path.filename().string(), {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    }
}

}  // namespace
