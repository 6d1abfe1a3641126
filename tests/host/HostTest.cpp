// The stand-in host must report what tests rely on: bits only while locked, unpaired unlocks,
// clip bounds. (Injected lock and allocation faults are relied on, and so checked, by the fault
// and factory tests.)
#include <string>

#include "TestHost.h"

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

TEST_F(SurfaceTest, WrappedSurfacesSharePixels)
{
    uint8_t memory[12] = {};
    CQVSurface a(Format("RGB"), 2, 2, 6, memory), b(Format("RGB"), 4, 1, 12, memory);
    EXPECT_EQ(a.GetByteSize(), 12u);
    EXPECT_EQ(b.GetByteSize(), 12u);
    EXPECT_EQ(a.GetMemory(), b.GetMemory());
    EXPECT_THROW(CQVSurface(Format("RGBA"), 2, 1, 7), std::invalid_argument);
    EXPECT_EQ(CQVSurface(Format("RGBA"), -5, 3, 0).GetByteSize(), 0u);
}

// A canvas that draws nothing, to reach the host's own clip handling.
class BareCanvas : public CQVCanvas {
public:
    uint32_t GetClassID() override { return 0; }
};

TEST(ClipTest, SetClipStaysInsideTheDestination)
{
    const int32_t cases[][8] = {{2, 3, 7, 6, 2, 3, 7, 6}, {-5, -5, 50, 50, 0, 0, 9, 7},
                                {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 9, 7}, {6, 6, 2, 2, 6, 6, 2, 2}};
    TestSurface t("RGBA", 10, 8);
    BareCanvas canvas;
    for (const auto& c : cases) {
        canvas.SetDestination(&t.surface);
        EXPECT_EQ(std::pair(canvas.GetClipRight(), canvas.GetClipBottom()), std::pair(9, 7));
        canvas.SetClip(c[0], c[1], c[2], c[3]);
        EXPECT_EQ((std::vector{canvas.GetClipLeft(), canvas.GetClipTop(), canvas.GetClipRight(), canvas.GetClipBottom()}),
                  (std::vector{c[4], c[5], c[6], c[7]}));
    }
}

}  // namespace
