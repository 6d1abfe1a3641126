// qvgfx convert: one Convert call by the converter or swapper registered for the two layouts.
#include <cstdio>
#include <cstring>

#include "tools/qvgfx/Commands.h"
#include "tools/qvgfx/Layout.h"
#include "tools/qvgfx/Parse.h"
#include "tools/qvgfx/Plugin.h"
#include "tools/qvgfx/Png.h"

CQVFormat ParseLayout(const std::string& text)
{
    if (text == "mask")
        return CQVFormat(2, 'R', 'G', 'B', 'A');
    bool valid = text.size() == 1 || text.size() == 3 || text.size() == 4;
    for (std::size_t i = 0; valid && i < text.size(); ++i)
        valid = text[i] != 0 && std::strchr("RGBA", text[i]) != nullptr;
    if (!valid)
        throw UsageError("unknown layout '" + text +
                         "': write one, three or four different letters of R, G, B, A, or mask");
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text.find(text[i]) != i)
            throw UsageError("layout '" + text + "' names " + text[i] +
                             " twice: each of R, G, B, A may appear once");
    uint8_t codes[4] = {};
    std::memcpy(codes, text.data(), text.size());
    return CQVFormat(uint8_t(text.size() == 1 ? 0 : text.size() - 2), codes[0], codes[1], codes[2],
                     codes[3]);
}

std::unique_ptr<CQVSurface> ConvertSurface(Plugin& plugin, CQVSurface& source,
                                           const CQVFormat& target, bool mask)
{
    const CQVFormat& from = source.GetFormat();
    // The target as the user wrote it: "A (8)" stays A, never "grey".
    static const char* const kLayouts[] = {"8", "8/8/8", "8/8/8/8"};
    std::string wanted = std::string(reinterpret_cast<const char*>(target.m_Codes),
                                     std::size_t(CQVFormat::m_Size[target.m_Kind])) +
                         " (" + kLayouts[target.m_Kind] + ")";
    // Only the mask converter turns 8 into 8/8/8/8, and it does nothing else.
    if (mask && from.m_Kind != 0)
        throw Failure("the mask layout is made from grey (8) images only, not from " +
                      Describe(from));
    if (!mask && from.m_Kind == 0)
        throw Failure("a grey (8) image converts only to the mask layout, not to " + wanted);
    // A layout that keeps or drops channels picks each of its channels from the source by name.
    if (!mask && target.m_Kind <= from.m_Kind) {
        for (int i = 0; i < CQVFormat::m_Size[target.m_Kind]; ++i)
            if (std::memchr(from.m_Codes, target.m_Codes[i], CQVFormat::m_Size[from.m_Kind]) ==
                nullptr)
                throw Failure(Describe(from) + " has no " + char(target.m_Codes[i]) +
                              " channel for " + wanted);
    }
    uint32_t id = plugin.ConverterFor(from, target);
    if (id == 0)
        throw Failure("the module offers no converter from " + Describe(from) + " to " +
                      Describe(target));
    Object<CQVSurfaceConverter> converter = plugin.Create<CQVSurfaceConverter>(id);
    std::unique_ptr<CQVSurface> destination =
        MakeSurface(target, source.GetWidth(), source.GetHeight());
    converter->Convert(&source, destination.get(), target);
    return destination;
}

int ConvertCommand(Plugin& plugin, const Arguments& args)
{
    CommandLine line = SplitArguments(args, {"--to", "--compression"});
    if (line.positionals.size() != 2)
        throw UsageError("convert takes IN.png OUT.png (see qvgfx convert --help)");
    if (!line.Has("--to"))
        throw UsageError("convert needs --to LAYOUT");
    std::string layout = line.Get("--to");
    CQVFormat target = ParseLayout(layout);
    ColourChunks colour;
    PngOutput output = OutputFor(line, line.positionals[1], &colour);
    std::unique_ptr<CQVSurface> source = ReadPng(line.positionals[0], &colour);
    std::unique_ptr<CQVSurface> result = ConvertSurface(plugin, *source, target, layout == "mask");
    WritePng(*result, line.positionals[1], output);
    return 0;
}
