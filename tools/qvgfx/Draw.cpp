// qvgfx draw: shapes added by the 8/8/8/8 colour canvases, one OP per canvas call.
#include <algorithm>
#include <cstring>

#include "tools/qvgfx/Commands.h"
#include "tools/qvgfx/Parse.h"
#include "tools/qvgfx/Plugin.h"
#include "tools/qvgfx/Png.h"

namespace {

constexpr int32_t kMaxShapeExtent = (1 << 28) - 1;

enum class Shape { Color, Pixel, HLine, VLine, Rect, Circle, Ellipse, Line };

struct ShapeSyntax {
    const char* name;
    Shape shape;
    std::size_t count;
};

const ShapeSyntax kShapes[] = {
    {"color", Shape::Color, 4},     {"pixel", Shape::Pixel, 2}, {"hline", Shape::HLine, 3},
    {"vline", Shape::VLine, 3},     {"rect", Shape::Rect, 4},   {"circle", Shape::Circle, 3},
    {"ellipse", Shape::Ellipse, 4}, {"line", Shape::Line, 4},
};

struct Op {
    Shape shape;
    std::vector<int32_t> a;
    std::string text;
};

Op ParseOp(const std::string& text)
{
    std::size_t colon = text.find(':');
    std::string name = text.substr(0, colon);
    for (const ShapeSyntax& s : kShapes) {
        if (name != s.name)
            continue;
        if (colon == std::string::npos)
            throw UsageError("OP '" + text + "' needs its numbers after '" + name + ":'");
        std::string what = "OP " + name;
        std::string list = text.substr(colon + 1);
        if (s.shape == Shape::Color)
            return {s.shape, ParseInt32List(list, 4, what, 0, 255), text};
        // The rasterisers walk the shape's whole extent; keep it where their arithmetic is exact.
        if (s.shape == Shape::Circle || s.shape == Shape::Ellipse || s.shape == Shape::Line)
            return {s.shape, ParseInt32List(list, s.count, what, -kMaxShapeExtent, kMaxShapeExtent),
                    text};
        return {s.shape, ParseInt32List(list, s.count, what), text};
    }
    throw UsageError(
        "unknown OP '" + text +
        "' (color, pixel, hline, vline, rect, circle, ellipse, line; see qvgfx draw --help)");
}

// The inclusive box of pixels a canvas may still touch: the clip rectangle within the image.
struct Box {
    int64_t left, top, right, bottom;
};

// Why the module leaves out all (or nearly all) of a shape, by its documented rules; empty when
// it draws the shape. 64-bit arithmetic: no sum or product below can overflow.
std::string ShapeNote(const Op& op, bool fill, const Box& area)
{
    const std::vector<int32_t>& a = op.a;
    const std::string nothing = op.text + " draws nothing: ";
    int64_t x0 = a[0], y0 = a[1], x1 = a[0], y1 = a[1];
    switch (op.shape) {
    case Shape::Color: return {};
    case Shape::Pixel: break;
    case Shape::HLine:
        if (a[2] < a[0])
            return nothing + "its end X2 lies left of its start X1";
        x1 = a[2];
        break;
    case Shape::VLine:
        if (a[2] < a[1])
            return nothing + "its end Y2 lies above its start Y1";
        y1 = a[2];
        break;
    case Shape::Rect:
        if (a[2] < 1 || a[3] < 1)
            return nothing + "its width and height must be 1 or more";
        x1 = x0 + a[2] - 1, y1 = y0 + a[3] - 1;
        break;
    case Shape::Circle:
    case Shape::Ellipse: {
        // A negative RY with a positive RX draws as its magnitude; a negative RX (or a negative
        // RY with RX 0) leaves the outline's four axis points at most.
        int64_t rx = a[2], ry = op.shape == Shape::Circle ? a[2] : a[3];
        if (rx < 0 || (rx == 0 && ry < 0)) {
            if (fill || rx == 0 || ry == 0)
                return nothing + "a radius is negative";
            return op.text +
                   " has a negative radius: the draw canvas plots only the four points where the "
                   "outline meets the axes";
        }
        ry = ry < 0 ? -ry : ry;
        // Larger ellipses would leave the rasteriser's exact range.
        const int64_t limit = int64_t(1) << 61;
        if (op.shape == Shape::Ellipse && rx > 0 && ry > 0 &&
            (2 * rx * rx > limit / ry || 2 * ry * ry > limit / rx))
            return nothing + "2 x RX^2 x RY and 2 x RY^2 x RX must stay at most 2^61";
        x0 -= rx, x1 += rx, y0 -= ry, y1 += ry;
        break;
    }
    case Shape::Line:
        x0 = std::min(a[0], a[2]), x1 = std::max(a[0], a[2]);
        y0 = std::min(a[1], a[3]), y1 = std::max(a[1], a[3]);
        break;
    }
    if (x1 < area.left || x0 > area.right || y1 < area.top || y0 > area.bottom)
        return nothing + "it lies wholly outside the image or the clip rectangle";
    return {};
}

void Apply(CQVPrimitiveCanvas& canvas, const Op& op)
{
    const std::vector<int32_t>& a = op.a;
    switch (op.shape) {
    case Shape::Color: {
        ColorRecord record = {0, 0};
        uint8_t bytes[4] = {uint8_t(a[0]), uint8_t(a[1]), uint8_t(a[2]), uint8_t(a[3])};
        std::memcpy(&record.color, bytes, 4);
        canvas.SetColor(&record);
        break;
    }
    case Shape::Pixel: canvas.DrawPixel(a[0], a[1]); break;
    case Shape::HLine: canvas.DrawHorizontalLine(a[0], a[1], a[2]); break;
    case Shape::VLine: canvas.DrawVerticalLine(a[0], a[1], a[2]); break;
    case Shape::Rect: canvas.DrawRectangle(a[0], a[1], a[2], a[3]); break;
    case Shape::Circle: canvas.DrawCircle(a[0], a[1], a[2]); break;
    case Shape::Ellipse: canvas.DrawEllipse(a[0], a[1], a[2], a[3]); break;
    case Shape::Line: canvas.DrawLine(a[0], a[1], a[2], a[3]); break;
    }
}

}  // namespace

int DrawCommand(Plugin& plugin, const Arguments& args)
{
    CommandLine line =
        SplitArguments(args, {"--size", "--onto", "--canvas", "--clip", "--compression"});
    if (line.positionals.size() < 2)
        throw UsageError("draw takes OUT.png and at least one OP (see qvgfx draw --help)");
    if (line.Has("--size") == line.Has("--onto"))
        throw UsageError("draw needs exactly one of --size WxH and --onto IN.png");
    uint32_t drawOrFill = 1;
    if (line.Has("--canvas")) {
        const std::string& c = line.Get("--canvas");
        if (c != "draw" && c != "fill")
            throw UsageError("--canvas: '" + c + "' is neither draw nor fill");
        drawOrFill = c == "draw" ? 1 : 2;
    }
    std::vector<int32_t> clip;
    if (line.Has("--clip"))
        clip = ParseInt32List(line.Get("--clip"), 4, "--clip");
    std::vector<Op> ops;
    ops.push_back({Shape::Color, {255, 255, 255, 255}, "color:255,255,255,255"});
    for (std::size_t i = 1; i < line.positionals.size(); ++i)
        ops.push_back(ParseOp(line.positionals[i]));

    std::unique_ptr<CQVSurface> image;
    ColourChunks colour;
    PngOutput output = OutputFor(line, line.positionals[0], &colour);
    if (line.Has("--size")) {
        std::array<int32_t, 2> size = ParseSize(line.Get("--size"), "--size");
        image = MakeSurface(CQVFormat(2, 'R', 'G', 'B', 'A'), size[0], size[1]);
    } else {
        image = ReadPng(line.Get("--onto"), &colour);
    }
    uint32_t id = plugin.CanvasFor(image->GetFormat(), 1, drawOrFill, 1);
    if (id == 0)
        throw Failure("the module offers no add " + std::string(drawOrFill == 1 ? "draw" : "fill") +
                      " colour canvas for " + Describe(image->GetFormat()) + " images");
    Object<CQVPrimitiveCanvas> canvas = plugin.Create<CQVPrimitiveCanvas>(id);
    canvas->SetDestination(image.get());
    Box area = {0, 0, image->GetWidth() - 1, image->GetHeight() - 1};
    bool nothing = false;
    if (!clip.empty()) {
        canvas->SetClip(clip[0], clip[1], clip[2], clip[3]);
        nothing = NoteEmptyClip(clip, image->GetWidth(), image->GetHeight());
        area = {std::max<int64_t>(clip[0], 0), std::max<int64_t>(clip[1], 0),
                std::min<int64_t>(clip[2], area.right), std::min<int64_t>(clip[3], area.bottom)};
    }
    for (const Op& op : ops) {
        std::string note = nothing ? std::string() : ShapeNote(op, drawOrFill == 2, area);
        if (!note.empty())
            Note(note);
        Apply(*canvas.Get(), op);
    }
    WritePng(*image, line.positionals[0], output);
    return 0;
}
