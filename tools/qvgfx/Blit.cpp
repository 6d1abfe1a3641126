// qvgfx blit and scale: Blit and TransformBlit of one image into another by a surface canvas.
#include <algorithm>

#include "tools/qvgfx/Commands.h"
#include "tools/qvgfx/Parse.h"
#include "tools/qvgfx/Plugin.h"
#include "tools/qvgfx/Png.h"

namespace {

struct Rule {
    const char* name;
    uint32_t operation;  // the canvas entry's first code
};

const Rule kRules[] = {
    {"copy", 8}, {"add", 1}, {"lincomb", 4}, {"paintbrush", 10}, {"airbrush", 11}};

// What blit and scale share: the two images, the canvas with its source set, the output path.
struct Job {
    std::unique_ptr<CQVSurface> source;
    std::unique_ptr<CQVSurface> destination;
    std::string output;
    PngOutput options;
    ColourChunks colour;
    LinCombSource weights = {};
};

const Rule& FindRule(const std::string& name)
{
    for (const Rule& r : kRules)
        if (name == r.name)
            return r;
    throw UsageError("unknown rule '" + name + "' (copy, add, lincomb, paintbrush, airbrush)");
}

// Checks the arguments common to both commands and reads the images; the canvas comes after.
Job Prepare(const CommandLine& line, const char* command, const Rule*& rule)
{
    if (line.positionals.size() != 3)
        throw UsageError(std::string(command) + " takes SRC.png DST.png OUT.png (see qvgfx " +
                         command + " --help)");
    if (!line.Has("--rule"))
        throw UsageError(std::string(command) + " needs --rule RULE");
    rule = &FindRule(line.Get("--rule"));
    Job job;
    job.weights.sourceWeight = job.weights.destinationWeight = 0.5f;
    if (line.Has("--weights")) {
        if (rule->operation != 4)
            throw UsageError("--weights belongs to the lincomb rule only");
        std::string w = line.Get("--weights");
        std::size_t comma = w.find(',');
        if (comma == std::string::npos || w.find(',', comma + 1) != std::string::npos)
            throw UsageError("--weights: '" + w + "' should be two comma-separated numbers");
        job.weights.sourceWeight = ParseWeight(w.substr(0, comma), "--weights");
        job.weights.destinationWeight = ParseWeight(w.substr(comma + 1), "--weights");
    }
    uint8_t opacity = 255;
    if (line.Has("--opacity")) {
        if (rule->operation != 11)
            throw UsageError("--opacity belongs to the airbrush rule only");
        opacity = uint8_t(ParseInteger(line.Get("--opacity"), "--opacity", 0, 255));
    }
    if (line.positionals[0] == "-" && line.positionals[1] == "-")
        throw UsageError("SRC and DST cannot both be standard input (-)");
    job.output = line.positionals[2];
    job.options = OutputFor(line, job.output);
    ColourChunks sourceColour;
    job.source = ReadPng(line.positionals[0], &sourceColour);
    job.destination = ReadPng(line.positionals[1], &job.colour);
    // The output keeps the destination's colour chunks where the source means its numbers alike.
    if (!(sourceColour == job.colour))
        job.colour = ColourChunks();
    job.source->SetOpacity(opacity);
    return job;
}

// The canvas registered for the rule and the destination's layout, with both surfaces set.
Object<CQVTransformationCanvas> MakeCanvas(Plugin& plugin, Job& job, const Rule& rule)
{
    const CQVFormat& d = job.destination->GetFormat();
    uint32_t id = plugin.CanvasFor(d, rule.operation, 0, 2);
    if (id == 0)
        throw Failure("the module offers no " + std::string(rule.name) + " canvas for " +
                      Describe(d) + " images");
    // The canvases read the source in the destination's layout.
    if (job.source->GetFormat().m_Kind != d.m_Kind)
        throw Failure("the source is " + Describe(job.source->GetFormat()) +
                      " but the destination is " + Describe(d) +
                      "; convert one of them first (qvgfx convert)");
    Object<CQVTransformationCanvas> canvas = plugin.Create<CQVTransformationCanvas>(id);
    canvas->SetDestination(job.destination.get());
    job.weights.surface = job.source.get();
    canvas->SetSource(rule.operation == 4 ? reinterpret_cast<CQVSurface*>(&job.weights)
                                          : job.source.get());
    return canvas;
}

// Blit's clipping, step by step in 64 bits: whether anything of the rectangle is left.
bool BlitDrawsSomething(std::vector<int64_t> r, int64_t sourceW, int64_t sourceH,
                        const int64_t (&clip)[4])
{
    int64_t &sx = r[0], &sy = r[1], &w = r[2], &h = r[3], &dx = r[4], &dy = r[5];
    w = std::min(w, sourceW - sx);
    if (sx < 0)
        w += sx, dx -= sx, sx = 0;
    h = std::min(h, sourceH - sy);
    if (sy < 0)
        h += sy, dy -= sy, sy = 0;
    w = std::min(w, clip[2] - dx + 1);
    if (dx < clip[0])
        w -= clip[0] - dx;
    h = std::min(h, clip[3] - dy + 1);
    if (dy < clip[1])
        h -= clip[1] - dy;
    return w >= 1 && h >= 1;
}

std::string Rectangle(const std::vector<int32_t>& r)
{
    std::string text;
    for (int32_t v : r) {
        if (!text.empty())
            text += ',';
        text += std::to_string(v);
    }
    return text;
}

}  // namespace

int BlitCommand(Plugin& plugin, const Arguments& args)
{
    CommandLine line = SplitArguments(
        args, {"--rule", "--from", "--at", "--clip", "--weights", "--opacity", "--compression"});
    const Rule* rule = nullptr;
    std::vector<int32_t> from, at = {0, 0}, clip;
    if (line.Has("--from"))
        from = ParseInt32List(line.Get("--from"), 4, "--from");
    if (line.Has("--at"))
        at = ParseInt32List(line.Get("--at"), 2, "--at");
    if (line.Has("--clip"))
        clip = ParseInt32List(line.Get("--clip"), 4, "--clip");
    Job job = Prepare(line, "blit", rule);
    if (from.empty())
        from = {0, 0, job.source->GetWidth(), job.source->GetHeight()};
    Object<CQVTransformationCanvas> canvas = MakeCanvas(plugin, job, *rule);
    int32_t width = job.destination->GetWidth(), height = job.destination->GetHeight();
    int64_t area[4] = {0, 0, width - 1, height - 1};
    if (!clip.empty()) {
        canvas->SetClip(clip[0], clip[1], clip[2], clip[3]);
        area[0] = std::max<int64_t>(clip[0], 0), area[1] = std::max<int64_t>(clip[1], 0);
        area[2] = std::min<int64_t>(clip[2], area[2]),
        area[3] = std::min<int64_t>(clip[3], area[3]);
    }
    if ((clip.empty() || !NoteEmptyClip(clip, width, height)) &&
        !BlitDrawsSomething({from[0], from[1], from[2], from[3], at[0], at[1]},
                            job.source->GetWidth(), job.source->GetHeight(), area))
        Note("the rectangle " + Rectangle(from) + " of the " +
             std::to_string(job.source->GetWidth()) + "x" +
             std::to_string(job.source->GetHeight()) + " source, placed at " + Rectangle(at) +
             ", lies wholly outside the source or the destination's clip rectangle: nothing is "
             "drawn");
    canvas->Blit(from[0], from[1], from[2], from[3], at[0], at[1]);
    job.options.colour = &job.colour;
    WritePng(*job.destination, job.output, job.options);
    return 0;
}

int ScaleCommand(Plugin& plugin, const Arguments& args)
{
    CommandLine line = SplitArguments(
        args, {"--rule", "--from", "--to", "--weights", "--opacity", "--compression"});
    if (!line.Has("--from") || !line.Has("--to"))
        throw UsageError("scale needs --from SX,SY,SW,SH and --to DX,DY,DW,DH");
    std::vector<int32_t> from = ParseInt32List(line.Get("--from"), 4, "--from");
    std::vector<int32_t> to = ParseInt32List(line.Get("--to"), 4, "--to");
    const Rule* rule = nullptr;
    Job job = Prepare(line, "scale", rule);
    Object<CQVTransformationCanvas> canvas = MakeCanvas(plugin, job, *rule);
    // TransformBlit draws nothing for these, by the module's rules.
    int64_t sw = job.source->GetWidth(), sh = job.source->GetHeight();
    int64_t dw = job.destination->GetWidth(), dh = job.destination->GetHeight();
    std::string size = " the " + std::to_string(sw) + "x" + std::to_string(sh) + " source";
    if (to[2] < 1 || to[3] < 1)
        Note("--to " + Rectangle(to) + " has a width or height below 1: nothing is drawn");
    else if (from[2] < 1 || from[3] < 1)
        Note("--from " + Rectangle(from) + " is empty: nothing is drawn");
    else if (from[0] < 0 || from[1] < 0 || int64_t(from[0]) + from[2] > sw ||
             int64_t(from[1]) + from[3] > sh)
        Note("--from " + Rectangle(from) + " is not wholly inside" + size + ": nothing is drawn");
    else if (from[2] > 32768 || from[3] > 32768)
        Note("--from " + Rectangle(from) + " is wider or taller than 32768: nothing is drawn");
    else if (int64_t(to[0]) + to[2] <= 0 || int64_t(to[1]) + to[3] <= 0 || to[0] >= dw ||
             to[1] >= dh)
        Note("--to " + Rectangle(to) + " lies wholly outside the " + std::to_string(dw) + "x" +
             std::to_string(dh) + " destination: nothing is drawn");
    canvas->TransformBlit(from[0], from[1], from[2], from[3], to[0], to[1], to[2], to[3]);
    job.options.colour = &job.colour;
    WritePng(*job.destination, job.output, job.options);
    return 0;
}
