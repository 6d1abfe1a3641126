// Surface canvases of the loaded plug-in as a host drives them, and the rules written out plainly.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/LoadedModule.h"
#include "tests/support/TestHost.h"

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

// A worked example: source and destination bytes (one value: every byte; destination empty:
// zeros), one call (six numbers: Blit, eight: TransformBlit) made `times` times, and the
// destination bytes after each call (one value: every byte).
struct Example {
    uint32_t id;
    int32_t sw, sh;
    std::vector<uint8_t> src;
    int32_t dw, dh;
    std::vector<uint8_t> dst;
    std::vector<int32_t> call;
    std::vector<uint8_t> want;
    int times = 1;
    float wa = 0.502f, wb = 0.502f;
    uint8_t opacity = 255;
};

inline void ExpectExample(const Example& e)
{
    TestSurface src(CodesOf(e.id), e.sw, e.sh), dst(CodesOf(e.id), e.dw, e.dh);
    for (auto [s, v] : {std::pair{&src, &e.src}, {&dst, &e.dst}})
        for (size_t i = 0; i < s->surface.GetByteSize() && !v->empty(); ++i)
            s->surface.GetMemory()[i] = v->size() == 1 ? v->at(0) : v->at(i);
    src.surface.SetOpacity(e.opacity);
    ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(e.id));
    Attach(canvas.get(), &dst.surface, &src.surface, e.wa, e.wb);
    std::vector<uint8_t> got;
    for (int n = 0; n < e.times; ++n) {
        const int32_t* a = e.call.data();
        if (e.call.size() == 6)
            canvas->Blit(a[0], a[1], a[2], a[3], a[4], a[5]);
        else
            canvas->TransformBlit(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
        const std::vector<uint8_t> b = dst.Bytes();
        got.insert(got.end(), b.begin(), b.end());
    }
    EXPECT_EQ(got, e.want.size() == 1 ? std::vector<uint8_t>(got.size(), e.want[0]) : e.want) << e.id;
}
