// Circles, discs, ellipses and rectangle outlines: the exact writing-primitive calls, recorded.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>
#include <string>

#include "Reach.h"
#include "Recording.h"

namespace {

const int32_t X = 100, Y = 200;

// Each shape's calls on the draw canvas (outline) and on the fill canvas (filled; empty: the same
// calls as the outline). Discs are checked on the fill canvas only, rectangle outlines on the draw
// canvas only (the fill canvas fills rectangles).
TEST(ShapeTest, ExactSequences)
{
    struct Case {
        std::string what;
        std::function<void(CQVPrimitiveCanvas&)> shape;
        std::vector<Call> outline, filled;
    };
    const int32_t M = INT32_MAX;
    const Case cases[] = {
        {"circle 0", [](auto& k) { k.DrawCircle(X, Y, 0); }, {P(X, Y)}, {P(X, Y)}},
        {"circle 1", [](auto& k) { k.DrawCircle(X, Y, 1); }, {P(X + 1, Y), P(X, Y - 1), P(X - 1, Y), P(X, Y + 1)},
         {P(X, Y - 1), H(X - 1, Y, X + 1), P(X, Y + 1)}},
        {"circle -3", [](auto& k) { k.DrawCircle(X, Y, -3); }, {P(X, Y + 3), P(X, Y + 3), P(X + 3, Y), P(X - 3, Y),
         P(X, Y - 3), P(X, Y - 3), P(X + 3, Y), P(X - 3, Y)}, {H(X + 3, Y, X - 3)}},
        {"disc 3", [](auto& k) { k.DrawCircle(X, Y, 3); }, {}, {H(X - 3, Y, X + 3), H(X - 3, Y - 1, X + 3),
         H(X - 3, Y + 1, X + 3), H(X - 1, Y - 3, X + 1), H(X - 1, Y + 3, X + 1), H(X - 2, Y - 2, X + 2),
         H(X - 2, Y + 2, X + 2)}},
        {"ellipse 0 5", [](auto& k) { k.DrawEllipse(X, Y, 0, 5); }, {V(X, Y - 5, Y + 5)}, {}},
        {"ellipse 0 0", [](auto& k) { k.DrawEllipse(X, Y, 0, 0); }, {V(X, Y, Y)}, {}},
        {"ellipse 0 -2", [](auto& k) { k.DrawEllipse(X, Y, 0, -2); }, {V(X, Y + 2, Y - 2)}, {}},
        {"ellipse 3 0", [](auto& k) { k.DrawEllipse(X, Y, 3, 0); }, {H(X - 3, Y, X + 3)}, {}},
        {"ellipse -3 4", [](auto& k) { k.DrawEllipse(X, Y, -3, 4); },
         {P(X - 3, Y), P(X + 3, Y), P(X, Y - 4), P(X, Y + 4)}, {H(X + 3, Y, X - 3)}},
        {"rectangle 5 4", [](auto& k) { k.DrawRectangle(10, 20, 5, 4); },
         {H(10, 20, 14), V(10, 21, 23), H(11, 23, 14), V(14, 21, 22)}, {}},
        {"rectangle 1 1", [](auto& k) { k.DrawRectangle(10, 20, 1, 1); }, {H(10, 20, 10), V(10, 21, 20)}, {}},
        {"rectangle 0 3", [](auto& k) { k.DrawRectangle(10, 20, 0, 3); }, {H(10, 20, 9), H(10, 22, 9)}, {}},
        {"rectangle 3 0", [](auto& k) { k.DrawRectangle(10, 20, 3, 0); }, {V(10, 20, 19), V(12, 20, 19)}, {}},
        {"rectangle -4 -4", [](auto& k) { k.DrawRectangle(10, 20, -4, -4); }, {}, {}},
        {"rectangle max", [=](auto& k) { k.DrawRectangle(0, 0, M, M); },
         {H(0, 0, M - 1), V(0, 1, M - 1), H(1, M - 1, M - 1), V(M - 1, 1, M - 2)}, {}},
        // Beyond 32 bits the ends saturate, and a reversed pair stays reversed.
        {"rectangle at max", [=](auto& k) { k.DrawRectangle(M, 0, 1, 3); }, {H(M, 0, M), V(M, 1, 2), H(M, 2, M - 1)}, {}},
        {"rectangle all max", [=](auto& k) { k.DrawRectangle(M, M, M, M); },
         {H(M, M, M), V(M, M, M), H(M, M, M), V(M, M, M)}, {}},
        {"rectangle all min", [](auto& k) { k.DrawRectangle(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN); }, {}, {}},
    };
    for (const Case& c : cases) {
        auto [draw, fill] = Record(c.shape);
        if (c.what.rfind("disc", 0) != 0) {
            EXPECT_EQ(draw, c.outline) << c.what;
        }
        if (c.what.rfind("rectangle", 0) != 0) {
            EXPECT_EQ(fill, c.filled.empty() ? c.outline : c.filled) << c.what;
        }
    }
}

// Outline against the midpoint rule evaluated directly: moving on to column a, b steps down by one
// when a^2 + b(b - 1) >= r^2 (the midpoint lies on or outside the circle), up to the first a with
// b <= a; the eight points are plotted even where they coincide. The disc covers the same extent
// on every row, each row exactly once.
TEST(CircleTest, OutlineFollowsMidpointRuleAndDiscSpansIt)
{
    const size_t kCounts[][2] = {{1, 1}, {4, 4}, {24, 12}, {24, 16}, {32, 24}, {40, 28}};  // plots, pixels
    for (int32_t r = 0; r <= 80; ++r) {
        auto [draw, fill] = Record([&](CQVPrimitiveCanvas& k) { k.DrawCircle(0, 0, r); });
        if (r < 6) {
            EXPECT_EQ(draw.size(), kCounts[r][0]) << "radius " << r;
            EXPECT_EQ(Pixels(draw).size(), kCounts[r][1]) << "radius " << r;
        }
        if (r < 2)
            continue;
        std::set<std::pair<int32_t, int32_t>> want;
        std::map<int32_t, std::pair<int32_t, int32_t>> span, rows;
        size_t plots = 0;
        for (int32_t a = 0, b = r;; ++a) {
            if (int64_t(a) * a + int64_t(b) * (b - 1) >= int64_t(r) * r)
                --b;
            plots += 8;
            for (int sa : {-1, 1})
                for (int sb : {-1, 1})
                    want.insert({sa * a, sb * b}), want.insert({sb * b, sa * a});
            if (b <= a)
                break;
        }
        EXPECT_EQ(Pixels(draw), want) << "radius " << r;
        EXPECT_EQ(draw.size(), plots) << "radius " << r;
        for (auto [x, y] : want) {
            auto it = span.try_emplace(y, x, x).first;
            it->second = {std::min(it->second.first, x), std::max(it->second.second, x)};
        }
        for (const Call& c : fill)
            EXPECT_TRUE(c.kind == 'H' && rows.emplace(c.b, std::make_pair(c.a, c.c)).second) << c;
        EXPECT_EQ(rows, span) << "radius " << r;
    }
}

// rx = 2, ry = 10: the outline takes one column step and leaves gaps, each pixel plotted once;
// the fill draws the centre row, then rows below and above once each, after their column step.
TEST(EllipseTest, TallEllipseOutlineAndFill)
{
    auto [draw, fill] = Record([](CQVPrimitiveCanvas& k) { k.DrawEllipse(X, Y, 2, 10); });
    std::set<std::pair<int32_t, int32_t>> pixels;  // quadrant: (2, 0..6), (1, 7), (0, 10)
    for (int32_t v = -10; v <= 10; ++v)
        for (int32_t u = -2; u <= 2; ++u)
            if (std::abs(u) == (std::abs(v) <= 6 ? 2 : std::abs(v) == 7 ? 1 : std::abs(v) == 10 ? 0 : -1))
                pixels.insert({X + u, Y + v});
    EXPECT_EQ(Pixels(draw), pixels);
    EXPECT_EQ(draw.size(), pixels.size());
    std::vector<Call> want = {H(X - 2, Y, X + 2)};
    for (int32_t v = 1; v <= 10; ++v) {
        const int32_t half = v <= 6 ? 2 : v <= 9 ? 1 : 0;
        want.push_back(H(X - half, Y + v, X + half)), want.push_back(H(X - half, Y - v, X + half));
    }
    EXPECT_EQ(fill, want);
}

// Every outline starts with its four ends and never plots a pixel twice.
TEST(EllipseTest, OutlineNeverRepeatsAndFillHasOneLinePerRow)
{
    for (int32_t rx = 1; rx <= 24; ++rx)
        for (int32_t ry = 1; ry <= 24; ++ry) {
            auto [draw, fill] = Record([&](CQVPrimitiveCanvas& k) { k.DrawEllipse(0, 0, rx, ry); });
            ASSERT_GE(draw.size(), 4u);
            EXPECT_EQ(Pixels(draw).size(), draw.size()) << rx << ' ' << ry;
            EXPECT_EQ(std::vector<Call>(draw.begin(), draw.begin() + 4),
                      (std::vector<Call>{P(rx, 0), P(-rx, 0), P(0, -ry), P(0, ry)}));
            std::set<int32_t> rows;
            for (const Call& c : fill)
                EXPECT_TRUE(c.kind == 'H' && c.a == -c.c && rows.insert(c.b).second) << c;
            EXPECT_EQ(rows.size(), size_t(2 * ry + 1)) << rx << ' ' << ry;
        }
}

// Shapes reaching 2^29 or further draw nothing and return at once; just inside they are walked.
TEST(ReachTest, ShapesBeyondReachMakeNoCall)
{
    const int32_t in = kReach - 1;
    struct Case { int32_t x, y, r; size_t draw, fill; };
    const Case cases[] = {{in, -in, 0, 2, 2}, {-in, in, -in, 12, 2}, {0, 0, kReach, 0, 0}, {kReach, 0, 1, 0, 0},
                          {0, INT32_MIN, 3, 0, 0}, {INT32_MAX, INT32_MAX, INT32_MAX, 0, 0}, {0, 0, INT32_MIN, 0, 0}};
    for (const Case& c : cases) {
        auto [draw, fill] = Record([&](CQVPrimitiveCanvas& k) {
            k.DrawCircle(c.x, c.y, c.r);
            k.DrawEllipse(c.x, c.y, c.r, c.r);
        });
        EXPECT_EQ(draw.size(), c.draw) << c.x << ' ' << c.y << ' ' << c.r;
        EXPECT_EQ(fill.size(), c.fill) << c.x << ' ' << c.y << ' ' << c.r;
    }
    // Products beyond what the walk takes.
    EXPECT_TRUE(Record([](CQVPrimitiveCanvas& k) { k.DrawEllipse(0, 0, 1 << 21, 1 << 21); }).first.empty());
}

}  // namespace
