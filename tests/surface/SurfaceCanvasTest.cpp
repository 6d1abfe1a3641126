// The calls that draw nothing on every path, and tables that cannot be allocated. (Clipping is
// RandomTest's, the lock order of every path LockFaultTest's.)
#include <functional>
#include <new>

#include "tests/surface/CanvasHarness.h"
#include "canvases/surface/SurfaceCanvases.h"

namespace {

using EdgeTest = HostTest;

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

// Without a source or a destination, every canvas draws nothing and locks nothing.
TEST_F(EdgeTest, NothingIsLockedWithoutSourceOrDestination)
{
    TestSurface src("RGBA", 6, 4), dst("RGBA", 8, 6);
    LockLog log;
    for (const auto& [what, call] : kCalls)
        for (uint32_t id : kCanvasIds) {
            ObjectPtr<CQVTransformationCanvas> other(Create<CQVTransformationCanvas>(id));
            Attach(other.get(), nullptr, &src.surface);
            call(other.get());
            Attach(other.get(), &dst.surface, nullptr);
            call(other.get());
        }
    EXPECT_TRUE(log.Events().empty());
    EXPECT_EQ(dst.Bytes(), std::vector<uint8_t>(dst.surface.GetByteSize(), 0));
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

// Tables of more than the block the tables hold themselves come from the heap: the box, bilinear
// and one-axis paths each ask for theirs once, and refused, draw nothing. (2100 columns: their
// offsets alone outgrow the tables' own block, whatever the processor.) Smaller calls ask nothing.
TEST_F(EdgeTest, TablesThatCannotBeAllocatedDrawNothing)
{
    TestSurface src("RGBA", 4200, 4), dst("RGBA", 2100, 6);
    src.Fill(4);
    Jwx_8_8_8_8OpaqueFillSurfaceCanvas canvas;
    Attach(&canvas, &dst.surface, &src.surface);
    const std::pair<const char*, std::function<void()>> large[] = {
        {"box", [&] { canvas.TransformBlit(0, 0, 4200, 4, 0, 0, 2100, 2); }},
        {"bilinear", [&] { canvas.TransformBlit(0, 0, 1050, 3, 0, 0, 2100, 6); }},
        {"one axis shrunk", [&] { canvas.TransformBlit(0, 0, 2100, 4, 0, 0, 2100, 2); }},
    };
    const std::vector<uint8_t> none(dst.surface.GetByteSize(), 0);
    g_FailTables = true;
    for (const auto& [what, call] : large) {
        g_TableRequests = 0;
        call();
        EXPECT_EQ(g_TableRequests, 1) << what;
    }
    EXPECT_EQ(dst.Bytes(), none);
    for (int i = 2; i < 5; ++i) {
        g_TableRequests = 0;
        kCalls[i].second(&canvas);
        EXPECT_EQ(g_TableRequests, 0) << kCalls[i].first;
    }
    g_FailTables = false;
    EXPECT_NE(dst.Bytes(), none);
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
