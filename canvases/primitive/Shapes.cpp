// Circles, discs, ellipses and rectangle outlines, broken down into calls of the writing
// primitives. Every call goes through the canvas's own virtual operations, in walk order: the
// colour is added, so repetitions and reversed lines are part of what a shape draws.
#include <algorithm>
#include <limits>

#include "canvases/primitive/ColorCanvas.h"
#include "canvases/primitive/Reach.h"

namespace {

// The eight mirror images of the octant point (a, b) around (x, y), always in this order.
void PlotEight(CQVPrimitiveCanvas& c, int32_t x, int32_t y, int32_t a, int32_t b)
{
    c.DrawPixel(x - a, y - b);
    c.DrawPixel(x + a, y - b);
    c.DrawPixel(x - b, y - a);
    c.DrawPixel(x + b, y - a);
    c.DrawPixel(x - a, y + b);
    c.DrawPixel(x + a, y + b);
    c.DrawPixel(x - b, y + a);
    c.DrawPixel(x + b, y + a);
}

// Midpoint walk over one octant from the top: d < 0 when the midpoint below the next column
// lies inside the circle, so b stays.
void CircleOutline(CQVPrimitiveCanvas& c, int32_t x, int32_t y, int32_t radius)
{
    if (radius == 0) {
        c.DrawPixel(x, y);
        return;
    }
    if (radius == 1) {
        c.DrawPixel(x + 1, y);
        c.DrawPixel(x, y - 1);
        c.DrawPixel(x - 1, y);
        c.DrawPixel(x, y + 1);
        return;
    }
    int32_t a = 0, b = radius;
    int64_t d = 1 - int64_t(radius), dE = 3, dSE = 5 - 2 * int64_t(radius);
    PlotEight(c, x, y, a, b);
    while (b > a) {
        if (d < 0) {
            d += dE;
            dE += 2;
            dSE += 2;
        } else {
            d += dSE;
            dE += 2;
            dSE += 4;
            --b;
        }
        ++a;
        PlotEight(c, x, y, a, b);
    }
}

// The same walk, one row per line of the disc, each row once: rows +-a as the walk goes, rows
// +-b when b steps down.
void Disc(CQVPrimitiveCanvas& c, int32_t x, int32_t y, int32_t radius)
{
    if (radius == 0) {
        c.DrawPixel(x, y);
        return;
    }
    if (radius == 1) {
        c.DrawPixel(x, y - 1);
        c.DrawHorizontalLine(x - 1, y, x + 1);
        c.DrawPixel(x, y + 1);
        return;
    }
    c.DrawHorizontalLine(x - radius, y, x + radius);
    // The circle walk after its first step, which keeps b for every radius from 2 on.
    int32_t a = 1, b = radius;
    int64_t d = 4 - int64_t(radius), dE = 5, dSE = 7 - 2 * int64_t(radius);
    while (b > a) {
        c.DrawHorizontalLine(x - b, y - a, x + b);
        c.DrawHorizontalLine(x - b, y + a, x + b);
        if (d < 0) {
            d += dE;
            dE += 2;
            dSE += 2;
        } else {
            c.DrawHorizontalLine(x - a, y - b, x + a);
            c.DrawHorizontalLine(x - a, y + b, x + a);
            d += dSE;
            dE += 2;
            dSE += 4;
            --b;
        }
        ++a;
    }
    if (a == b) {
        c.DrawHorizontalLine(x - a, y - a, x + a);
        c.DrawHorizontalLine(x - a, y + a, x + a);
    }
}

// Ellipse walk state: one quadrant from (x + rx, y) towards the top, X = right - x, Y = down - y,
// d = rx^2 ry^2 - ry^2 X (X - 1) - rx^2 Y (Y + 1), s = 2 rx^2 Y, t = 2 ry^2 X. Y reaches at most
// |ry|, so s <= 2 rx^2 |ry|; t falls from 2 ry^2 rx to 0; d stays between 1 - s and t.
struct EllipseWalk {
    EllipseWalk(int32_t x, int32_t y, int32_t rx, int32_t ry, int32_t steps)
        : left(x - rx), right(x + rx), up(y), down(y), k(steps)
    {
        int64_t rx2 = int64_t(rx) * rx, ry2 = int64_t(ry) * ry;
        d = ry2 * rx;
        t = 2 * ry2 * rx;
        twoRx2 = 2 * rx2;
        twoRy2 = 2 * ry2;
    }
    // d > 0: the point half a step left and below lies inside the (slightly enlarged) ellipse.
    void RowStep()
    {
        ++down;
        --up;
        s += twoRx2;
        d -= s;
    }
    void ColumnStep()
    {
        ++left;
        --right;
        --k;
        t -= twoRy2;
        d += t;
    }

    int32_t left, right, up, down, k;
    int64_t d = 0, s = 0, t = 0, twoRx2 = 0, twoRy2 = 0;
};

bool Fits32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// Whether an ellipse is drawn: its ends x +- rx and y +- ry fit in 32 bits (every coordinate of
// the walk lies between them) and, when the walk runs, 2 rx^2 |ry| and 2 ry^2 rx, which bound its
// values, are at most 2^61. Up to 2^31 - 1 those values are the 32-bit ones of the walk; beyond
// that they are its 64-bit continuation, still far from overflow.
bool EllipseFits(int32_t x, int32_t y, int32_t rx, int32_t ry, bool walks)
{
    if (!Fits32(int64_t(x) - rx) || !Fits32(int64_t(x) + rx) || !Fits32(int64_t(y) - ry) ||
        !Fits32(int64_t(y) + ry))
        return false;
    constexpr uint64_t kMax = uint64_t(1) << 61;
    uint64_t a = uint64_t(rx), b = uint64_t(ry < 0 ? -int64_t(ry) : ry);  // walks: rx, ry != 0
    return !walks || (a * a <= kMax / 2 / b && b * b <= kMax / 2 / a);
}

// An ellipse with a zero half-axis is one column or one row, on both canvases.
bool FlatEllipse(CQVPrimitiveCanvas& c, int32_t x, int32_t y, int32_t rx, int32_t ry)
{
    if (rx == 0)
        c.DrawVerticalLine(x, y - ry, y + ry);
    else if (ry == 0)
        c.DrawHorizontalLine(x - rx, y, x + rx);
    return rx == 0 || ry == 0;
}

void EllipseOutline(CQVPrimitiveCanvas& c, int32_t x, int32_t y, int32_t rx, int32_t ry)
{
    if (!EllipseFits(x, y, rx, ry, rx > 1 && ry != 0) || FlatEllipse(c, x, y, rx, ry))
        return;
    c.DrawPixel(x + rx, y);
    c.DrawPixel(x - rx, y);
    c.DrawPixel(x, y - ry);
    c.DrawPixel(x, y + ry);
    if (rx < 2)
        return;
    // rx - 1 column steps: the centre column is plotted only at the top and bottom above.
    EllipseWalk w(x, y, rx, ry, rx - 1);
    while (w.k > 0) {
        bool column = true;
        if (w.d > 0) {
            w.RowStep();
            column = w.d <= 0;
        }
        if (column)
            w.ColumnStep();
        c.DrawPixel(w.left, w.down);
        c.DrawPixel(w.right, w.down);
        c.DrawPixel(w.left, w.up);
        c.DrawPixel(w.right, w.up);
    }
}

// Draws a pair of rows only in passes that take a row step, after that pass's column step.
void FilledEllipse(CQVPrimitiveCanvas& c, int32_t x, int32_t y, int32_t rx, int32_t ry)
{
    if (!EllipseFits(x, y, rx, ry, rx > 0 && ry != 0) || FlatEllipse(c, x, y, rx, ry))
        return;
    c.DrawHorizontalLine(x - rx, y, x + rx);
    if (rx < 1)
        return;
    EllipseWalk w(x, y, rx, ry, rx);
    while (w.k > 0) {
        if (w.d > 0) {
            w.RowStep();
            if (w.d <= 0)
                w.ColumnStep();
            c.DrawHorizontalLine(w.left, w.down, w.right);
            c.DrawHorizontalLine(w.left, w.up, w.right);
        } else {
            w.ColumnStep();
        }
    }
}

// A coordinate beyond 32 bits saturates; a saturated coordinate lies outside every surface, and
// so outside every clip rectangle.
int32_t Saturate(int64_t v)
{
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

// The ends of a row or column, saturated; a reversed pair stays reversed, so it still draws
// nothing.
void Ends(int64_t a, int64_t b, int32_t& a32, int32_t& b32)
{
    a32 = Saturate(a);
    b32 = Saturate(b);
    if (a > b && a32 == b32) {
        if (b32 == std::numeric_limits<int32_t>::max())
            --b32;
        else
            ++a32;
    }
}

void Row(CQVPrimitiveCanvas& c, int64_t x1, int64_t y, int64_t x2)
{
    int32_t a, b;
    Ends(x1, x2, a, b);
    c.DrawHorizontalLine(a, Saturate(y), b);
}

void Column(CQVPrimitiveCanvas& c, int64_t x, int64_t y1, int64_t y2)
{
    int32_t a, b;
    Ends(y1, y2, a, b);
    c.DrawVerticalLine(Saturate(x), a, b);
}

// Top row whole, left column below it, bottom row from the second column, right column between:
// each border pixel once. Bounds in 64 bits, so that x + width - 1 cannot wrap.
void RectangleOutline(CQVPrimitiveCanvas& c, int32_t x, int32_t y, int32_t width, int32_t height)
{
    int64_t right = int64_t(x) + width - 1, bottom = int64_t(y) + height - 1;
    int64_t top = y, leftInner = x, bottomInner = bottom;
    if (y <= bottom) {
        Row(c, x, y, right);
        top = int64_t(y) + 1;
    }
    if (x <= right) {
        Column(c, x, top, bottom);
        leftInner = int64_t(x) + 1;
    }
    if (top <= bottom) {
        Row(c, leftInner, bottom, right);
        bottomInner = bottom - 1;
    }
    if (leftInner <= right)
        Column(c, right, top, bottomInner);
}

bool AllInReach(int32_t a, int32_t b, int32_t c) { return InReach(a) && InReach(b) && InReach(c); }

}  // namespace

void Jwx_8_8_8_8AddDrawColorCanvas::DrawCircle(int32_t x, int32_t y, int32_t radius)
{
    if (AllInReach(x, y, radius))
        CircleOutline(*this, x, y, radius);
}

void Jwx_8_8_8_8AddDrawColorCanvas::DrawEllipse(int32_t x, int32_t y, int32_t radiusX,
                                                int32_t radiusY)
{
    EllipseOutline(*this, x, y, radiusX, radiusY);
}

void Jwx_8_8_8_8AddDrawColorCanvas::DrawRectangle(int32_t x, int32_t y, int32_t width,
                                                  int32_t height)
{
    RectangleOutline(*this, x, y, width, height);
}

void Jwx_8_8_8_8AddFillColorCanvas::DrawCircle(int32_t x, int32_t y, int32_t radius)
{
    if (AllInReach(x, y, radius))
        Disc(*this, x, y, radius);
}

void Jwx_8_8_8_8AddFillColorCanvas::DrawEllipse(int32_t x, int32_t y, int32_t radiusX,
                                                int32_t radiusY)
{
    FilledEllipse(*this, x, y, radiusX, radiusY);
}
