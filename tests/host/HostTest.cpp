// The stand-in host must report what tests rely on: lock pairing, injected faults, clip bounds.
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

TEST_F(SurfaceTest, NthLockThrowsWithoutLocking)
{
    TestSurface a("R", 1, 1), b("R", 1, 1);
    LockLog log;
    CQVLockMonitor::ThrowOnLock(2);
    a.surface.Lock(false);
    EXPECT_THROW(b.surface.Lock(true), CQVLockError);
    EXPECT_FALSE(b.surface.IsLocked());
    b.surface.Lock(true);  // the fault fires once
    b.surface.Unlock(true);
    a.surface.Unlock(false);
    EXPECT_EQ(log.Describe({{&a.surface, "a"}, {&b.surface, "b"}}), "L0 a, L1 b, U1 b, U0 a");
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

TEST(AllocationTest, FailuresAreInjectedAfterSkips)
{
    CQVShareable::FailAllocations(1, 1);
    void* first = CQVShareable::operator new(8);
    void* second = CQVShareable::operator new(8);
    void* third = CQVShareable::operator new(8);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    CQVShareable::operator delete(first);
    CQVShareable::operator delete(third);
}

struct ClipCase {
    int32_t l, t, r, b;
    int32_t el, et, er, eb;
};

class ClipTest : public ::testing::TestWithParam<ClipCase> {};

// A canvas that draws nothing, to reach the host's own clip handling.
class BareCanvas : public CQVCanvas {
public:
    uint32_t GetClassID() override { return 0; }
};

TEST_P(ClipTest, SetClipStaysInsideTheDestination)
{
    const ClipCase& c = GetParam();
    TestSurface t("RGBA", 10, 8);
    BareCanvas canvas;
    canvas.SetDestination(&t.surface);
    EXPECT_EQ(canvas.GetClipRight(), 9);
    EXPECT_EQ(canvas.GetClipBottom(), 7);
    canvas.SetClip(c.l, c.t, c.r, c.b);
    EXPECT_EQ(canvas.GetClipLeft(), c.el);
    EXPECT_EQ(canvas.GetClipTop(), c.et);
    EXPECT_EQ(canvas.GetClipRight(), c.er);
    EXPECT_EQ(canvas.GetClipBottom(), c.eb);
}

INSTANTIATE_TEST_SUITE_P(Bounds, ClipTest,
                         ::testing::Values(ClipCase{2, 3, 7, 6, 2, 3, 7, 6},
                                           ClipCase{-5, -5, 50, 50, 0, 0, 9, 7},
                                           ClipCase{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 9, 7},
                                           ClipCase{6, 6, 2, 2, 6, 6, 2, 2}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

}  // namespace
