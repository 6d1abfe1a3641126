// The module's side: each case drives a class of the loaded module as a host does.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "bench/Bench.h"
#include "tests/support/LoadedModule.h"

// The module is loaded once, the way the test suite loads it.
CQVFactoryObject* CreateModuleObject(uint32_t classId)
{
    return ModuleFactory()->CreateObject(classId);
}

namespace {

template <class T>
std::shared_ptr<T> Create(uint32_t classId)
{
    T* p = dynamic_cast<T*>(CreateModuleObject(classId));
    if (p == nullptr)
        std::abort();
    return std::shared_ptr<T>(p, [](T* q) { q->Release(); });
}

int BytesPer(const std::string& codes) { return int(codes.size()); }

// A converter from one format to another; in place the destination shares the source's pixels.
Setup ConvertCase(uint32_t id, std::string from, std::string to, bool inPlace, Size s)
{
    return [=] {
        auto conv = Create<CQVSurfaceConverter>(id);
        auto src = MakeSurface(from, s.w, s.h, 1);
        auto dst = MakeSurface(to, s.w, s.h, 0, inPlace ? src->GetMemory() : nullptr);
        auto target = std::make_shared<CQVFormat>(MakeFormat(to));
        return Body([=] { conv->Convert(src.get(), dst.get(), *target); });
    };
}

enum class Draw { Blit, Enlarge2, Reduce2, Enlarge15 };

// Source size that the drawing maps onto a destination rectangle of s.
Size SourceSize(Draw d, Size s)
{
    switch (d) {
    case Draw::Enlarge2: return {s.w / 2, s.h / 2};
    case Draw::Reduce2: return {s.w * 2, s.h * 2};
    case Draw::Enlarge15: return {s.w * 2 / 3, s.h * 2 / 3};
    default: return s;
    }
}

Setup CanvasCase(uint32_t id, std::string codes, Draw draw, Size s)
{
    return [=] {
        auto canvas = Create<CQVTransformationCanvas>(id);
        Size ss = SourceSize(draw, s);
        auto src = MakeSurface(codes, ss.w, ss.h, 2);
        auto dst = MakeSurface(codes, s.w, s.h, 3);
        src->SetOpacity(200);
        canvas->SetDestination(dst.get());
        auto rec = std::make_shared<LinCombSource>(LinCombSource{src.get(), 0.5f, 0.5f});
        if (id == 130)
            canvas->SetSource(reinterpret_cast<CQVSurface*>(rec.get()));
        else
            canvas->SetSource(src.get());
        if (draw == Draw::Blit)
            return Body([=] {
                canvas->Blit(0, 0, s.w, s.h, 0, 0);
                (void)rec, (void)src, (void)dst;
            });
        return Body([=] {
            canvas->TransformBlit(0, 0, ss.w, ss.h, 0, 0, s.w, s.h);
            (void)rec, (void)src, (void)dst;
        });
    };
}

enum class Shape { Rectangle, Line, Disc };

Setup ColourCase(Shape shape, Size s, int radius)
{
    return [=] {
        auto canvas = Create<CQVPrimitiveCanvas>(125);
        auto dst = MakeSurface("BGRA", s.w, s.h, 4);
        canvas->SetDestination(dst.get());
        ColorRecord colour{0, 0x01020304};
        canvas->SetColor(&colour);
        switch (shape) {
        case Shape::Rectangle:
            return Body([=] {
                canvas->DrawRectangle(0, 0, s.w, s.h);
                (void)dst;
            });
        case Shape::Line: {
            auto row = std::make_shared<int>(0);
            return Body([=] {
                canvas->DrawHorizontalLine(0, *row, s.w - 1);
                *row = *row + 1 == s.h ? 0 : *row + 1;
                (void)dst;
            });
        }
        default:
            return Body([=] {
                canvas->DrawCircle(s.w / 2, s.h / 2, radius);
                (void)dst;
            });
        }
    };
}

}  // namespace

void AddModuleCases(std::vector<Case>& cases, const std::vector<Size>& sizes)
{
    struct Conv {
        const char* op;
        uint32_t id;
        const char* from;
        const char* to;
        bool inPlace;
    };
    static const Conv kConverters[] = {
        {"Convert 8/8/8/8>8/8/8", 128, "BGRA", "BGR", false},
        {"Convert 8/8/8/8>8/8/8 reversed", 128, "BGRA", "RGB", false},
        {"Convert 8/8/8/8>8 (4th byte)", 129, "BGRA", "A", false},
        {"Convert 8/8/8>8 (2nd byte)", 11133, "BGR", "G", false},
        {"Convert 8/8/8>8/8/8/8", 11134, "BGR", "BGRA", false},
        {"Convert 8/8/8>8/8/8/8 reversed", 11134, "RGB", "BGRA", false},
        {"Convert 8>8/8/8/8 mask", 11137, "A", "BGRA", false},
        {"Swap 8/8/8/8 (2,1,0,3)", 133, "BGRA", "RGBA", false},
        {"Swap 8/8/8/8 (2,1,0,3) in place", 133, "BGRA", "RGBA", true},
        {"Swap 8/8/8 (2,1,0)", 132, "BGR", "RGB", false},
        {"Swap 8/8/8 (2,1,0) in place", 132, "BGR", "RGB", true},
        {"Swap 8/8/8 (1,2,0)", 132, "BGR", "GRB", false},
    };
    struct Canv {
        const char* name;
        uint32_t id;
        const char* codes;
    };
    static const Canv kCanvases[] = {
        {"add 8/8/8/8", 126, "BGRA"},  {"copy 8/8/8/8", 127, "BGRA"}, {"copy 8/8/8", 131, "BGR"},
        {"lincomb 8/8/8", 130, "BGR"}, {"copy 8", 11136, "A"},        {"paintbrush 8", 11135, "A"},
        {"airbrush 8", 11138, "A"},
    };
    struct Path {
        const char* name;
        Draw draw;
    };
    static const Path kPaths[] = {
        {"Blit", Draw::Blit},
        {"TransformBlit 2x bilinear", Draw::Enlarge2},
        {"TransformBlit 1/2 box", Draw::Reduce2},
        {"TransformBlit 1.5x bilinear", Draw::Enlarge15},
    };

    for (const Size& s : sizes) {
        const int64_t n = int64_t(s.w) * s.h;
        for (const Conv& c : kConverters)
            cases.push_back({c.op,
                             s.Name(),
                             n,
                             n * BytesPer(c.to),
                             ConvertCase(c.id, c.from, c.to, c.inPlace, s),
                             {}});
        for (const Path& p : kPaths)
            for (const Canv& c : kCanvases)
                cases.push_back({std::string(p.name) + " " + c.name,
                                 s.Name(),
                                 n,
                                 n * BytesPer(c.codes),
                                 CanvasCase(c.id, c.codes, p.draw, s),
                                 {}});
        cases.push_back({"DrawRectangle fill 8/8/8/8",
                         s.Name(),
                         n,
                         n * 4,
                         ColourCase(Shape::Rectangle, s, 0),
                         {}});
        cases.push_back({"DrawHorizontalLine 8/8/8/8",
                         s.Name(),
                         s.w,
                         int64_t(s.w) * 4,
                         ColourCase(Shape::Line, s, 0),
                         {}});
        const int r = std::min(500, std::min(s.w, s.h) / 2 - 1);
        const int64_t disc = int64_t(std::llround(M_PI * r * r));
        cases.push_back({"DrawCircle fill r=" + std::to_string(r),
                         s.Name(),
                         disc,
                         disc * 4,
                         ColourCase(Shape::Disc, s, r),
                         {}});
    }
    for (Case& c : cases)
        AddPeers(c, Size{std::stoi(c.size), std::stoi(c.size.substr(c.size.find('x') + 1))});
}
