// The two colour canvases through the loaded module: saturating adds, clipping, locks, extremes.
#include <climits>
#include <functional>

#include "LoadedModule.h"
#include "TestHost.h"

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
    // Runs draw on a canvas and checks that the colour was added once to each listed pixel and
    // nowhere else, under the given number of locks.
    void Expect(uint32_t id, uint32_t color, const Draw& draw, std::vector<std::pair<int, int>> pixels, size_t locks)
    {
        m_Dst.Fill(7);
        std::vector<uint8_t> want = m_Dst.Bytes();
        for (auto [x, y] : pixels)
            for (int k = 0; k < 4; ++k) {
                uint8_t& b = want[y * m_Dst.surface.GetPitch() + x * 4 + k];
                b = uint8_t(std::min(255, b + int(color >> (8 * k) & 255)));
            }
        ObjectPtr<CQVPrimitiveCanvas> c(Canvas(id, color));
        LockLog log;
        draw(*c.get());
        EXPECT_EQ(m_Dst.Bytes(), want);
        EXPECT_EQ(log.Events().size(), 2 * locks);
        for (size_t i = 0; i < log.Events().size(); ++i)
            EXPECT_TRUE(log.Events()[i].write && log.Events()[i].unlock == (i % 2 == 1));
    }
    static std::vector<std::pair<int, int>> Box(int x0, int y0, int x1, int y1)
    {
        std::vector<std::pair<int, int>> v;
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                v.push_back({x, y});
        return v;
    }
    TestSurface m_Dst{"RGBA", 10, 12, 3};
};

TEST_F(ColorCanvasTest, AddsEachByteInMemoryOrderWithSaturation)
{
    struct Case { uint8_t before; uint32_t color; uint32_t after; };
    const Case cases[] = {{0, 0xfa1e140a, 0xfa1e140a}, {200, 0xfa1e140a, 0xffe6dcd2}, {200, 0x01016437, 0xc9c9ffff},
                          {5, 0x01010101, 0x06060606}, {255, 0x00ff7f01, 0xffffffff}, {9, 0, 0x09090909}};
    for (uint32_t id : {124u, 125u})
        for (const Case& c : cases) {
            ObjectPtr<CQVPrimitiveCanvas> canvas(Canvas(id, c.color));
            std::fill_n(m_Dst.Pixel(4, 5), 4, c.before);
            canvas->DrawPixel(4, 5);
            uint8_t* p = m_Dst.Pixel(4, 5);
            EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24, c.after) << c.before << ' ' << c.color;
        }
}

TEST_F(ColorCanvasTest, WritersClipAndLockOnlyWhenSomethingIsLeft)
{
    using V = std::vector<std::pair<int, int>>;
    struct Case { uint32_t id; Draw draw; V pixels; size_t locks; };
    const Case cases[] = {
        {124, [](auto& c) { c.DrawPixel(2, 3); c.DrawPixel(7, 8); }, {{2, 3}, {7, 8}}, 2},
        {124, [](auto& c) { c.DrawPixel(1, 3); c.DrawPixel(8, 8); c.DrawPixel(7, 9); c.DrawPixel(INT32_MIN, INT32_MAX); }, {}, 0},
        {125, [](auto& c) { c.DrawHorizontalLine(0, 3, 9); }, Box(2, 3, 7, 3), 1},
        {125, [](auto& c) { c.DrawHorizontalLine(7, 5, 9); }, {{7, 5}}, 1},
        {125, [](auto& c) { c.DrawHorizontalLine(8, 5, 9); c.DrawHorizontalLine(5, 5, 4); c.DrawHorizontalLine(0, 9, 20); }, {}, 0},
        {124, [](auto& c) { c.DrawHorizontalLine(INT32_MIN, 4, INT32_MAX); }, Box(2, 4, 7, 4), 1},
        {124, [](auto& c) { c.DrawVerticalLine(4, 0, 20); }, Box(4, 3, 4, 8), 1},
        {124, [](auto& c) { c.DrawVerticalLine(4, 8, 20); c.DrawVerticalLine(4, -5, 3); }, {{4, 8}, {4, 3}}, 2},
        {124, [](auto& c) { c.DrawVerticalLine(4, -5, 2); c.DrawVerticalLine(4, 9, 20); c.DrawVerticalLine(4, 6, 5); }, {}, 0},
        {125, [](auto& c) { c.DrawVerticalLine(5, INT32_MIN, INT32_MAX); }, Box(5, 3, 5, 8), 1},
        {125, [](auto& c) { c.DrawRectangle(0, 0, 100, 100); }, Box(2, 3, 7, 8), 1},
        {125, [](auto& c) { c.DrawRectangle(1, 2, 2, 2); }, {{2, 3}}, 1},
        {125, [](auto& c) { c.DrawRectangle(7, 8, 5, 5); }, {{7, 8}}, 1},
        {125, [](auto& c) { c.DrawRectangle(3, 4, 0, 3); c.DrawRectangle(3, 4, 3, -1); c.DrawRectangle(0, 0, 2, 9); }, {}, 0},
        {125, [](auto& c) { c.DrawRectangle(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX); }, {}, 0},
        {125, [](auto& c) { c.DrawRectangle(-5, -5, INT32_MAX, INT32_MAX); }, Box(2, 3, 7, 8), 1},
        {125, [](auto& c) { c.DrawRectangle(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX); }, {}, 0},
        // The draw canvas's outline and every shape go through the clipping writers, one lock each.
        {124, [](auto& c) { c.DrawRectangle(0, 0, INT32_MAX, INT32_MAX); }, {}, 0},
        {124, [](auto& c) { c.DrawRectangle(2, 3, INT32_MAX, INT32_MAX); }, [] { V v = Box(2, 3, 7, 3); for (int y = 4; y <= 8; ++y) v.push_back({2, y}); return v; }(), 2},
        {124, [](auto& c) { c.DrawCircle(5, 5, 2); }, {{5, 3}, {5, 3}, {3, 5}, {3, 5}, {7, 5}, {7, 5}, {5, 7}, {5, 7}, {4, 3}, {6, 3}, {3, 4}, {7, 4}, {4, 7}, {6, 7}, {3, 6}, {7, 6}, {4, 3}, {6, 3}, {3, 4}, {7, 4}, {4, 7}, {6, 7}, {3, 6}, {7, 6}}, 24},
        {125, [](auto& c) { c.DrawCircle(4, 6, 1); c.DrawLine(0, 0, 9, 9); }, {{4, 5}, {3, 6}, {4, 6}, {5, 6}, {4, 7}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}}, 8},
        {124, [](auto& c) { c.DrawCircle(INT32_MAX, INT32_MIN, INT32_MAX); c.DrawEllipse(INT32_MIN, 0, INT32_MAX, INT32_MAX); c.DrawLine(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX); }, {}, 0},
        {125, [](auto& c) { c.DrawCircle(0, 0, INT32_MIN); c.DrawEllipse(5, 5, INT32_MAX, 1); c.DrawLine(5, 5, INT32_MAX, 5); }, {}, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        Expect(cases[i].id, 0x04030201, cases[i].draw, cases[i].pixels, cases[i].locks);
    }
}

TEST_F(ColorCanvasTest, ColourZeroChangesNothingButStillLocks)
{
    Expect(125, 0, [](auto& c) { c.DrawRectangle(0, 0, 9, 9); c.DrawPixel(2, 3); }, {}, 2);
    auto fresh = Create<CQVPrimitiveCanvas>(124);
    fresh->SetDestination(&m_Dst.surface);
    std::vector<uint8_t> before = m_Dst.Bytes();
    fresh->DrawCircle(5, 5, 4);
    EXPECT_EQ(m_Dst.Bytes(), before);
}

TEST_F(ColorCanvasTest, DrawingWithoutDestinationLocksNothing)
{
    for (uint32_t id : {124u, 125u}) {
        auto c = Create<CQVPrimitiveCanvas>(id);
        ColorRecord record = {0, 0xffffffff};
        c->SetColor(&record);
        LockLog log;
        c->DrawPixel(0, 0);
        c->DrawHorizontalLine(0, 0, 5);
        c->DrawVerticalLine(0, 0, 5);
        c->DrawRectangle(0, 0, 5, 5);
        c->DrawCircle(3, 3, 2);
        c->DrawEllipse(3, 3, 2, 1);
        c->DrawLine(0, 0, 4, 4);
        EXPECT_TRUE(log.Events().empty());
    }
}

}  // namespace
