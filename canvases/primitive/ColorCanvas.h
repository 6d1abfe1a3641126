// The two additive colour canvases for 8/8/8/8 destinations.
#pragma once

#include "common/ClassId.h"
#include "host/QVGFX.h"

// What both colour canvases share: the colour and the three writing primitives.
class ColorCanvas : public CQVPrimitiveCanvas {
public:
    bool SetColor(const ColorRecord* color) override;
    void DrawHorizontalLine(int32_t x1, int32_t y, int32_t x2) override;
    void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void DrawPixel(int32_t x, int32_t y) override;
    void DrawVerticalLine(int32_t x, int32_t y1, int32_t y2) override;

protected:
    bool HasPixels() const;

    uint32_t m_Color = 0;
    const uint8_t* m_ColorBytes = reinterpret_cast<const uint8_t*>(&m_Color);
};

class Jwx_8_8_8_8AddDrawColorCanvas : public WithClassId<ColorCanvas, 124> {
public:
    void DrawCircle(int32_t x, int32_t y, int32_t radius) override;
    void DrawEllipse(int32_t x, int32_t y, int32_t radiusX, int32_t radiusY) override;
    void DrawRectangle(int32_t x, int32_t y, int32_t width, int32_t height) override;
};

class Jwx_8_8_8_8AddFillColorCanvas : public WithClassId<ColorCanvas, 125> {
public:
    void DrawCircle(int32_t x, int32_t y, int32_t radius) override;
    void DrawEllipse(int32_t x, int32_t y, int32_t radiusX, int32_t radiusY) override;
    void DrawRectangle(int32_t x, int32_t y, int32_t width, int32_t height) override;
};
