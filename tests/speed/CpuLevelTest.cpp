// The level found for this processor, and the levels below it. scripts/test-cpus runs the suite
// under emulated processors and names the level each one has in QVGFX_EXPECT_CPU_LEVEL: a
// detection that ignores the processor fails here, and code dispatched above the processor's
// level stops the emulator.
#include <cstdlib>
#include <string>

#include "canvases/mask/MaskCanvases.h"
#include "tests/speed/SpeedTest.h"
#include "tests/support/TestHost.h"

TEST(CpuLevelTest, DetectedLevelIsTheProcessors)
{
    const char* expected = std::getenv("QVGFX_EXPECT_CPU_LEVEL");
    std::printf("detected level: %s\n", LevelName(DetectedCpuLevel()));
    if (expected == nullptr || *expected == '\0')
        GTEST_SKIP() << "QVGFX_EXPECT_CPU_LEVEL not set";
    EXPECT_EQ(std::string(LevelName(DetectedCpuLevel())), expected);
    EXPECT_EQ(ActiveCpuLevel(), DetectedCpuLevel());
}

// Each level, capped in turn and the plain one included, blits 8-bit rows of every width from 1
// to 40 into the same bytes: the source's, one column in.
TEST(CpuLevelTest, EveryLevelBlitsTheSameBytes)
{
    for (int l = 0; l <= int(DetectedCpuLevel()); ++l, CapCpuLevel(CpuLevel::Avx512)) {
        CapCpuLevel(CpuLevel(l));
        ASSERT_EQ(ActiveCpuLevel(), CpuLevel(l));
        for (int32_t w = 1; w <= 40; ++w) {
            TestSurface s("A", w, 2, 3), d("A", w + 2, 2, 1);
            s.Fill(uint32_t(w)), d.Fill(99);
            std::vector<uint8_t> want = d.Bytes();
            for (int32_t y = 0; y < 2; ++y)
                std::copy_n(s.Pixel(0, y), w, want.begin() + y * d.surface.GetPitch() + 1);
            Jwx_8OpaqueFillSurfaceCanvas c;
            c.SetDestination(&d.surface), c.SetSource(&s.surface);
            c.Blit(0, 0, w, 2, 1, 0);
            ASSERT_EQ(d.Bytes(), want) << LevelName(CpuLevel(l)) << " width " << w;
        }
    }
}

// Calls stream from 1 MiB written on, and, where the processor gives a threshold (half an AMD
// last-level cache: a plausible size, read from the processor's cache leaves), only once the bytes
// read and written together reach it.
TEST(CpuLevelTest, StreamingStartsAtTheThresholds)
{
    const uint64_t detected = DetectedStreamBytes(), MiB = uint64_t(1) << 20;
    EXPECT_TRUE(detected == 0 || (detected >= MiB / 4 && detected <= 1024 * MiB)) << detected;
    struct Case { uint64_t threshold, written, read; bool streams; };
    for (auto [threshold, written, read, streams] : {Case{0, MiB, 0, true}, Case{0, MiB - 1, 64 * MiB, false},
                                                     Case{16 * MiB, 8 * MiB, 8 * MiB, true}, Case{16 * MiB, 8 * MiB, 8 * MiB - 1, false},
                                                     Case{16 * MiB, MiB, 15 * MiB, true}, Case{16 * MiB, MiB - 1, 64 * MiB, false}}) {
        SetStreamBytes(threshold);
        EXPECT_EQ(StreamsPastCaches(written, read), streams) << threshold << ": " << written << " + " << read;
    }
    SetStreamBytes(detected);
}

// Runs load in halves only on processors that give a second-level cache's size (a plausible one),
// and only from that many bytes on.
TEST(CpuLevelTest, HalvedLoadsStartAtTheSecondLevelCache)
{
    const uint64_t detected = DetectedHalvesBytes(), KiB = 1024;
    EXPECT_TRUE(detected == 0 || (detected >= 64 * KiB && detected <= 64 * KiB * KiB)) << detected;
    struct Case { uint64_t threshold, bytes; bool halves; };
    for (auto [threshold, bytes, halves] : {Case{0, 0, false}, Case{0, ~uint64_t(0), false}, Case{1, 1, true},
                                            Case{1024 * KiB, 1024 * KiB - 1, false}, Case{1024 * KiB, 1024 * KiB, true}}) {
        SetHalvesBytes(threshold);
        EXPECT_EQ(LoadsInHalves(bytes), halves) << threshold << ": " << bytes;
    }
    SetHalvesBytes(detected);
}
