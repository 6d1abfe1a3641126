// Circles, discs, ellipses and rectangle outlines: the exact writing-primitive calls, recorded.
#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "Reach.h"
#include "Recording.h"

namespace {

const int32_t X = 100, Y = 200;

TEST(CircleTest, OutlinePlotCountsAndDistinctPixels)
{
    struct Case { int32_t r; size_t plots, distinct; };
    for (Case c : {Case{0, 1, 1}, {1, 4, 4}, {2, 24, 12}, {3, 24, 16}, {4, 32, 24}, {5, 40, 28}}) {
        DrawCanvas d;
        d.DrawCircle(X, Y, c.r);
        EXPECT_EQ(d.calls.size(), c.plots) << "radius " << c.r;
        EXPECT_EQ(d.Pixels().size(), c.distinct) << "radius " << c.r;
    }
}

TEST(CircleTest, ExactSequences)
{
    struct Case { bool fill; int32_t r; std::vector<Call> calls; };
    const Case cases[] = {
        {false, 0, {P(X, Y)}},
        {false, 1, {P(X + 1, Y), P(X, Y - 1), P(X - 1, Y), P(X, Y + 1)}},
        {false, -3, {P(X, Y + 3), P(X, Y + 3), P(X + 3, Y), P(X - 3, Y),
                     P(X, Y - 3), P(X, Y - 3), P(X + 3, Y), P(X - 3, Y)}},
        {true, 0, {P(X, Y)}},
        {true, 1, {P(X, Y - 1), H(X - 1, Y, X + 1), P(X, Y + 1)}},
        {true, 3, {H(X - 3, Y, X + 3), H(X - 3, Y - 1, X + 3), H(X - 3, Y + 1, X + 3), H(X - 1, Y - 3, X + 1),
                   H(X - 1, Y + 3, X + 1), H(X - 2, Y - 2, X + 2), H(X - 2, Y + 2, X + 2)}},
        {true, -3, {H(X + 3, Y, X - 3)}},
    };
    for (const Case& c : cases) {
        DrawCanvas d;
        FillCanvas f;
        (c.fill ? static_cast<CQVPrimitiveCanvas&>(f) : d).DrawCircle(X, Y, c.r);
        EXPECT_EQ(c.fill ? f.calls : d.calls, c.calls) << (c.fill ? "disc " : "circle ") << c.r;
    }
}

// Outline against the midpoint rule evaluated directly: moving on to column a, b steps down by one
// when a^2 + b(b - 1) >= r^2 (the midpoint lies on or outside the circle), up to the first a with
// b <= a. The disc covers the same extent on every row, each row exactly once.
TEST(CircleTest, OutlineFollowsMidpointRuleAndDiscSpansIt)
{
    for (int32_t r = 2; r <= 80; ++r) {
        std::set<std::pair<int32_t, int32_t>> want;
        size_t plots = 0;
        for (int32_t a = 0, b = r;; ++a) {
            if (int64_t(a) * a + int64_t(b) * (b - 1) >= int64_t(r) * r)
                --b;
            for (int sa : {-1, 1})
                for (int sb : {-1, 1})
                    want.insert({sa * a, sb * b}), want.insert({sb * b, sa * a});
            plots += 8;
            if (b <= a)
                break;
        }
        DrawCanvas d;
        d.DrawCircle(0, 0, r);
        EXPECT_EQ(d.Pixels(), want) << "radius " << r;
        EXPECT_EQ(d.calls.size(), plots) << "radius " << r;

        std::map<int32_t, std::pair<int32_t, int32_t>> span;
        for (auto [x, y] : want) {
            auto it = span.try_emplace(y, x, x).first;
            it->second = {std::min(it->second.first, x), std::max(it->second.second, x)};
        }
        FillCanvas f;
        f.DrawCircle(0, 0, r);
        std::map<int32_t, std::pair<int32_t, int32_t>> rows;
        for (const Call& c : f.calls)
            EXPECT_TRUE(c.kind == 'H' && rows.emplace(c.b, std::make_pair(c.a, c.c)).second) << c;
        EXPECT_EQ(rows, span) << "radius " << r;
    }
}

TEST(EllipseTest, TallOutlineLeavesGapsAndPlotsEachPixelOnce)
{
    DrawCanvas d;
    d.DrawEllipse(X, Y, 2, 10);
    ASSERT_GE(d.calls.size(), 4u);
    EXPECT_EQ(std::vector<Call>(d.calls.begin(), d.calls.begin() + 4),
              (std::vector<Call>{P(X + 2, Y), P(X - 2, Y), P(X, Y - 10), P(X, Y + 10)}));
    std::set<std::pair<int32_t, int32_t>> quadrant = {{1, 7}, {0, 10}}, want;
    for (int32_t v = 0; v <= 6; ++v)
        quadrant.insert({2, v});
    for (auto [u, v] : quadrant)
        for (int su : {-1, 1})
            for (int sv : {-1, 1})
                want.insert({X + su * u, Y + sv * v});
    EXPECT_EQ(d.Pixels(), want);
    EXPECT_EQ(d.calls.size(), want.size());
}

TEST(EllipseTest, FilledTallEllipseDrawsEachRowOnceAfterItsColumnStep)
{
    FillCanvas f;
    f.DrawEllipse(X, Y, 2, 10);
    ASSERT_EQ(f.calls.size(), 21u);
    EXPECT_EQ(f.calls[0], H(X - 2, Y, X + 2));
    for (int32_t v = 1; v <= 10; ++v) {
        int32_t half = v <= 6 ? 2 : v <= 9 ? 1 : 0;
        EXPECT_EQ(f.calls[2 * v - 1], H(X - half, Y + v, X + half));
        EXPECT_EQ(f.calls[2 * v], H(X - half, Y - v, X + half));
    }
}

TEST(EllipseTest, ZeroAndNegativeRadii)
{
    struct Case { int32_t rx, ry; std::vector<Call> draw, fill; };
    const Case cases[] = {
        {0, 5, {V(X, Y - 5, Y + 5)}, {V(X, Y - 5, Y + 5)}},
        {0, 0, {V(X, Y, Y)}, {V(X, Y, Y)}},
        {0, -2, {V(X, Y + 2, Y - 2)}, {V(X, Y + 2, Y - 2)}},
        {3, 0, {H(X - 3, Y, X + 3)}, {H(X - 3, Y, X + 3)}},
        {-3, 4, {P(X - 3, Y), P(X + 3, Y), P(X, Y - 4), P(X, Y + 4)}, {H(X + 3, Y, X - 3)}},
        {1, 4, {P(X + 1, Y), P(X - 1, Y), P(X, Y - 4), P(X, Y + 4)}, {}},
    };
    for (const Case& c : cases) {
        DrawCanvas d;
        FillCanvas f;
        d.DrawEllipse(X, Y, c.rx, c.ry);
        f.DrawEllipse(X, Y, c.rx, c.ry);
        EXPECT_EQ(d.calls, c.draw) << c.rx << ' ' << c.ry;
        if (!c.fill.empty()) {  // rx = 1 fills by its walk, checked with the other small ellipses
            EXPECT_EQ(f.calls, c.fill) << c.rx << ' ' << c.ry;
        }
    }
}

TEST(EllipseTest, OutlineNeverRepeatsAndFillHasOneLinePerRow)
{
    for (int32_t rx = 1; rx <= 24; ++rx)
        for (int32_t ry = 1; ry <= 24; ++ry) {
            DrawCanvas d;
            FillCanvas f;
            d.DrawEllipse(0, 0, rx, ry);
            f.DrawEllipse(0, 0, rx, ry);
            EXPECT_EQ(d.Pixels().size(), d.calls.size()) << rx << ' ' << ry;
            std::set<int32_t> rows;
            for (const Call& c : f.calls)
                EXPECT_TRUE(c.kind == 'H' && c.a == -c.c && rows.insert(c.b).second) << c;
            EXPECT_EQ(rows.size(), size_t(2 * ry + 1)) << rx << ' ' << ry;
        }
}

TEST(RectangleTest, OutlineCalls)
{
    const int32_t M = INT32_MAX;
    struct Case { int32_t x, y, w, h; std::vector<Call> calls; };
    const Case cases[] = {
        {10, 20, 5, 4, {H(10, 20, 14), V(10, 21, 23), H(11, 23, 14), V(14, 21, 22)}},
        {10, 20, 1, 1, {H(10, 20, 10), V(10, 21, 20)}},
        {10, 20, 0, 3, {H(10, 20, 9), H(10, 22, 9)}},
        {10, 20, 3, 0, {V(10, 20, 19), V(12, 20, 19)}},
        {10, 20, -4, -4, {}},
        {0, 0, M, M, {H(0, 0, M - 1), V(0, 1, M - 1), H(1, M - 1, M - 1), V(M - 1, 1, M - 2)}},
        // Beyond 32 bits the ends saturate, and a reversed pair stays reversed.
        {M, 0, 1, 3, {H(M, 0, M), V(M, 1, 2), H(M, 2, M - 1)}},
        {M, M, M, M, {H(M, M, M), V(M, M, M), H(M, M, M), V(M, M, M)}},
        {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, {}},
    };
    for (const Case& c : cases) {
        DrawCanvas d;
        d.DrawRectangle(c.x, c.y, c.w, c.h);
        EXPECT_EQ(d.calls, c.calls) << c.x << ' ' << c.y << ' ' << c.w << ' ' << c.h;
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
        DrawCanvas d;
        FillCanvas f;
        d.DrawCircle(c.x, c.y, c.r);
        d.DrawEllipse(c.x, c.y, c.r, c.r);
        f.DrawCircle(c.x, c.y, c.r);
        f.DrawEllipse(c.x, c.y, c.r, c.r);
        EXPECT_EQ(d.calls.size(), c.draw) << c.x << ' ' << c.y << ' ' << c.r;
        EXPECT_EQ(f.calls.size(), c.fill) << c.x << ' ' << c.y << ' ' << c.r;
    }
    DrawCanvas d;
    d.DrawEllipse(0, 0, 1 << 21, 1 << 21);  // products beyond what the walk takes
    EXPECT_TRUE(d.calls.empty());
}

}  // namespace
