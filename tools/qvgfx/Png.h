// PNG files as host surfaces: RGBA reads as 8/8/8/8 (R, G, B, A), RGB as 8/8/8 (R, G, B), grey
// as 8.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/QVGFX.h"

// Images larger than this are refused, on reading and when made.
constexpr int32_t kMaxSide = 16384;
constexpr int64_t kMaxPixels = int64_t(1) << 26;

// The channel code a grey image's byte carries.
constexpr uint8_t kGreyCode = 'A';

// The chunks that say what the stored numbers mean as colours (gAMA, cHRM, sRGB, iCCP). They are
// carried from an input to an output made from it; every other chunk is dropped.
struct ColourChunks {
    bool hasGamma = false, hasChromaticities = false, hasSrgb = false;
    int32_t gamma = 0;  // gAMA, times 100000
    int32_t chromaticities[8] =
        {};  // cHRM: white x, y, red x, y, green x, y, blue x, y, times 100000
    int32_t srgbIntent = 0;
    std::string iccName;  // iCCP: empty when there is none
    std::vector<uint8_t> iccProfile;
    bool iccGrey = false;  // the profile describes grey images (it is dropped for colour ones)

    bool operator==(const ColourChunks&) const = default;
};

// How a PNG is written: the zlib level (0 stores, 9 packs hardest; -1 chooses by the picture, the
// fast default) and the colour chunks to keep.
struct PngOutput {
    int compression = -1;
    const ColourChunks* colour = nullptr;
    bool noteName = false;  // note, once written, that the name does not end in .png
};

// A gapless surface (pitch = width * B) of the given layout and size, zero-filled.
std::unique_ptr<CQVSurface> MakeSurface(const CQVFormat& format, int32_t width, int32_t height);

// Reads a PNG file, or standard input when `path` is "-". Palette images expand to RGB (RGBA
// with transparency), grey with alpha to RGBA, 16-bit channels keep their high byte, grey below
// 8 bits widens to 8. The colour chunks go to `colour` when given. Throws Failure.
std::unique_ptr<CQVSurface> ReadPng(const std::string& path, ColourChunks* colour = nullptr);

// The same from bytes in memory; `name` stands for them in messages.
std::unique_ptr<CQVSurface> DecodePng(const uint8_t* bytes, std::size_t size,
                                      const std::string& name, ColourChunks* colour = nullptr);

// Writes the surface's bytes as they are (kind 0 grey, 1 RGB, 2 RGBA). "-" is standard output. A
// regular file (or a new one) is written to a temporary file beside it, renamed into place once
// complete, keeping an existing file's permissions and, where allowed, its owner; a symbolic link
// is followed and kept; devices, FIFOs and terminals are written directly. SIGINT, SIGTERM and
// SIGHUP during the write remove the temporary file before the program ends. Throws Failure.
void WritePng(const CQVSurface& surface, const std::string& path, const PngOutput& output = {});

// "RGBA (8/8/8/8)": the surface's channel codes and layout, for messages.
std::string Describe(const CQVFormat& format);
