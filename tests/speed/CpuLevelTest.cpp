// The level found for this processor. scripts/test-cpus runs the suite under emulated processors
// and names the level each one has in QVGFX_EXPECT_CPU_LEVEL: a detection that ignores the
// processor fails here, and code dispatched above the processor's level stops the emulator.
#include <cstdlib>
#include <string>

#include "SpeedTest.h"

TEST(CpuLevelTest, DetectedLevelIsTheProcessors)
{
    const char* expected = std::getenv("QVGFX_EXPECT_CPU_LEVEL");
    std::printf("detected level: %s\n", LevelName(DetectedCpuLevel()));
    if (expected == nullptr || *expected == '\0')
        GTEST_SKIP() << "QVGFX_EXPECT_CPU_LEVEL not set";
    EXPECT_EQ(std::string(LevelName(DetectedCpuLevel())), expected);
    EXPECT_EQ(ActiveCpuLevel(), DetectedCpuLevel());
}
