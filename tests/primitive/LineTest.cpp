// The double-step line: exact call sequences in both directions and properties of random lines.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <random>

#include "Reach.h"
#include "Recording.h"

namespace {

TEST(LineTest, ExactSequences)
{
    struct Case { int32_t x1, y1, x2, y2; std::vector<Call> calls; };
    const Case cases[] = {
        {0, 0, 5, 0, {P(0, 0), P(5, 0), P(1, 0), P(2, 0), P(4, 0), P(3, 0)}},
        {5, 0, 0, 0, {P(5, 0), P(0, 0), P(4, 0), P(3, 0), P(1, 0), P(2, 0)}},
        {0, 0, 7, 7, {P(0, 0), P(7, 7), P(1, 1), P(2, 2), P(6, 6), P(5, 5), P(3, 3), P(4, 4)}},
        {0, 0, 3, 10, {P(0, 0), P(3, 10), P(0, 1), P(1, 2), P(3, 9), P(2, 8), P(1, 3), P(1, 4), P(2, 7), P(2, 6), P(2, 5)}},
        {0, 0, 8, 1, {P(0, 0), P(8, 1), P(1, 0), P(2, 0), P(7, 1), P(6, 1), P(3, 0), P(4, 1), P(5, 1)}},
        {8, 1, 0, 0, {P(8, 1), P(0, 0), P(7, 1), P(6, 1), P(1, 0), P(2, 0), P(5, 1), P(4, 0), P(3, 0)}},
        {0, 0, 4, 2, {P(0, 0), P(4, 2), P(1, 1), P(2, 1), P(3, 2)}},  // pattern 3 on its boundary
        {3, 4, 3, 4, {P(3, 4), P(3, 4)}},
        {kReach, 0, 0, 0, {}},
        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, {}},
    };
    for (const Case& c : cases) {
        DrawCanvas d;
        FillCanvas f;
        d.DrawLine(c.x1, c.y1, c.x2, c.y2);
        f.DrawLine(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(d.calls, c.calls) << c.x1 << ',' << c.y1 << " to " << c.x2 << ',' << c.y2;
        EXPECT_EQ(f.calls, c.calls);
    }
}

// Each line of major extent M plots start and end first, then M + 1 distinct pixels in all, each
// once, one on every major position, each within half a pixel of the true line along the minor axis.
TEST(LineTest, RandomLinesPlotOnePixelPerMajorPosition)
{
    for (int n = 0; n < 3000; ++n) {
        std::mt19937 rng(n);
        int32_t span = n % 8 == 0 ? 300 : 40;
        std::uniform_int_distribution<int32_t> coord(-span, span);
        int32_t x1 = coord(rng), y1 = coord(rng), x2 = coord(rng), y2 = coord(rng);
        SCOPED_TRACE(::testing::Message() << "case " << n << ": " << x1 << ',' << y1 << " to " << x2 << ',' << y2);
        DrawCanvas d;
        d.DrawLine(x1, y1, x2, y2);
        int64_t dx = x2 - x1, dy = y2 - y1;
        bool xMajor = std::abs(dx) > std::abs(dy);
        int64_t M = xMajor ? std::abs(dx) : std::abs(dy);
        ASSERT_EQ(d.calls.size(), size_t(M == 0 ? 2 : M + 1));
        EXPECT_EQ(d.calls[0], P(x1, y1));
        EXPECT_EQ(d.calls[1], P(x2, y2));
        if (M == 0)
            continue;
        EXPECT_EQ(d.Pixels().size(), size_t(M + 1));
        std::set<int64_t> majors;
        for (const Call& c : d.calls) {
            int64_t u = xMajor ? c.a - x1 : c.b - y1, v = xMajor ? c.b - y1 : c.a - x1;
            int64_t du = xMajor ? dx : dy, dv = xMajor ? dy : dx;
            majors.insert(u);
            // v against the true minor offset u * dv / du, scaled by 2 * |du|.
            EXPECT_LE(std::abs(2 * (v * du - u * dv)), M) << c;
        }
        EXPECT_EQ(majors.size(), size_t(M + 1));
    }
}

}  // namespace
