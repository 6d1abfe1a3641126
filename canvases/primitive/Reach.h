// How far the rasterisers reach: the coordinates and sizes their walks handle exactly.
#pragma once

#include <cstdint>

// Circles and lines take arguments of magnitude below 2^29; a shape with any argument beyond that
// draws nothing, so that no walk runs for billions of steps far outside any surface. (Ellipses
// have their own, exact limit: every value of their walk fits in 32 bits.)
constexpr int32_t kReach = int32_t(1) << 29;

inline bool InReach(int32_t v) { return v > -kReach && v < kReach; }
