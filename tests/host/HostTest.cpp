// The stand-in host must report what tests rely on: bits only while locked, unpaired unlocks.
// (Its injected faults, clip bounds and shared pixels are relied on, and so checked, by the
// fault, factory and colour canvas tests and the fuzz sessions.)
#include <string>

#include "tests/support/TestHost.h"

namespace {

using SurfaceTest = HostTest;

TEST_F(SurfaceTest, BitsAreValidOnlyWhileLocked)
{
    TestSurface t("RGBA", 3, 2, 4);
    EXPECT_EQ(t.surface.GetByteSize(), 1u * 16 + 12);
    EXPECT_EQ(t.surface.GetBits(), nullptr);
    t.surface.Lock(false);
    t.surface.Lock(true);
    EXPECT_EQ(t.surface.GetBits(), t.surface.GetMemory());
    t.surface.Unlock(true);
    EXPECT_NE(t.surface.GetBits(), nullptr);
    t.surface.Unlock(false);
    EXPECT_EQ(t.surface.GetBits(), nullptr);
    EXPECT_EQ(t.surface.GetLockCount(true), 1u);
    EXPECT_EQ(t.surface.GetUnlockCount(false), 1u);
}

TEST(SurfaceFaultTest, UnpairedUnlockIsCountedPerFlag)
{
    TestSurface t("R", 1, 1);
    uint64_t before = CQVLockMonitor::UnpairedUnlocks();
    t.surface.Lock(false);
    t.surface.Unlock(true);  // wrong flag
    t.surface.Unlock(false);
    EXPECT_EQ(t.surface.GetUnpairedUnlocks(), 1u);
    EXPECT_EQ(CQVLockMonitor::UnpairedUnlocks(), before + 1);
    EXPECT_FALSE(t.surface.IsLocked());
}

}  // namespace
