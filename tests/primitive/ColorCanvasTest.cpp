// The two colour canvases through the loaded module: saturating adds, clipping, locks, extremes.
#include <array>
#include <climits>
#include <functional>

#include "tests/support/LoadedModule.h"
#include "tests/support/TestHost.h"

namespace {

using Draw = std::function<void(CQVPrimitiveCanvas&)>;

// A canvas of the loaded module on a 10 x 12 surface with padded rows, clip (2, 3)-(7, 8).
class ColorCanvasTest : public HostTest {
protected:
    CQVPrimitiveCanvas* Canvas(uint32_t id, uint32_t color)
    {
        auto c = CreateAs<CQVPrimitiveCanvas>(id);
        c->SetDestination(&m_Dst.surface);
        c->SetClip(2, 3, 7, 8);
        ColorRecord record = {0xdeadbeef, color};
        EXPECT_TRUE(c->SetColor(&record));
        return c;
    }
    // Runs draw on a canvas and checks that the colour was added once to each pixel of the boxes
    // (x0, y0, x1, y1; a pixel twice if two boxes hold it) and nowhere else, under `locks` locks.
    void Expect(uint32_t id, const Draw& draw, std::vector<std::array<int, 4>> boxes, size_t locks,
                uint32_t color = 0x04030201)
    {
        m_Dst.Fill(7);
        std::vector<uint8_t> want = m_Dst.Bytes();
        for (auto [x0, y0, x1, y1] : boxes)
            for (int y = y0; y <= y1; ++y)
                for (int i = 4 * x0; i < 4 * x1 + 4; ++i) {
                    uint8_t& b = want[y * m_Dst.surface.GetPitch() + i];
                    b = uint8_t(std::min(255u, b + (color >> (8 * (i % 4)) & 255)));
                }
        ObjectPtr<CQVPrimitiveCanvas> c(Canvas(id, color));
        LockLog log;
        draw(*c.get());
        EXPECT_EQ(m_Dst.Bytes(), want);
        EXPECT_EQ(log.Events().size(), 2 * locks);
        for (size_t i = 0; i < log.Events().size(); ++i)
            EXPECT_TRUE(log.Events()[i].write && log.Events()[i].unlock == (i % 2 == 1));
    }
    TestSurface m_Dst{"RGBA", 10, 12, 3};
};

// Bytes in memory order, the fourth like the others; colour 0 changes nothing.
TEST_F(ColorCanvasTest, AddsEachByteInMemoryOrderWithSaturation)
{
    const uint32_t cases[][3] = {{0, 0xfa1e140a, 0xfa1e140a}, {200, 0xfa1e140a, 0xffe6dcd2}, {200, 0x01016437, 0xc9c9ffff},
                                 {5, 0x01010101, 0x06060606}, {255, 0x00ff7f01, 0xffffffff}, {9, 0, 0x09090909}};
    for (uint32_t id : {124u, 125u})
        for (auto [before, color, after] : cases) {
            std::fill_n(m_Dst.Pixel(4, 5), 4, uint8_t(before));
            ObjectPtr<CQVPrimitiveCanvas>(Canvas(id, color))->DrawPixel(4, 5);
            uint8_t* p = m_Dst.Pixel(4, 5);
            EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24, after) << before << ' ' << color;
        }
}

TEST_F(ColorCanvasTest, WritersClipAndLockOnlyWhenSomethingIsLeft)
{
    struct Case { uint32_t id; Draw draw; std::vector<std::array<int, 4>> boxes; size_t locks; };
    const int32_t m = INT32_MIN, M = INT32_MAX;
    const Case cases[] = {
        {124, [](auto& c) { c.DrawPixel(2, 3), c.DrawPixel(7, 8); }, {{2, 3, 2, 3}, {7, 8, 7, 8}}, 2},
        {124, [=](auto& c) { c.DrawPixel(1, 3), c.DrawPixel(8, 8), c.DrawPixel(7, 9), c.DrawPixel(m, M); }, {}, 0},
        {125, [](auto& c) { c.DrawHorizontalLine(0, 3, 9), c.DrawHorizontalLine(7, 5, 9); }, {{2, 3, 7, 3}, {7, 5, 7, 5}}, 2},
        {125, [](auto& c) { c.DrawHorizontalLine(8, 5, 9), c.DrawHorizontalLine(5, 5, 4), c.DrawHorizontalLine(0, 9, 20); }, {}, 0},
        {124, [=](auto& c) { c.DrawHorizontalLine(m, 4, M); }, {{2, 4, 7, 4}}, 1},
        {124, [](auto& c) { c.DrawVerticalLine(4, 0, 20); }, {{4, 3, 4, 8}}, 1},
        {124, [](auto& c) { c.DrawVerticalLine(4, 8, 20), c.DrawVerticalLine(4, -5, 3); }, {{4, 8, 4, 8}, {4, 3, 4, 3}}, 2},
        {124, [](auto& c) { c.DrawVerticalLine(4, -5, 2), c.DrawVerticalLine(4, 9, 20), c.DrawVerticalLine(4, 6, 5); }, {}, 0},
        {125, [=](auto& c) { c.DrawVerticalLine(5, m, M); }, {{5, 3, 5, 8}}, 1},
        {125, [](auto& c) { c.DrawRectangle(0, 0, 100, 100); }, {{2, 3, 7, 8}}, 1},
        {125, [](auto& c) { c.DrawRectangle(1, 2, 2, 2), c.DrawRectangle(7, 8, 5, 5); }, {{2, 3, 2, 3}, {7, 8, 7, 8}}, 2},
        {125, [=](auto& c) { c.DrawRectangle(3, 4, 0, 3), c.DrawRectangle(3, 4, 3, -1), c.DrawRectangle(0, 0, 2, 9), c.DrawRectangle(m, m, M, M), c.DrawRectangle(M, M, M, M); }, {}, 0},
        {125, [=](auto& c) { c.DrawRectangle(-5, -5, M, M); }, {{2, 3, 7, 8}}, 1},
        // Each writer on each edge of the clip rectangle, then one pixel beyond it.
        {125, [](auto& c) { c.DrawHorizontalLine(-3, 8, 2), c.DrawHorizontalLine(7, 6, 7), c.DrawVerticalLine(2, 0, 20), c.DrawVerticalLine(7, 8, 9); },
         {{2, 8, 2, 8}, {7, 6, 7, 6}, {2, 3, 2, 8}, {7, 8, 7, 8}}, 4},
        {125, [](auto& c) { c.DrawRectangle(7, 0, 1, 4), c.DrawRectangle(0, 8, 3, 1); }, {{7, 3, 7, 3}, {2, 8, 2, 8}}, 2},
        {125, [](auto& c) {
             c.DrawPixel(2, 2), c.DrawHorizontalLine(0, 2, 9), c.DrawHorizontalLine(0, 8, 1), c.DrawVerticalLine(1, 0, 20), c.DrawVerticalLine(8, 0, 20);
             c.DrawRectangle(8, 3, 5, 5), c.DrawRectangle(2, 9, 5, 5), c.DrawRectangle(2, 0, 5, 3), c.DrawRectangle(-3, 4, 5, 1);
         }, {}, 0},
        // A column through the whole 32-bit range, and an ellipse that is one: the clipped column.
        {124, [](auto& c) { c.DrawEllipse(4, 1, 0, 1 << 29); }, {{4, 3, 4, 8}}, 1},
        // The draw canvas's outline and every shape go through the clipping writers, one lock each.
        {124, [=](auto& c) { c.DrawRectangle(0, 0, M, M), c.DrawRectangle(2, 3, M, M); }, {{2, 3, 7, 3}, {2, 4, 2, 8}}, 2},
        {124, [](auto& c) { c.DrawCircle(2, 3, 1); }, {{3, 3, 3, 3}, {2, 4, 2, 4}}, 2},
        {125, [](auto& c) { c.DrawCircle(4, 6, 1), c.DrawLine(0, 0, 9, 9); }, {{4, 5, 4, 5}, {3, 6, 5, 6}, {4, 7, 4, 7}, {3, 3, 3, 3}, {4, 4, 4, 4}, {5, 5, 5, 5}, {6, 6, 6, 6}, {7, 7, 7, 7}}, 8},
        {124, [=](auto& c) { c.DrawCircle(M, m, M), c.DrawEllipse(m, 0, M, M), c.DrawLine(m, m, M, M); }, {}, 0},
        {125, [=](auto& c) { c.DrawCircle(0, 0, m), c.DrawEllipse(5, 5, M, 1), c.DrawLine(5, 5, M, 5); }, {}, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        Expect(cases[i].id, cases[i].draw, cases[i].boxes, cases[i].locks);
    }
}

// The canvases write four bytes per pixel: on a destination of another layout, whose clip
// rectangle may lie within its own width, they draw nothing and lock nothing.
TEST_F(ColorCanvasTest, OtherLayoutsAreLeftAlone)
{
    for (uint32_t id : {124u, 125u})
        for (const char* codes : {"R", "RGB"}) {
            TestSurface d(codes, 5, 3);
            d.Fill(9);
            std::vector<uint8_t> before = d.Bytes();
            ObjectPtr<CQVPrimitiveCanvas> c(Canvas(id, 0x01010101));
            c->SetDestination(&d.surface);
            LockLog log;
            c->DrawPixel(4, 2), c->DrawHorizontalLine(0, 2, 4), c->DrawVerticalLine(4, 0, 2);
            c->DrawRectangle(0, 0, 5, 3), c->DrawCircle(2, 1, 2), c->DrawEllipse(2, 1, 2, 1), c->DrawLine(0, 0, 4, 2);
            EXPECT_EQ(d.Bytes(), before) << id << codes;
            EXPECT_TRUE(log.Events().empty());
        }
}

}  // namespace
