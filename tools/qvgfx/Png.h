// PNG files as host surfaces: RGBA reads as 8/8/8/8 (R, G, B, A), RGB as 8/8/8 (R, G, B), grey as 8.
#pragma once

#include <memory>
#include <string>

#include "QVGFX.h"

// Images larger than this are refused, on reading and when made.
constexpr int32_t kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t(1) << 26;

// The channel code a grey image's byte carries.
constexpr uint8_t kGreyCode = 'A';

// A gapless surface (pitch = width * B) of the given layout and size, zero-filled.
std::unique_ptr<CQVSurface> MakeSurface(const CQVFormat& format, int32_t width, int32_t height);

// Reads a PNG. Palette images expand to RGB (RGBA with transparency), grey with alpha to RGBA,
// 16-bit channels keep their high byte, grey below 8 bits widens to 8. Throws Failure.
std::unique_ptr<CQVSurface> ReadPng(const std::string& path);

// Writes the surface's bytes as they are (kind 0 grey, 1 RGB, 2 RGBA), into a temporary file
// beside `path` that is renamed into place once complete. Throws Failure.
void WritePng(const CQVSurface& surface, const std::string& path);

// "RGBA (8/8/8/8)": the surface's channel codes and layout, for messages.
std::string Describe(const CQVFormat& format);
