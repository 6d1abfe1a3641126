// Circles, discs, ellipses, rectangle outlines and lines: the exact writing-primitive calls, recorded,
// and properties of many sizes and random lines.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "canvases/primitive/ColorCanvas.h"
#include "canvases/primitive/Reach.h"

namespace {

// 'P' pixel (x, y), 'H' row (x1, y, x2), 'V' column (x, y1, y2).
using Call = std::tuple<char, int32_t, int32_t, int32_t>;
Call P(int32_t x, int32_t y) { return {'P', x, y, 0}; }
Call H(int32_t x1, int32_t y, int32_t x2) { return {'H', x1, y, x2}; }
Call V(int32_t x, int32_t y1, int32_t y2) { return {'V', x, y1, y2}; }

// The distinct pixels of plots.
std::set<std::pair<int32_t, int32_t>> Pixels(const std::vector<Call>& calls)
{
    std::set<std::pair<int32_t, int32_t>> s;
    for (auto [kind, x, y, unused] : calls)
        s.insert({x, y});
    return s;
}

// A colour canvas that logs every writing-primitive call, then forwards it to the canvas.
template <class Canvas>
class Recording : public Canvas {
public:
    std::vector<Call> calls;
    void DrawPixel(int32_t x, int32_t y) override { calls.push_back(P(x, y)), Canvas::DrawPixel(x, y); }
    void DrawHorizontalLine(int32_t x1, int32_t y, int32_t x2) override { calls.push_back(H(x1, y, x2)), Canvas::DrawHorizontalLine(x1, y, x2); }
    void DrawVerticalLine(int32_t x, int32_t y1, int32_t y2) override { calls.push_back(V(x, y1, y2)), Canvas::DrawVerticalLine(x, y1, y2); }
};

// The calls a shape makes on the draw canvas and on the fill canvas.
template <class Shape>
std::pair<std::vector<Call>, std::vector<Call>> Record(Shape shape)
{
    Recording<Jwx_8_8_8_8AddDrawColorCanvas> d;
    Recording<Jwx_8_8_8_8AddFillColorCanvas> f;
    shape(static_cast<CQVPrimitiveCanvas&>(d));
    shape(static_cast<CQVPrimitiveCanvas&>(f));
    return {d.calls, f.calls};
}

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
    const int32_t M = INT32_MAX, in = kReach - 1;
    const Case cases[] = {
        {"circle 0", [](auto& k) { k.DrawCircle(X, Y, 0); }, {P(X, Y)}, {P(X, Y)}},
        {"circle 1", [](auto& k) { k.DrawCircle(X, Y, 1); }, {P(X + 1, Y), P(X, Y - 1), P(X - 1, Y), P(X, Y + 1)},
         {P(X, Y - 1), H(X - 1, Y, X + 1), P(X, Y + 1)}},
        {"circle -3", [](auto& k) { k.DrawCircle(X, Y, -3); }, {P(X, Y + 3), P(X, Y + 3), P(X + 3, Y), P(X - 3, Y),
         P(X, Y - 3), P(X, Y - 3), P(X + 3, Y), P(X - 3, Y)}, {H(X + 3, Y, X - 3)}},
        {"disc 3", [](auto& k) { k.DrawCircle(X, Y, 3); }, {}, {H(X - 3, Y, X + 3), H(X - 3, Y - 1, X + 3),
         H(X - 3, Y + 1, X + 3), H(X - 1, Y - 3, X + 1), H(X - 1, Y + 3, X + 1), H(X - 2, Y - 2, X + 2),
         H(X - 2, Y + 2, X + 2)}},
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
        {"rectangle 3 2", [](auto& k) { k.DrawRectangle(10, 20, 3, 2); }, {H(10, 20, 12), V(10, 21, 21), H(11, 21, 12), V(12, 21, 20)}, {}},
        {"rectangle all min", [](auto& k) { k.DrawRectangle(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN); }, {}, {}},
        // The double-step line, both directions, one example per remainder pattern.
        {"line 0 0 5 0", [](auto& k) { k.DrawLine(0, 0, 5, 0); }, {P(0, 0), P(5, 0), P(1, 0), P(2, 0), P(4, 0), P(3, 0)}, {}},
        {"line 5 0 0 0", [](auto& k) { k.DrawLine(5, 0, 0, 0); }, {P(5, 0), P(0, 0), P(4, 0), P(3, 0), P(1, 0), P(2, 0)}, {}},
        {"line 0 0 7 7", [](auto& k) { k.DrawLine(0, 0, 7, 7); }, {P(0, 0), P(7, 7), P(1, 1), P(2, 2), P(6, 6), P(5, 5), P(3, 3), P(4, 4)}, {}},
        {"line 0 0 3 10", [](auto& k) { k.DrawLine(0, 0, 3, 10); }, {P(0, 0), P(3, 10), P(0, 1), P(1, 2), P(3, 9), P(2, 8), P(1, 3), P(1, 4), P(2, 7), P(2, 6), P(2, 5)}, {}},
        {"line 0 0 8 1", [](auto& k) { k.DrawLine(0, 0, 8, 1); }, {P(0, 0), P(8, 1), P(1, 0), P(2, 0), P(7, 1), P(6, 1), P(3, 0), P(4, 1), P(5, 1)}, {}},
        {"line 8 1 0 0", [](auto& k) { k.DrawLine(8, 1, 0, 0); }, {P(8, 1), P(0, 0), P(7, 1), P(6, 1), P(1, 0), P(2, 0), P(5, 1), P(4, 0), P(3, 0)}, {}},
        {"line 0 0 4 2 (pattern 3 on its boundary)", [](auto& k) { k.DrawLine(0, 0, 4, 2); }, {P(0, 0), P(4, 2), P(1, 1), P(2, 1), P(3, 2)}, {}},
        {"line 3 4 3 4", [](auto& k) { k.DrawLine(3, 4, 3, 4); }, {P(3, 4), P(3, 4)}, {}},
        {"line from 2^29", [](auto& k) { k.DrawLine(kReach, 0, 0, 0); }, {}, {}},
        {"line min to max", [](auto& k) { k.DrawLine(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX); }, {}, {}},
        // Circles and ellipses reaching 2^29 or further make no call; just inside they are walked.
        {"just in reach", [=](auto& k) { k.DrawCircle(in, -in, 0), k.DrawEllipse(in, -in, 0, 0); }, {P(in, -in), V(in, -in, -in)}, {}},
        {"circle -(reach - 1)", [=](auto& k) { k.DrawCircle(0, 0, -in); }, {P(0, in), P(0, in), P(in, 0), P(-in, 0), P(0, -in),
         P(0, -in), P(in, 0), P(-in, 0)}, {H(in, 0, -in)}},
        {"beyond reach", [=](auto& k) {
             k.DrawCircle(0, 0, kReach), k.DrawCircle(kReach, 0, 1), k.DrawCircle(0, 0, INT32_MIN), k.DrawCircle(M, M, M);
         }, {}, {}},
        // Ellipses: drawn while their ends fit in 32 bits, however far out; nothing one step beyond.
        {"ellipse 0 2^29", [](auto& k) { k.DrawEllipse(1, 1, 0, 1 << 29); }, {V(1, -536870911, 536870913)}, {}},
        {"ellipse ends at max", [=](auto& k) { k.DrawEllipse(7, M - 5, 0, 5), k.DrawEllipse(M - 3, 0, 3, 0), k.DrawEllipse(M - 3, -7, -3, 0); },
         {V(7, M - 10, M), H(M - 6, 0, M), H(M, -7, M - 6)}, {}},
        {"ellipse ends at min", [=](auto& k) { k.DrawEllipse(INT32_MIN + 2, 9, -2, 1); },
         {P(INT32_MIN, 9), P(INT32_MIN + 4, 9), P(INT32_MIN + 2, 8), P(INT32_MIN + 2, 10)}, {H(INT32_MIN + 4, 9, INT32_MIN)}},
        {"ellipse ends beyond", [=](auto& k) {
             k.DrawEllipse(7, M - 5, 0, 6), k.DrawEllipse(M - 3, 0, 4, 0), k.DrawEllipse(M - 3, 0, -4, 0), k.DrawEllipse(INT32_MIN + 2, 9, -3, 1);
             k.DrawEllipse(0, INT32_MIN + 1, 0, 2), k.DrawEllipse(0, INT32_MIN + 1, 1, -2), k.DrawEllipse(M, 0, 1, 1), k.DrawEllipse(0, M, 1, 1);
         }, {}, {}},
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
// b <= a; the eight points are plotted even where they coincide. The disc draws each row of the
// outline once, centred, as wide as the outline there.
TEST(CircleTest, OutlineFollowsMidpointRuleAndDiscSpansIt)
{
    const size_t kCounts[][2] = {{1, 1}, {4, 4}, {24, 12}, {24, 16}, {32, 24}, {40, 28}};  // plots, pixels
    for (int32_t r = 0; r <= 80; ++r) {
        SCOPED_TRACE(testing::Message() << "radius " << r);
        auto [draw, fill] = Record([&](CQVPrimitiveCanvas& k) { k.DrawCircle(0, 0, r); });
        if (r < 6) {
            EXPECT_EQ(std::pair(draw.size(), Pixels(draw).size()), std::pair(kCounts[r][0], kCounts[r][1]));
        }
        if (r < 2)
            continue;
        std::set<std::pair<int32_t, int32_t>> want;
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
        EXPECT_EQ(Pixels(draw), want);
        EXPECT_EQ(draw.size(), plots);
        std::map<int32_t, int32_t> half, rows;
        for (auto [x, y] : want)
            half[y] = std::max(half[y], std::abs(x));
        for (auto [kind, x1, y, x2] : fill)
            EXPECT_TRUE(kind == 'H' && x1 == -x2 && rows.emplace(y, x2).second) << x1 << ' ' << y;
        EXPECT_EQ(rows, half);
    }
}

// The ellipse walk written out directly: X = right - x, Y = down - y, the decision value
// evaluated from its closed form D = rx^2 ry^2 - ry^2 X (X - 1) - rx^2 Y (Y + 1) at every pass.
std::vector<Call> EllipseModel(int32_t rx, int32_t ry, bool fill, int& zeroAfterRowStep)
{
    if (rx == 0 || ry == 0)
        return {rx == 0 ? V(X, Y - ry, Y + ry) : H(X - rx, Y, X + rx)};
    auto D = [&](int64_t u, int64_t v) { return int64_t(rx) * rx * ry * ry - int64_t(ry) * ry * u * (u - 1) - int64_t(rx) * rx * v * (v + 1); };
    std::vector<Call> out = fill ? std::vector{H(X - rx, Y, X + rx)} : std::vector{P(X + rx, Y), P(X - rx, Y), P(X, Y - ry), P(X, Y + ry)};
    for (int32_t u = rx, v = 0, k = fill ? rx : rx - 1; k > 0;) {
        bool rowStep = D(u, v) > 0, columnStep = !rowStep || D(u, v + 1) <= 0;
        v += rowStep;
        zeroAfterRowStep += rowStep && D(u, v) == 0;
        u -= columnStep, k -= columnStep;
        if (fill && rowStep)
            out.insert(out.end(), {H(X - u, Y + v, X + u), H(X - u, Y - v, X + u)});
        if (!fill)
            out.insert(out.end(), {P(X - u, Y + v), P(X + u, Y + v), P(X - u, Y - v), P(X + u, Y - v)});
    }
    return out;
}

// Every small ellipse, negative and zero half-axes included, makes exactly the model's calls;
// outlines never plot a pixel twice, fills draw one centred row per row of the ellipse.
TEST(EllipseTest, SmallEllipsesFollowTheWalk)
{
    int zeros = 0;
    for (int32_t rx = -3; rx <= 13; ++rx)
        for (int32_t ry = -2; ry <= 13; ++ry) {
            SCOPED_TRACE(testing::Message() << "half-axes " << rx << ' ' << ry);
            auto [draw, fill] = Record([&](CQVPrimitiveCanvas& k) { k.DrawEllipse(X, Y, rx, ry); });
            EXPECT_EQ(draw, EllipseModel(rx, ry, false, zeros));
            EXPECT_EQ(fill, EllipseModel(rx, ry, true, zeros));
            if (rx > 0 && ry > 0) {
                EXPECT_EQ(Pixels(draw).size(), draw.size());
                EXPECT_EQ(fill.size(), size_t(2 * ry + 1));
            }
        }
    EXPECT_GT(zeros, 0);  // the table reaches D = 0 right after a row step
    // rx = 2, ry = 10: the fill's rows have half-widths 2 up to row 6, 1 up to row 9, then 0.
    std::vector<Call> want = {H(X - 2, Y, X + 2)};
    for (int32_t v = 1, half; v <= 10; ++v)
        half = v <= 6 ? 2 : v <= 9 ? 1 : 0, want.insert(want.end(), {H(X - half, Y + v, X + half), H(X - half, Y - v, X + half)});
    EXPECT_EQ(Record([](CQVPrimitiveCanvas& k) { k.DrawEllipse(X, Y, 2, 10); }).second, want);
}

// A canvas whose writers throw: a shape drawn on it must make no call at all.
template <class Canvas>
struct Refusing : Canvas {
    void DrawPixel(int32_t, int32_t) override { throw 1; }
    void DrawHorizontalLine(int32_t, int32_t, int32_t) override { throw 1; }
};

// The walk's values may pass 32 bits, up to 2 rx^2 ry and 2 ry^2 rx of 2^61; one step beyond,
// on either product, nothing is drawn.
TEST(EllipseTest, WalkedWhileItsProductsStayWithin2To61)
{
    const int32_t r = 1 << 20, far = (1 << 30) + 1;
    Recording<Jwx_8_8_8_8AddFillColorCanvas> f;
    f.DrawEllipse(0, 0, r, r);
    EXPECT_EQ(f.calls.size(), size_t(2 * r + 1));
    EXPECT_EQ(std::get<2>(f.calls.back()), -r);  // the top row
    Refusing<Jwx_8_8_8_8AddFillColorCanvas> fill;
    Refusing<Jwx_8_8_8_8AddDrawColorCanvas> draw;
    for (CQVPrimitiveCanvas* k : {static_cast<CQVPrimitiveCanvas*>(&fill), static_cast<CQVPrimitiveCanvas*>(&draw)})
        EXPECT_NO_THROW((k->DrawEllipse(0, 0, r + 1, r), k->DrawEllipse(0, 0, r, -r - 1), k->DrawEllipse(0, 0, 2, far), k->DrawEllipse(0, 0, far, 1)));
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
        const std::vector<Call> calls = Record([&](CQVPrimitiveCanvas& k) { k.DrawLine(x1, y1, x2, y2); }).first;
        int64_t dx = x2 - x1, dy = y2 - y1;
        bool xMajor = std::abs(dx) > std::abs(dy);
        int64_t M = xMajor ? std::abs(dx) : std::abs(dy);
        ASSERT_EQ(calls.size(), size_t(M == 0 ? 2 : M + 1));
        EXPECT_EQ(calls[0], P(x1, y1));
        EXPECT_EQ(calls[1], P(x2, y2));
        if (M == 0)
            continue;
        EXPECT_EQ(Pixels(calls).size(), size_t(M + 1));
        std::set<int64_t> majors;
        for (auto [kind, x, y, unused] : calls) {
            int64_t u = xMajor ? x - x1 : y - y1, v = xMajor ? y - y1 : x - x1;
            int64_t du = xMajor ? dx : dy, dv = xMajor ? dy : dx;
            majors.insert(u);
            // v against the true minor offset u * dv / du, scaled by 2 * |du|.
            EXPECT_LE(std::abs(2 * (v * du - u * dv)), M) << x << ',' << y;
        }
        EXPECT_EQ(majors.size(), size_t(M + 1));
    }
}

}  // namespace
