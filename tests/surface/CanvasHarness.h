// Surface canvases of the loaded plug-in as a host drives them, and the rules written out plainly.
#pragma once

#include <cstring>
#include <string>

#include "LoadedModule.h"
#include "TestHost.h"

// Layout letters of each canvas's destination.
inline std::string CodesOf(uint32_t id)
{
    return id == 126 || id == 127 ? "RGBA" : id == 130 || id == 131 ? "RGB" : "A";
}

// Sets destination and source as a host does; the lincomb canvas gets its record with weights.
inline bool Attach(CQVTransformationCanvas* c, CQVSurface* dst, CQVSurface* src,
                   float wa = 0.502f, float wb = 0.502f)
{
    c->SetDestination(dst);
    if (c->GetClassID() != 130)
        return c->SetSource(src);
    LinCombSource record{src, wa, wb};
    return c->SetSource(reinterpret_cast<CQVSurface*>(&record));
}

// Each canvas's rule, from its definition: a, b the lincomb weight bytes, o the source opacity.
inline uint8_t PlainRule(uint32_t id, uint32_t d, uint32_t v, uint32_t a = 128, uint32_t b = 128,
                         uint32_t o = 255)
{
    switch (id) {
    case 126: return uint8_t(d + v > 255 ? 255 : d + v);
    case 130: return uint8_t((v * a + d * b) / 256 > 255 ? 255 : (v * a + d * b) / 256);
    case 11135: return uint8_t(v + ((255 - v) * d + 127) / 255);
    case 11138: return uint8_t(d + (((v * o + 127) / 255) * (255 - d) + 127) / 255);
    default: return uint8_t(v);
    }
}

inline const uint32_t kCanvasIds[] = {126, 127, 130, 131, 11136, 11135, 11138};
