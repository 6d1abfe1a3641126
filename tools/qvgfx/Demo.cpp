// qvgfx demo: a gallery in which the module's sixteen classes draw and convert every pixel.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "tools/qvgfx/Commands.h"
#include "tools/qvgfx/Font.h"
#include "tools/qvgfx/Layout.h"
#include "tools/qvgfx/Parse.h"
#include "tools/qvgfx/Plugin.h"
#include "tools/qvgfx/Png.h"

namespace {

constexpr int32_t kPanelW = 112, kPanelH = 84;  // a panel's picture
constexpr int32_t kCellW = 120, kCellH = 108;   // label, picture and gap
constexpr int32_t kColumns = 4, kRows = 4, kMargin = 8;

const CQVFormat kRGBA(2, 'R', 'G', 'B', 'A');
const CQVFormat kRGB(1, 'R', 'G', 'B');
const CQVFormat kGrey(0, kGreyCode);

using Surface = std::unique_ptr<CQVSurface>;

// Procedural pictures are the host's own: written straight into the surface's memory.
Surface Paint(const CQVFormat& format, int32_t w, int32_t h,
              const std::function<uint8_t(int, int, int)>& f)
{
    Surface s = MakeSurface(format, w, h);
    int B = CQVFormat::m_Size[format.m_Kind];
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < B; ++k)
                s->GetMemory()[std::size_t(y) * std::size_t(s->GetPitch()) +
                               std::size_t(x * B + k)] = f(x, y, k);
    return s;
}

uint8_t Ramp(int i, int n) { return uint8_t(i * 255 / (n > 1 ? n - 1 : 1)); }

// Colour stripes over a diagonal ramp: a picture whose channels all differ.
Surface Gradient(const CQVFormat& format, int32_t w, int32_t h)
{
    return Paint(format, w, h, [=](int x, int y, int k) {
        return k == 0   ? Ramp(x, w)
               : k == 1 ? Ramp(y, h)
               : k == 2 ? Ramp(w - 1 - x + y, w + h - 1)
                        : uint8_t(255);
    });
}

Surface Checker(const CQVFormat& format, int32_t w, int32_t h, int cell)
{
    static const uint8_t kColors[4][4] = {
        {230, 60, 40, 255}, {40, 170, 230, 255}, {250, 210, 40, 255}, {30, 30, 60, 255}};
    return Paint(format, w, h, [=](int x, int y, int k) {
        int c = ((x / cell) + (y / cell)) % 2 * 2 + (x / cell + 2 * (y / cell)) % 2;
        return format.m_Kind == 0 ? uint8_t(((x / cell + y / cell) % 2) * 255) : kColors[c][k];
    });
}

// A soft round brush: full coverage at the centre falling smoothly to none at the rim.
Surface Brush(int32_t size)
{
    return Paint(kGrey, size, size, [=](int x, int y, int) {
        double r = std::hypot(x + 0.5 - size / 2.0, y + 0.5 - size / 2.0) / (size / 2.0);
        double v = r >= 1 ? 0 : (1 - r * r) * (1 - r * r);
        return uint8_t(std::lround(v * 255));
    });
}

class Gallery {
public:
    explicit Gallery(Plugin& plugin)
        : m_Plugin(plugin),
          m_Image(MakeSurface(kRGBA, kMargin + kColumns * kCellW, kMargin + kRows * kCellH))
    {
        Object<CQVPrimitiveCanvas> c = ColorCanvas(m_Image.get(), true);
        SetColor(c, 24, 24, 32, 255);
        c->DrawRectangle(0, 0, m_Image->GetWidth(), m_Image->GetHeight());
    }

    Object<CQVPrimitiveCanvas> ColorCanvas(CQVSurface* destination, bool fill)
    {
        uint32_t id = m_Plugin.CanvasFor(destination->GetFormat(), 1, fill ? 2 : 1, 1);
        if (id == 0)
            throw Failure("the module offers no colour canvas for the gallery");
        Object<CQVPrimitiveCanvas> canvas = m_Plugin.Create<CQVPrimitiveCanvas>(id);
        canvas->SetDestination(destination);
        return canvas;
    }

    // The surface canvas for a rule code and the destination's layout, with its surfaces set.
    Object<CQVTransformationCanvas> SurfaceCanvas(CQVSurface* destination, uint32_t operation,
                                                  CQVSurface* source)
    {
        uint32_t id = m_Plugin.CanvasFor(destination->GetFormat(), operation, 0, 2);
        if (id == 0)
            throw Failure("the module offers no canvas with operation " +
                          std::to_string(operation) + " for " + Describe(destination->GetFormat()));
        Object<CQVTransformationCanvas> canvas = m_Plugin.Create<CQVTransformationCanvas>(id);
        canvas->SetDestination(destination);
        if (source)
            canvas->SetSource(source);
        return canvas;
    }

    Surface Convert(CQVSurface& source, const CQVFormat& target, bool mask = false)
    {
        return ConvertSurface(m_Plugin, source, target, mask);
    }

    static void SetColor(Object<CQVPrimitiveCanvas>& canvas, uint8_t r, uint8_t g, uint8_t b,
                         uint8_t a)
    {
        ColorRecord record = {0, 0};
        uint8_t bytes[4] = {r, g, b, a};
        std::memcpy(&record.color, bytes, 4);
        canvas->SetColor(&record);
    }

    // Places a panel of any layout in the next cell under its two label lines (18 characters,
    // 19 reaching into the gap). 8/8/8 panels go through the 8/8/8 to 8/8/8/8 converter, 8 panels
    // through the mask converter (ink on paper).
    void Place(CQVSurface& panel, const char* title, const char* note)
    {
        Surface converted;
        CQVSurface* rgba = &panel;
        if (panel.GetFormat().m_Kind != 2) {
            converted = Convert(panel, kRGBA, panel.GetFormat().m_Kind == 0);
            rgba = converted.get();
        }
        int32_t x = kMargin + m_Count % kColumns * kCellW,
                y = kMargin + m_Count / kColumns * kCellH;
        ++m_Count;
        Object<CQVTransformationCanvas> copy = SurfaceCanvas(m_Image.get(), 8, rgba);
        copy->Blit(0, 0, kPanelW, kPanelH, x, y + 20);
        Text(x, y + 1, title);
        Text(x, y + 10, note);
    }

    void Write(const std::string& path, const PngOutput& output)
    {
        Surface rgb = Convert(*m_Image, kRGB);
        WritePng(*rgb, path, output);
    }

private:
    void Text(int32_t x, int32_t y, const char* text)
    {
        Object<CQVPrimitiveCanvas> c = ColorCanvas(m_Image.get(), true);
        SetColor(c, 235, 235, 235, 0);
        for (; *text; ++text, x += 6)
            if (const Glyph* g = FindGlyph(*text))
                for (int row = 0; row < 8; ++row)
                    for (int col = 0; col < 5; ++col)
                        if (g->rows[row] & (0x10 >> col))
                            c->DrawPixel(x + col, y + row);
    }

    Plugin& m_Plugin;
    Surface m_Image;
    int m_Count = 0;
};

Surface Black() { return MakeSurface(kRGBA, kPanelW, kPanelH); }

void Shapes(Gallery& g)
{
    Surface outline = Black();
    Object<CQVPrimitiveCanvas> c = g.ColorCanvas(outline.get(), false);
    for (int i = 0; i < 3; ++i) {
        Gallery::SetColor(c, i == 0 ? 255 : 0, i == 1 ? 255 : 0, i == 2 ? 255 : 0, 255);
        for (int r = 6; r <= 30; r += 4)
            c->DrawCircle(36 + i * 20, 34 + (i % 2) * 16, r);
    }
    Gallery::SetColor(c, 120, 120, 0, 255);
    c->DrawEllipse(56, 42, 54, 14);
    c->DrawEllipse(56, 42, 14, 40);
    Gallery::SetColor(c, 0, 90, 140, 255);
    c->DrawRectangle(4, 4, 104, 76);
    c->DrawRectangle(10, 10, 92, 64);
    g.Place(*outline, "ADD DRAW CANVAS", "CIRCLES, ELLIPSES");

    Surface filled = Black();
    c = g.ColorCanvas(filled.get(), true);
    Gallery::SetColor(c, 40, 40, 40, 255);
    c->DrawRectangle(6, 6, 100, 72);
    Gallery::SetColor(c, 200, 0, 0, 255);
    c->DrawCircle(42, 32, 24);
    Gallery::SetColor(c, 0, 200, 0, 255);
    c->DrawCircle(70, 32, 24);
    Gallery::SetColor(c, 0, 0, 200, 255);
    c->DrawCircle(56, 54, 24);
    Gallery::SetColor(c, 90, 60, 0, 255);
    c->DrawEllipse(56, 42, 50, 8);
    g.Place(*filled, "ADD FILL CANVAS", "DISCS, FILLED OVAL");

    Surface lines = Black();
    c = g.ColorCanvas(lines.get(), false);
    Object<CQVPrimitiveCanvas> f = g.ColorCanvas(lines.get(), true);
    for (int i = 0; i < 24; ++i) {
        double a = i * 3.14159265 / 12;
        Object<CQVPrimitiveCanvas>& canvas = i % 2 ? c : f;
        Gallery::SetColor(canvas, uint8_t(128 + 127 * std::cos(a)),
                          uint8_t(128 + 127 * std::sin(a)), 160, 255);
        canvas->DrawLine(56, 42, 56 + int(std::lround(52 * std::cos(a))),
                         42 + int(std::lround(40 * std::sin(a))));
    }
    Gallery::SetColor(c, 255, 255, 255, 255);
    c->DrawCircle(56, 42, 6);
    g.Place(*lines, "ADD LINES", "DRAW + FILL CANVAS");
}

void CopyAndAdd(Gallery& g)
{
    Surface blit = Black();
    Surface checker = Checker(kRGBA, 64, 64, 8), ramp = Gradient(kRGBA, 80, 60);
    Object<CQVTransformationCanvas> copy = g.SurfaceCanvas(blit.get(), 8, ramp.get());
    copy->Blit(0, 0, 80, 60, -20, -10);
    copy->SetSource(checker.get());
    copy->SetClip(20, 16, 100, 76);
    copy->Blit(0, 0, 64, 64, 50, 30);
    g.Place(*blit, "COPY BLIT", "CLIPPED AT EDGES");

    Surface big = Black();
    Surface small = Checker(kRGBA, 6, 5, 1);
    copy = g.SurfaceCanvas(big.get(), 8, small.get());
    copy->TransformBlit(0, 0, 6, 5, 0, 0, kPanelW, kPanelH);
    g.Place(*big, "COPY ENLARGE", "6X5 BILINEAR");

    // Box reduction at its best: a drawing at twice the panel's size, halved, so that each
    // panel pixel averages a 2 x 2 block and edges and thin lines come out smoothed.
    Surface large = MakeSurface(kRGBA, 2 * kPanelW, 2 * kPanelH);
    Object<CQVPrimitiveCanvas> fill = g.ColorCanvas(large.get(), true),
                               draw = g.ColorCanvas(large.get(), false);
    Gallery::SetColor(fill, 30, 60, 110, 255);
    fill->DrawRectangle(0, 0, 2 * kPanelW, 2 * kPanelH);
    Gallery::SetColor(fill, 220, 120, 0, 0);
    fill->DrawCircle(70, 84, 52);
    Gallery::SetColor(fill, 0, 140, 90, 0);
    fill->DrawEllipse(150, 100, 60, 34);
    Gallery::SetColor(draw, 230, 230, 230, 0);
    for (int i = 0; i < 12; ++i)
        draw->DrawLine(4 + i * 18, 160, 116 + i * 9, 6);
    Surface reduced = Black();
    copy = g.SurfaceCanvas(reduced.get(), 8, large.get());
    copy->TransformBlit(0, 0, 2 * kPanelW, 2 * kPanelH, 0, 0, kPanelW, kPanelH);
    g.Place(*reduced, "COPY REDUCE", "224X168 HALVED");

    Surface sum = Paint(kRGBA, kPanelW, kPanelH, [](int, int y, int k) {
        return k == 2 ? Ramp(y, kPanelH) : uint8_t(k == 3 ? 255 : 0);
    });
    Surface red = Paint(kRGBA, kPanelW, kPanelH,
                        [](int x, int, int k) { return k == 0 ? Ramp(x, kPanelW) : uint8_t(0); });
    Object<CQVTransformationCanvas> add = g.SurfaceCanvas(sum.get(), 1, red.get());
    add->Blit(0, 0, kPanelW, kPanelH, 0, 0);
    Surface green = Paint(kRGBA, 40, 40, [](int x, int y, int k) {
        return uint8_t(k == 1 && std::hypot(x - 19.5, y - 19.5) < 18 ? 200 : 0);
    });
    add->SetSource(green.get());
    add->Blit(0, 0, 40, 40, 36, 22);
    g.Place(*sum, "ADD BLIT", "RAMPS + DISC");

    Surface scaled = Gradient(kRGBA, kPanelW, kPanelH);
    add = g.SurfaceCanvas(scaled.get(), 1, checker.get());
    add->TransformBlit(0, 0, 16, 16, 4, 4, 48, 48);
    add->TransformBlit(0, 0, 64, 64, 60, 30, 48, 48);
    g.Place(*scaled, "ADD SCALE", "ENLARGED, REDUCED");
}

void Blends(Gallery& g)
{
    Surface base = Gradient(kRGB, kPanelW, kPanelH), over = Checker(kRGB, kPanelW, kPanelH, 14);
    Object<CQVTransformationCanvas> lincomb = g.SurfaceCanvas(base.get(), 4, nullptr);
    LinCombSource half = {over.get(), 0.5f, 0.5f}, strong = {over.get(), 0.9f, 0.1f};
    lincomb->SetSource(reinterpret_cast<CQVSurface*>(&half));
    lincomb->Blit(0, 0, 56, kPanelH, 0, 0);
    lincomb->SetSource(reinterpret_cast<CQVSurface*>(&strong));
    lincomb->Blit(56, 0, 56, kPanelH, 56, 0);
    g.Place(*base, "LINCOMB (8/8/8)", "0.5, 0.5 / 0.9, 0.1");

    Surface rgb = MakeSurface(kRGB, kPanelW, kPanelH);
    Surface tiny = Gradient(kRGB, 4, 3);
    Object<CQVTransformationCanvas> copy = g.SurfaceCanvas(rgb.get(), 8, tiny.get());
    copy->TransformBlit(0, 0, 4, 3, 0, 0, kPanelW, kPanelH);
    g.Place(*rgb, "COPY (8/8/8)", "4X3 ENLARGED");
}

// Dabs of the brush along a curve, each a TransformBlit of the whole brush to the dab's size.
void Stroke(CQVTransformationCanvas& canvas, int32_t brush, int count,
            const std::function<void(int, double&, double&, double&)>& path)
{
    for (int i = 0; i < count; ++i) {
        double x, y, size;
        path(i, x, y, size);
        int32_t s = int32_t(size);
        canvas.TransformBlit(0, 0, brush, brush, int32_t(x) - s / 2, int32_t(y) - s / 2, s, s);
    }
}

void Masks(Gallery& g)
{
    Surface brush = Brush(32);
    Surface paint = MakeSurface(kGrey, kPanelW, kPanelH);
    Object<CQVTransformationCanvas> p = g.SurfaceCanvas(paint.get(), 10, brush.get());
    Stroke(*p.Get(), 32, 40, [](int i, double& x, double& y, double& s) {
        x = 14 + i * 2.1, y = 42 + 24 * std::sin(i * 0.16), s = 10 + 10 * std::sin(i * 0.08);
    });
    g.Place(*paint, "PAINTBRUSH (8)", "DABS ALONG A CURVE");

    Surface air = MakeSurface(kGrey, kPanelW, kPanelH);
    brush->SetOpacity(40);
    Object<CQVTransformationCanvas> a = g.SurfaceCanvas(air.get(), 11, brush.get());
    Stroke(*a.Get(), 32, 90, [](int i, double& x, double& y, double& s) {
        double t = i * 0.07;
        x = 56 + (10 + 8 * t) * std::cos(t * 2), y = 42 + (8 + 7 * t) * std::sin(t * 2), s = 22;
    });
    brush->SetOpacity(255);
    g.Place(*air, "AIRBRUSH (8)", "OPACITY 40, SPIRAL");

    Surface mask = MakeSurface(kGrey, kPanelW, kPanelH);
    Surface checker = Checker(kGrey, 32, 32, 4);
    Object<CQVTransformationCanvas> c = g.SurfaceCanvas(mask.get(), 8, brush.get());
    c->TransformBlit(0, 0, 32, 32, 0, 0, 84, 84);
    c->SetSource(checker.get());
    c->Blit(0, 0, 32, 32, 80, 0);
    c->TransformBlit(0, 0, 32, 32, 84, 40, 28, 28);
    g.Place(*mask, "COPY (8) + MASK", "CONVERTER INVERTS");
}

// Red, green and blue bars over the panel; the lower half stored in `layout` by a swapper, so
// the bars there show which channels traded places.
void SwappedBars(Gallery& g, const CQVFormat& format, const CQVFormat& layout, const char* title,
                 const char* note)
{
    Surface bars = MakeSurface(format, kPanelW, kPanelH);
    Surface rgba = MakeSurface(kRGBA, kPanelW, kPanelH);
    Object<CQVPrimitiveCanvas> c = g.ColorCanvas(rgba.get(), true);
    const uint8_t colors[3][3] = {{230, 40, 0}, {0, 200, 40}, {20, 40, 230}};
    for (int i = 0; i < 3; ++i) {
        Gallery::SetColor(c, colors[i][0], colors[i][1], colors[i][2], 255);
        c->DrawRectangle(8 + i * 34, 6, 28, 72);
    }
    if (format.m_Kind == 2)
        bars = std::move(rgba);
    else
        bars = g.Convert(*rgba, format);
    Surface swapped = g.Convert(*bars, layout);
    Object<CQVTransformationCanvas> copy = g.SurfaceCanvas(bars.get(), 8, swapped.get());
    copy->Blit(0, kPanelH / 2 + 2, kPanelW, kPanelH, 0, kPanelH / 2 + 2);
    g.Place(*bars, title, note);
}

void Conversions(Gallery& g)
{
    SwappedBars(g, kRGBA, CQVFormat(2, 'B', 'G', 'R', 'A'), "SWAP 8/8/8/8", "BELOW: AS BGRA");
    SwappedBars(g, kRGB, CQVFormat(1, 'G', 'B', 'R'), "SWAP 8/8/8", "BELOW: AS GBR");

    // Left: the G channel of an 8/8/8/8 picture; right: the R channel of an 8/8/8 one.
    Surface rgba = Gradient(kRGBA, kPanelW, kPanelH);
    Surface rgbOnly = g.Convert(*rgba, kRGB);
    Surface green = g.Convert(*rgba, CQVFormat(0, 'G'));
    Surface red = g.Convert(*rgbOnly, CQVFormat(0, 'R'));
    Object<CQVTransformationCanvas> copy = g.SurfaceCanvas(green.get(), 8, red.get());
    copy->Blit(56, 0, 56, kPanelH, 56, 0);
    g.Place(*green, "TO 8: G AND R", "SHOWN BY THE MASK");
}

}  // namespace

int DemoCommand(Plugin& plugin, const Arguments& args)
{
    CommandLine line = SplitArguments(args, {"--compression"});
    if (line.positionals.size() > 1)
        throw UsageError("demo takes at most one argument, OUT.png");
    std::string out = line.positionals.empty() ? "gallery.png" : line.positionals[0];
    PngOutput output = OutputFor(line, out);
    Gallery g(plugin);
    Shapes(g);
    CopyAndAdd(g);
    Blends(g);
    Masks(g);
    Conversions(g);
    g.Write(out, output);
    if (out != "-")
        std::printf("wrote %s\n", out.c_str());
    return 0;
}
