// A colour canvas that logs every writing-primitive call, then forwards it to the canvas.
#pragma once

#include <ostream>
#include <set>
#include <utility>
#include <vector>

#include "ColorCanvas.h"

// 'P' pixel (x, y), 'H' row (x1, y, x2), 'V' column (x, y1, y2).
struct Call {
    char kind;
    int32_t a, b, c = 0;
    bool operator==(const Call&) const = default;
};
inline std::ostream& operator<<(std::ostream& o, const Call& c)
{
    o << c.kind << '(' << c.a << ',' << c.b;
    if (c.kind != 'P')
        o << ',' << c.c;
    return o << ')';
}
inline Call P(int32_t x, int32_t y) { return {'P', x, y}; }
inline Call H(int32_t x1, int32_t y, int32_t x2) { return {'H', x1, y, x2}; }
inline Call V(int32_t x, int32_t y1, int32_t y2) { return {'V', x, y1, y2}; }

template <class Canvas>
class Recording : public Canvas {
public:
    std::vector<Call> calls;
    void DrawPixel(int32_t x, int32_t y) override { calls.push_back(P(x, y)), Canvas::DrawPixel(x, y); }
    void DrawHorizontalLine(int32_t x1, int32_t y, int32_t x2) override
    {
        calls.push_back(H(x1, y, x2)), Canvas::DrawHorizontalLine(x1, y, x2);
    }
    void DrawVerticalLine(int32_t x, int32_t y1, int32_t y2) override
    {
        calls.push_back(V(x, y1, y2)), Canvas::DrawVerticalLine(x, y1, y2);
    }
    // The distinct pixels of the plots.
    std::set<std::pair<int32_t, int32_t>> Pixels() const
    {
        std::set<std::pair<int32_t, int32_t>> s;
        for (const Call& c : calls)
            s.insert({c.a, c.b});
        return s;
    }
};

using DrawCanvas = Recording<Jwx_8_8_8_8AddDrawColorCanvas>;
using FillCanvas = Recording<Jwx_8_8_8_8AddFillColorCanvas>;
