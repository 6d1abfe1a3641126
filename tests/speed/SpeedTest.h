// Shared by the fast-path tests: the processor levels to run, random bytes and guarded rows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "CpuLevel.h"

// Every level this machine has, lowest first.
inline std::vector<CpuLevel> Levels()
{
    std::vector<CpuLevel> levels;
    for (int l = 0; l <= int(DetectedCpuLevel()); ++l)
        levels.push_back(CpuLevel(l));
    return levels;
}

inline const char* LevelName(CpuLevel l)
{
    static const char* names[] = {"plain", "sse2", "ssse3", "avx2"};
    return names[int(l)];
}

// Caps the level for one scope and restores the full level afterwards.
struct LevelScope {
    explicit LevelScope(CpuLevel l) { CapCpuLevel(l); }
    ~LevelScope() { CapCpuLevel(CpuLevel::Avx2); }
};

// Bytes with kGuard random guard bytes before and after the part a test hands out.
struct Guarded {
    static const int kGuard = 40;
    Guarded(size_t n, std::mt19937& rng) : bytes(n + 2 * kGuard)
    {
        uint32_t x = uint32_t(rng()) | 1;
        for (auto& b : bytes) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            b = uint8_t(x >> 24);
        }
    }
    uint8_t* data() { return bytes.data() + kGuard; }
    std::vector<uint8_t> bytes;
};
