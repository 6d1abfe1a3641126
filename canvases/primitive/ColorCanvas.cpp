#include "ColorCanvas.h"

// Drawing arrives with the colour canvas work; until then no call writes a pixel.
bool ColorCanvas::SetColor(const ColorRecord* color)
{
    if (color != nullptr)
        m_Color = color->color;
    return true;
}

void ColorCanvas::DrawHorizontalLine(int32_t, int32_t, int32_t) {}
void ColorCanvas::DrawLine(int32_t, int32_t, int32_t, int32_t) {}
void ColorCanvas::DrawPixel(int32_t, int32_t) {}
void ColorCanvas::DrawVerticalLine(int32_t, int32_t, int32_t) {}

void Jwx_8_8_8_8AddDrawColorCanvas::DrawCircle(int32_t, int32_t, int32_t) {}
void Jwx_8_8_8_8AddDrawColorCanvas::DrawEllipse(int32_t, int32_t, int32_t, int32_t) {}
void Jwx_8_8_8_8AddDrawColorCanvas::DrawRectangle(int32_t, int32_t, int32_t, int32_t) {}
void Jwx_8_8_8_8AddFillColorCanvas::DrawCircle(int32_t, int32_t, int32_t) {}
void Jwx_8_8_8_8AddFillColorCanvas::DrawEllipse(int32_t, int32_t, int32_t, int32_t) {}
void Jwx_8_8_8_8AddFillColorCanvas::DrawRectangle(int32_t, int32_t, int32_t, int32_t) {}
