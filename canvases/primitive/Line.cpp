// The symmetric double-step line: one decision chooses two pixels at each end, walking from both
// ends towards the middle. Every pixel is one call of the canvas's own DrawPixel.
#include "canvases/primitive/ColorCanvas.h"
#include "canvases/primitive/Reach.h"

namespace {

// Minor offsets of a pattern's first and second pixel from a cursor, and its minor advance.
struct Pattern {
    int64_t first, second, advance;
};

const Pattern kPatterns[5] = {{0, 0, 0}, {0, 0, 0}, {0, 1, 1}, {1, 1, 1}, {1, 2, 2}};

// A cursor in major and minor coordinates with the signs it walks by: the front cursor walks from
// the start towards the end, the back cursor from the end towards the start.
struct Cursor {
    int64_t major, minor, sMajor, sMinor;
    int64_t MajorAt(int64_t i) const { return major + i * sMajor; }
    int64_t MinorAt(int64_t j) const { return minor + j * sMinor; }
};

}  // namespace

void ColorCanvas::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (!InReach(x1) || !InReach(y1) || !InReach(x2) || !InReach(y2))
        return;
    int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    int64_t ax = dx * sx, ay = dy * sy;
    DrawPixel(x1, y1);
    DrawPixel(x2, y2);
    // Equal extents, vertical lines and single points take y as the major axis.
    bool xMajor = ax > ay;
    int64_t M = xMajor ? ax : ay, N = xMajor ? ay : ax;
    if (M == 0)
        return;
    auto plot = [&](const Cursor& c, int64_t i, int64_t j) {
        int64_t major = c.MajorAt(i), minor = c.MinorAt(j);
        if (xMajor)
            DrawPixel(int32_t(major), int32_t(minor));
        else
            DrawPixel(int32_t(minor), int32_t(major));
    };
    Cursor front = xMajor ? Cursor{x1, y1, sx, sy} : Cursor{y1, x1, sy, sx};
    Cursor back = xMajor ? Cursor{x2, y2, -sx, -sy} : Cursor{y2, x2, -sy, -sx};

    int64_t q = (M - 1) / 4, r = (M - 1) - 4 * q, i2 = 4 * N - 2 * M;
    // Gentle lines (minor extent under half the major) choose among patterns 1 to 3, steep ones
    // among 2 to 4; c is where pattern 3 begins.
    bool gentle = i2 < 0;
    int64_t c = gentle ? 2 * N : 2 * (N - M);
    int64_t D = gentle ? 4 * N - M : 4 * N - 3 * M;
    int64_t i1 = gentle ? 4 * N : 4 * (N - M);
    auto choose = [&] {
        if (gentle ? D < 0 : D > 0)
            return gentle ? 1 : 4;
        return D >= c ? 3 : 2;
    };
    for (; q > 0; --q) {
        int p = choose();
        const Pattern& t = kPatterns[p];
        plot(front, 1, t.first);
        plot(front, 2, t.second);
        plot(back, 1, t.first);
        plot(back, 2, t.second);
        front.major = front.MajorAt(2);
        front.minor = front.MinorAt(t.advance);
        back.major = back.MajorAt(2);
        back.minor = back.MinorAt(t.advance);
        D += p == 1 || p == 4 ? i1 : i2;
    }
    if (r == 0)
        return;
    int p = choose();
    const Pattern& t = kPatterns[p];
    plot(front, 1, t.first);
    if (r >= 2)
        plot(front, 2, t.second);
    if (r >= 3) {
        // A steep line's pattern 3 right on its boundary keeps the back pixel on the back's row.
        bool onBoundary = !gentle && p == 3 && D == c;
        plot(back, 1, onBoundary ? 0 : t.first);
    }
}
