// The one driver of the fast-path tests: a vector twin and its plain loop on the same random bytes,
// at every processor level, widths 0 to 70, start offsets 0 to 31, pitches wider than the rows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "common/CpuLevel.h"

inline const char* LevelName(CpuLevel l)
{
    static const char* names[] = {"plain", "sse2", "ssse3", "avx2", "avx512"};
    return names[int(l)];
}

// For its lifetime, calls stream from 1 MiB written on whatever the processor's caches, so that
// the streaming loops run on every processor.
struct StreamFromOneMiB {
    StreamFromOneMiB() { SetStreamBytes(0); }
    ~StreamFromOneMiB() { SetStreamBytes(DetectedStreamBytes()); }
};

// For its lifetime, runs load their 64-byte vectors in two halves from `bytes` on (0: never), so
// that both kinds of loads run on every processor.
struct HalvesFrom {
    explicit HalvesFrom(uint64_t bytes) { SetHalvesBytes(bytes); }
    ~HalvesFrom() { SetHalvesBytes(DetectedHalvesBytes()); }
};

// One case: w pixels per row, the rows starting off bytes into their block.
struct Twin {
    int w, off;
    std::mt19937& rng;

    // draw(fast, s, sPitch, d, dPitch) on two copies of the same random bytes (255 one byte in
    // three): guard bytes, then dRows destination rows of dBytes, then sRows source rows of sBytes
    // ending where the allocation ends, so that reading past them is caught by the sanitizers.
    // Fast and plain must leave every byte, guards and gaps between rows included, the same.
    template <class Draw>
    void Run(ptrdiff_t sBytes, int sRows, ptrdiff_t dBytes, int dRows, Draw draw)
    {
        const ptrdiff_t gap = rng() % 4 ? 1 + ptrdiff_t(rng() % 24) : 0;  // gapless one time in four
        const ptrdiff_t sp = sBytes + gap, dp = dBytes + (gap ? 1 + ptrdiff_t(rng() % 24) : 0);
        const ptrdiff_t dAt = 40 + (off * 5 + 1) % 32, sAt = dAt + dRows * dp + 40 + off;
        std::vector<uint8_t> fast(size_t(sAt + (sRows ? (sRows - 1) * sp + sBytes : 0)));
        uint32_t x = uint32_t(rng()) | 1;  // xorshift: cheaper than the engine per byte
        for (auto& b : fast)
            x ^= x << 13, x ^= x >> 17, x ^= x << 5, b = uint8_t(x % 3 ? x >> 24 : 255);
        std::vector<uint8_t> plain = fast;
        draw(true, fast.data() + sAt, sp, fast.data() + dAt, dp);
        draw(false, plain.data() + sAt, sp, plain.data() + dAt, dp);
        ASSERT_EQ(fast, plain) << LevelName(ActiveCpuLevel()) << " w=" << w << " off=" << off << " pitches "
                               << sp << ", " << dp;
    }
};

// test(twin) for every level this machine has (lowest first, each capped in turn), w and off.
template <class Test>
void ForEachTwin(uint32_t seed, Test test)
{
    for (int l = 0; l <= int(DetectedCpuLevel()); ++l) {
        CapCpuLevel(CpuLevel(l));
        std::mt19937 rng(seed);
        for (int w = 0; w <= 70 && !::testing::Test::HasFatalFailure(); ++w)
            for (int off = 0; off < 32 && !::testing::Test::HasFatalFailure(); ++off) {
                Twin t{w, off, rng};
                test(t);
            }
    }
    CapCpuLevel(CpuLevel::Avx512);
}

// The fast twin's leading k of n units (checked), then the plain loop for the rest.
template <class Fast, class Plain>
void FastThenPlain(bool fast, Fast f, Plain plain, uint8_t* d, int DB, const uint8_t* s, int SB, int32_t n)
{
    const int32_t k = fast ? f(d, s, n) : 0;
    ASSERT_TRUE(k >= 0 && k <= n) << k << " of " << n;
    plain(d + k * DB, s + k * SB, n - k);
}
