// Vector twins of the converters' per-pixel loops. Each converts a leading part of a gapless run
// of n pixels exactly as the plain rule would and returns how many pixels it did; the plain loop
// does the rest. They do nothing (return 0) where the processor level or the buffers do not suit:
// d and s overlapping without being equal, or in place between different layouts.
#pragma once

#include <cstdint>

// d[j] = s[p[j]] for each destination byte j of a DB-byte pixel from an SB-byte pixel:
// (SB, DB) = (4, 3), (4, 1), (3, 1), (4, 4), (3, 3); the last two also in place (d == s).
int32_t FastPick(int SB, int DB, uint8_t* d, const uint8_t* s, int32_t n, const uint8_t* p);

// 8/8/8 to 8/8/8/8: d[q[k]] = s[k] for k < 3 and d[q[3]] = 255, q a reordering of 0..3.
int32_t FastSpread(uint8_t* d, const uint8_t* s, int32_t n, const uint8_t* q);

// 8 to 8/8/8/8 mask: d = (255 - v, 255 - v, 255 - v, v).
int32_t FastMask(uint8_t* d, const uint8_t* s, int32_t n);
