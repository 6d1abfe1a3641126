// Vector twins of the byte rules' row loops (PixelMath.h gives the one-byte rules). Each applies
// its rule to a leading part of a row of n bytes, exactly as the plain loop d[i] = rule(d[i], s[i])
// would, and returns how many bytes it did (a multiple of 16, or all n); the plain loop does the
// rest, byte by byte. Nothing is done (0 returned) below SSE2, or where the two rows overlap
// without being the same bytes.
#pragma once

#include <cstdint>

// d = min(d + s, 255).
int32_t FastAddRow(uint8_t* d, const uint8_t* s, int32_t n);
// d = s.
int32_t FastCopyRow(uint8_t* d, const uint8_t* s, int32_t n);
// d = min((s * a + d * b) >> 8, 255), weights a and b up to 255.
int32_t FastLinCombRow(uint8_t* d, const uint8_t* s, int32_t n, uint32_t a, uint32_t b);
// d = s + R((255 - s) * d), R the rounded division by 255.
int32_t FastPaintBrushRow(uint8_t* d, const uint8_t* s, int32_t n);
// d = d + R(R(s * o) * (255 - d)), opacity o up to 255.
int32_t FastAirBrushRow(uint8_t* d, const uint8_t* s, int32_t n, uint32_t o);
// The four colour bytes c[0..3] added with saturation to each of n 4-byte pixels; returns pixels.
int32_t FastAddColourRun(uint8_t* d, int32_t n, const uint8_t* c);
