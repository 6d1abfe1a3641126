// What a test needs to act as the host: formats by their letters, surfaces, lock watching.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/QVGFX.h"

// "RGBA" gives kind 2 with codes R, G, B, A; "RGB" kind 1; "R" kind 0. Any byte is a code.
CQVFormat Format(const std::string& codes);

// An owned surface with pitch = width * B + padding, pixels filled from a seed (0: zeros).
struct TestSurface {
    TestSurface(const std::string& codes, int32_t width, int32_t height, int32_t padding = 0);
    CQVSurface surface;
    uint8_t* Pixel(int32_t x, int32_t y);  // for filling and checking outside any lock
    std::vector<uint8_t> Bytes() const;
    void Fill(uint32_t seed);
};

// Records every Lock and Unlock while alive; checks on request that all locks were paired.
class LockLog {
public:
    LockLog();
    ~LockLog();
    const std::vector<CQVLockEvent>& Events() const { return m_Events; }
    // "L0 src, L1 dst, U1 dst, U0 src" style, with the given names for known surfaces.
    std::string Describe(const std::vector<std::pair<const CQVSurface*, std::string>>& names) const;
    void Clear() { m_Events.clear(); }

private:
    std::vector<CQVLockEvent> m_Events;
};

// Makes sure the module is loaded before a test counts allocations, and checks at the end of a
// test that nothing is left locked and no unlock was unpaired.
class HostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
