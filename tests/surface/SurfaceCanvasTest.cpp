// Blit's clipping, the locks of every path, and the calls that draw nothing.
#include <climits>
#include <functional>
#include <new>

#include "CanvasHarness.h"
#include "SurfaceCanvases.h"

namespace {

using ClipTest = HostTest;
using LockTest = HostTest;
using EdgeTest = HostTest;

struct ClipCase {
    const char* what;
    int32_t clip[4];                 // left, top, right, bottom; right < 0: the whole destination
    int32_t blit[6];                 // sx, sy, w, h, dx, dy
    int32_t sx, sy, w, h, dx, dy;    // what is drawn; w = 0: nothing, and nothing locked
};

const ClipCase kClipCases[] = {
    {"negative sx", {0, 0, -1, 0}, {-3, 0, 5, 2, 0, 0}, 0, 0, 2, 2, 3, 0},
    {"oversize w", {0, 0, -1, 0}, {2, 0, 100, 1, 0, 0}, 2, 0, 4, 1, 0, 0},
    {"clip left", {3, 0, 7, 5}, {0, 0, 4, 1, 1, 0}, 2, 0, 2, 1, 3, 0},
    {"clip right", {0, 0, 4, 5}, {0, 0, 6, 1, 2, 0}, 0, 0, 3, 1, 2, 0},
    {"clip top", {0, 2, 7, 5}, {0, 0, 2, 3, 0, 1}, 0, 1, 2, 2, 0, 2},
    {"clip bottom", {0, 0, 7, 3}, {0, 0, 2, 4, 0, 2}, 0, 0, 2, 2, 0, 2},
    {"right of clip", {0, 0, 3, 5}, {0, 0, 2, 2, 4, 0}, 0, 0, 0, 0, 0, 0},
    {"above clip", {0, 3, 7, 5}, {0, 0, 2, 2, 0, 0}, 0, 0, 0, 0, 0, 0},
    {"right of source", {0, 0, -1, 0}, {6, 0, 2, 2, 0, 0}, 0, 0, 0, 0, 0, 0},
    {"all maximal", {0, 0, -1, 0}, {0, 0, INT_MAX, INT_MAX, 0, 0}, 0, 0, 6, 4, 0, 0},
    {"extremes", {0, 0, -1, 0}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MAX}, 0, 0, 0, 0, 0, 0},
    {"far left", {0, 0, -1, 0}, {0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN}, 0, 0, 0, 0, 0, 0},
};

// On every canvas, the mask canvases' four-at-a-time loop included.
TEST_F(ClipTest, BlitDrawsTheClippedRectangleOnly)
{
    for (uint32_t id : kCanvasIds)
        for (const ClipCase& c : kClipCases) {
            SCOPED_TRACE(std::to_string(id) + " " + c.what);
            const size_t B = CodesOf(id).size();
            TestSurface src(CodesOf(id), 6, 4, 3), dst(CodesOf(id), 8, 6, 2);
            src.Fill(7);
            ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(id));
            Attach(canvas.get(), &dst.surface, &src.surface);
            if (c.clip[2] >= 0)
                canvas->SetClip(c.clip[0], c.clip[1], c.clip[2], c.clip[3]);
            LockLog log;
            canvas->Blit(c.blit[0], c.blit[1], c.blit[2], c.blit[3], c.blit[4], c.blit[5]);
            std::vector<uint8_t> want(dst.surface.GetByteSize(), 0);
            for (int32_t j = 0; j < c.h; ++j)
                for (size_t i = 0; i < c.w * B; ++i)
                    want[(c.dy + j) * dst.surface.GetPitch() + c.dx * B + i] = PlainRule(id, 0, src.Pixel(c.sx, c.sy + j)[i]);
            EXPECT_EQ(dst.Bytes(), want);
            EXPECT_EQ(log.Events().size(), c.w ? 4u : 0u);
        }
}

// Each drawing call on the 8/8/8/8 opaque canvas from a 6 x 4 source into an 8 x 6 destination.
const std::pair<const char*, std::function<void(CQVTransformationCanvas*)>> kCalls[] = {
    {"Blit", [](auto* c) { c->Blit(0, 0, 3, 3, 1, 1); }},
    {"unscaled", [](auto* c) { c->TransformBlit(0, 0, 3, 3, 1, 1, 3, 3); }},
    {"box", [](auto* c) { c->TransformBlit(0, 0, 6, 4, 1, 1, 3, 3); }},
    {"bilinear", [](auto* c) { c->TransformBlit(0, 0, 3, 3, 0, 0, 8, 2); }},
    {"one axis shrunk", [](auto* c) { c->TransformBlit(0, 0, 3, 4, 0, 0, 3, 2); }},
    {"dw = 0", [](auto* c) { c->TransformBlit(0, 0, 3, 3, 0, 0, 0, 3); }},
    {"sh = 0", [](auto* c) { c->TransformBlit(0, 0, 3, 0, 0, 0, 3, 3); }},
    {"source outside", [](auto* c) { c->TransformBlit(4, 0, 3, 3, 0, 0, 3, 3); }},
    {"destination outside", [](auto* c) { c->TransformBlit(0, 0, 3, 3, 8, 0, 3, 3); }},
};

TEST_F(LockTest, SourceThenDestinationAndBackOnEveryPathAlsoWhenLockThrows)
{
    for (const auto& [what, call] : kCalls) {
        SCOPED_TRACE(what);
        TestSurface src("RGBA", 6, 4), dst("RGBA", 8, 6);
        ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(127));
        Attach(canvas.get(), &dst.surface, &src.surface);
        const std::vector<std::pair<const CQVSurface*, std::string>> names = {
            {&src.surface, "src"}, {&dst.surface, "dst"}};
        LockLog log;
        call(canvas.get());
        EXPECT_EQ(log.Describe(names), "L0 src, L1 dst, U1 dst, U0 src");
        log.Clear();
        CQVLockMonitor::ThrowOnLock(2);
        EXPECT_THROW(call(canvas.get()), CQVLockError);
        EXPECT_EQ(log.Describe(names), "L0 src, U0 src");
        log.Clear();
        CQVLockMonitor::ThrowOnLock(1);
        EXPECT_THROW(call(canvas.get()), CQVLockError);
        EXPECT_EQ(log.Describe(names), "");
        // Without a source or a destination, every canvas draws nothing and locks nothing.
        for (uint32_t id : kCanvasIds) {
            ObjectPtr<CQVTransformationCanvas> other(Create<CQVTransformationCanvas>(id));
            Attach(other.get(), nullptr, &src.surface);
            call(other.get());
            Attach(other.get(), &dst.surface, nullptr);
            call(other.get());
        }
        EXPECT_EQ(log.Describe(names), "");
        EXPECT_EQ(dst.Bytes(), std::vector<uint8_t>(dst.surface.GetByteSize(), 0));
    }
}

TEST_F(EdgeTest, SourceSpansBeyond32768DrawNothing)
{
    TestSurface src("A", 32769, 2), dst("A", 4, 1);
    src.Fill(9);
    ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(11136));
    Attach(canvas.get(), &dst.surface, &src.surface);
    canvas->TransformBlit(0, 0, 32769, 2, 0, 0, 4, 1);
    EXPECT_EQ(dst.Bytes(), std::vector<uint8_t>(4, 0));
    canvas->TransformBlit(1, 0, 32768, 2, 0, 0, 4, 1);
    // Step 32767 / 4 columns: destination column 3 averages source columns 1 + 24575 and 1 + 24576.
    auto box = [&](int32_t c) { return (*src.Pixel(c, 0) + *src.Pixel(c + 1, 0) + *src.Pixel(c, 1) + *src.Pixel(c + 1, 1)) / 4; };
    EXPECT_EQ(*dst.Pixel(0, 0), box(1));
    EXPECT_EQ(*dst.Pixel(3, 0), box(24576));
}

// The module's tables come from new (std::nothrow); this test program can make that fail.
bool g_FailTables = false;
int g_TableRequests = 0;

// The box, bilinear and one-axis paths each ask for their table block once; refused, they draw nothing.
TEST_F(EdgeTest, TablesThatCannotBeAllocatedDrawNothing)
{
    TestSurface src("RGBA", 6, 4), dst("RGBA", 8, 6);
    src.Fill(4);
    Jwx_8_8_8_8OpaqueFillSurfaceCanvas canvas;
    Attach(&canvas, &dst.surface, &src.surface);
    g_FailTables = true;
    for (int i = 2; i < 5; ++i) {
        g_TableRequests = 0;
        kCalls[i].second(&canvas);
        EXPECT_EQ(g_TableRequests, 1) << kCalls[i].first;
    }
    g_FailTables = false;
    EXPECT_EQ(dst.Bytes(), std::vector<uint8_t>(dst.surface.GetByteSize(), 0));
}

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    ++g_TableRequests;
    if (g_FailTables)
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
