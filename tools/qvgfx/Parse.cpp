#include "tools/qvgfx/Parse.h"

#include <charconv>
#include <cmath>
#include <sys/stat.h>

#include "tools/qvgfx/Failure.h"

namespace {

std::vector<std::string> SplitOn(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

}  // namespace

int64_t ParseInteger(const std::string& text, const std::string& what, int64_t low, int64_t high)
{
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || stop != end ||
        (error != std::errc() && error != std::errc::result_out_of_range))
        throw UsageError(what + ": '" + text + "' is not a decimal integer");
    if (error == std::errc::result_out_of_range || value < low || value > high)
        throw UsageError(what + ": " + text + " is out of range (" + std::to_string(low) + " to " +
                         std::to_string(high) + ")");
    return value;
}

std::vector<int32_t> ParseInt32List(const std::string& text, std::size_t count,
                                    const std::string& what, int32_t low, int32_t high)
{
    std::vector<std::string> parts = SplitOn(text, ',');
    if (parts.size() != count)
        throw UsageError(what + ": '" + text + "' should be " + std::to_string(count) +
                         " comma-separated integers");
    std::vector<int32_t> values;
    for (const std::string& p : parts)
        values.push_back(int32_t(ParseInteger(p, what, low, high)));
    return values;
}

float ParseWeight(const std::string& text, const std::string& what)
{
    float value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || stop != end || error != std::errc() || !std::isfinite(value))
        throw UsageError(what + ": '" + text + "' is not a decimal number");
    if (value < -kMaxWeight || value > kMaxWeight)
        throw UsageError(what + ": " + text + " is out of range (-1000 to 1000)");
    return value;
}

std::array<int32_t, 2> ParseSize(const std::string& text, const std::string& what)
{
    std::vector<std::string> parts = SplitOn(text, 'x');
    if (parts.size() != 2)
        throw UsageError(what + ": '" + text + "' should be WIDTHxHEIGHT");
    return {int32_t(ParseInteger(parts[0], what + " width", 1, kMaxSide)),
            int32_t(ParseInteger(parts[1], what + " height", 1, kMaxSide))};
}

CommandLine SplitArguments(const Arguments& args, const std::vector<std::string>& valued,
                           const std::vector<std::string>& flags)
{
    auto listed = [](const std::vector<std::string>& names, const std::string& a) {
        for (const std::string& n : names)
            if (n == a)
                return true;
        return false;
    };
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a.compare(0, 2, "--") != 0) {
            line.positionals.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" is "--name value" written as one argument.
        std::size_t equals = a.find('=');
        std::string name = a.substr(0, equals);
        bool takesValue = listed(valued, name);
        if (!takesValue && !listed(flags, name))
            throw UsageError("unknown option '" + name + "'");
        if (line.Has(name))
            throw UsageError(name + " is given twice");
        if (!takesValue && equals != std::string::npos)
            throw UsageError(name + " takes no value");
        if (takesValue && equals == std::string::npos && i + 1 >= args.size())
            throw UsageError(name + " needs a value");
        line.options[name] = !takesValue                   ? std::string()
                             : equals != std::string::npos ? a.substr(equals + 1)
                                                           : args[++i];
    }
    return line;
}

PngOutput OutputFor(const CommandLine& line, const std::string& path, const ColourChunks* colour)
{
    PngOutput output;
    output.colour = colour;
    if (line.Has("--compression"))
        output.compression = int(ParseInteger(line.Get("--compression"), "--compression", 0, 9));
    std::string end = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    for (char& c : end)
        c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    struct stat s = {};
    bool special = path == "-" || (stat(path.c_str(), &s) == 0 && !S_ISREG(s.st_mode));
    output.noteName = end != ".png" && !special;
    return output;
}

bool NoteEmptyClip(const std::vector<int32_t>& clip, int32_t width, int32_t height)
{
    std::string text = "--clip " + std::to_string(clip[0]) + "," + std::to_string(clip[1]) + "," +
                       std::to_string(clip[2]) + "," + std::to_string(clip[3]);
    if (clip[0] > clip[2] || clip[1] > clip[3]) {
        Note(text + " is inverted (left beyond right or top below bottom): nothing is drawn");
        return true;
    }
    // The host keeps the clip rectangle inside the image.
    if (clip[2] < 0 || clip[3] < 0 || clip[0] >= width || clip[1] >= height) {
        Note(text + " lies wholly outside the " + std::to_string(width) + "x" +
             std::to_string(height) + " image: nothing is drawn");
        return true;
    }
    return false;
}
