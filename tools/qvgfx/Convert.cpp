// qvgfx convert: one Convert call by the converter or swapper registered for the two layouts.
#include <cstdio>
#include <cstring>

#include "Commands.h"
#include "Layout.h"
#include "Parse.h"
#include "Plugin.h"
#include "Png.h"

CQVFormat ParseLayout(const std::string& text)
{
    if (text == "mask")
        return CQVFormat(2, 'R', 'G', 'B', 'A');
    bool valid = text.size() == 1 || text.size() == 3 || text.size() == 4;
    for (std::size_t i = 0; valid && i < text.size(); ++i)
        valid = std::strchr("RGBA", text[i]) != nullptr && text.find(text[i]) == i;
    if (!valid)
        throw UsageError("unknown layout '" + text +
                         "': write one, three or four different letters of R, G, B, A, or mask");
    uint8_t codes[4] = {};
    std::memcpy(codes, text.data(), text.size());
    return CQVFormat(uint8_t(text.size() == 1 ? 0 : text.size() - 2), codes[0], codes[1], codes[2], codes[3]);
}

std::unique_ptr<CQVSurface> ConvertSurface(Plugin& plugin, CQVSurface& source, const CQVFormat& target,
                                           bool mask)
{
    const CQVFormat& from = source.GetFormat();
    // Only the mask converter turns 8 into 8/8/8/8, and it does nothing else.
    if (mask && from.m_Kind != 0)
        throw Failure("the mask layout is made from grey (8) images only, not from " + Describe(from));
    if (!mask && from.m_Kind == 0)
        throw Failure("a grey (8) image converts only to the mask layout, not to " + Describe(target));
    // A layout that keeps or drops channels picks each of its channels from the source by name.
    if (!mask && target.m_Kind <= from.m_Kind) {
        for (int i = 0; i < CQVFormat::m_Size[target.m_Kind]; ++i)
            if (std::memchr(from.m_Codes, target.m_Codes[i], CQVFormat::m_Size[from.m_Kind]) == nullptr)
                throw Failure(Describe(from) + " has no " + char(target.m_Codes[i]) + " channel for " +
                              Describe(target));
    }
    uint32_t id = plugin.ConverterFor(from, target);
    if (id == 0)
        throw Failure("the module offers no converter from " + Describe(from) + " to " + Describe(target));
    Object<CQVSurfaceConverter> converter = plugin.Create<CQVSurfaceConverter>(id);
    std::unique_ptr<CQVSurface> destination = MakeSurface(target, source.GetWidth(), source.GetHeight());
    converter->Convert(&source, destination.get(), target);
    return destination;
}

int ConvertCommand(Plugin& plugin, const Arguments& args)
{
    CommandLine line = SplitArguments(args, {"--to"});
    if (line.positionals.size() != 2)
        throw UsageError("convert takes IN.png OUT.png (see qvgfx convert --help)");
    if (!line.Has("--to"))
        throw UsageError("convert needs --to LAYOUT");
    std::string layout = line.Get("--to");
    CQVFormat target = ParseLayout(layout);
    std::unique_ptr<CQVSurface> source = ReadPng(line.positionals[0]);
    std::unique_ptr<CQVSurface> result = ConvertSurface(plugin, *source, target, layout == "mask");
    WritePng(*result, line.positionals[1]);
    return 0;
}
