// qvgfx blit and scale: Blit and TransformBlit of one image into another by a surface canvas.
#include "Commands.h"
#include "Parse.h"
#include "Plugin.h"
#include "Png.h"

namespace {

struct Rule {
    const char* name;
    uint32_t operation;  // the canvas entry's first code
};

const Rule kRules[] = {{"copy", 8}, {"add", 1}, {"lincomb", 4}, {"paintbrush", 10}, {"airbrush", 11}};

// What blit and scale share: the two images, the canvas with its source set, the output path.
struct Job {
    std::unique_ptr<CQVSurface> source;
    std::unique_ptr<CQVSurface> destination;
    std::string output;
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
        throw UsageError(std::string(command) + " takes SRC.png DST.png OUT.png (see qvgfx " + command +
                         " --help)");
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
    if (line.Has("--opacity"))
        opacity = uint8_t(ParseInteger(line.Get("--opacity"), "--opacity", 0, 255));
    job.output = line.positionals[2];
    job.source = ReadPng(line.positionals[0]);
    job.destination = ReadPng(line.positionals[1]);
    job.source->SetOpacity(opacity);
    return job;
}

// The canvas registered for the rule and the destination's layout, with both surfaces set.
Object<CQVTransformationCanvas> MakeCanvas(Plugin& plugin, Job& job, const Rule& rule)
{
    const CQVFormat& d = job.destination->GetFormat();
    uint32_t id = plugin.CanvasFor(d, rule.operation, 0, 2);
    if (id == 0)
        throw Failure("the module offers no " + std::string(rule.name) + " canvas for " + Describe(d) +
                      " images");
    // The canvases read the source in the destination's layout.
    if (job.source->GetFormat().m_Kind != d.m_Kind)
        throw Failure("the source is " + Describe(job.source->GetFormat()) + " but the destination is " +
                      Describe(d) + "; convert one of them first (qvgfx convert)");
    Object<CQVTransformationCanvas> canvas = plugin.Create<CQVTransformationCanvas>(id);
    canvas->SetDestination(job.destination.get());
    job.weights.surface = job.source.get();
    canvas->SetSource(rule.operation == 4 ? reinterpret_cast<CQVSurface*>(&job.weights) : job.source.get());
    return canvas;
}

}  // namespace

int BlitCommand(Plugin& plugin, const Arguments& args)
{
    CommandLine line =
        SplitArguments(args, {"--rule", "--from", "--at", "--clip", "--weights", "--opacity"});
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
    if (!clip.empty())
        canvas->SetClip(clip[0], clip[1], clip[2], clip[3]);
    canvas->Blit(from[0], from[1], from[2], from[3], at[0], at[1]);
    WritePng(*job.destination, job.output);
    return 0;
}

int ScaleCommand(Plugin& plugin, const Arguments& args)
{
    CommandLine line = SplitArguments(args, {"--rule", "--from", "--to", "--weights", "--opacity"});
    if (!line.Has("--from") || !line.Has("--to"))
        throw UsageError("scale needs --from SX,SY,SW,SH and --to DX,DY,DW,DH");
    std::vector<int32_t> from = ParseInt32List(line.Get("--from"), 4, "--from");
    std::vector<int32_t> to = ParseInt32List(line.Get("--to"), 4, "--to");
    const Rule* rule = nullptr;
    Job job = Prepare(line, "scale", rule);
    Object<CQVTransformationCanvas> canvas = MakeCanvas(plugin, job, *rule);
    canvas->TransformBlit(from[0], from[1], from[2], from[3], to[0], to[1], to[2], to[3]);
    WritePng(*job.destination, job.output);
    return 0;
}
