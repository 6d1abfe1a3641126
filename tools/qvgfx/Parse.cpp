#include "Parse.h"

#include <charconv>
#include <cmath>

#include "Failure.h"

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
    if (text.empty() || stop != end || (error != std::errc() && error != std::errc::result_out_of_range))
        throw UsageError(what + ": '" + text + "' is not a decimal integer");
    if (error == std::errc::result_out_of_range || value < low || value > high)
        throw UsageError(what + ": " + text + " is out of range (" + std::to_string(low) + " to " +
                         std::to_string(high) + ")");
    return value;
}

std::vector<int32_t> ParseInt32List(const std::string& text, std::size_t count, const std::string& what,
                                    int32_t low, int32_t high)
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
    return {int32_t(ParseInteger(parts[0], what + " width", 1, INT32_MAX)),
            int32_t(ParseInteger(parts[1], what + " height", 1, INT32_MAX))};
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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a.compare(0, 2, "--") != 0) {
            line.positionals.push_back(a);
            continue;
        }
        bool takesValue = listed(valued, a);
        if (!takesValue && !listed(flags, a))
            throw UsageError("unknown option '" + a + "'");
        if (line.Has(a))
            throw UsageError(a + " is given twice");
        if (takesValue && i + 1 >= args.size())
            throw UsageError(a + " needs a value");
        line.options[a] = takesValue ? args[++i] : std::string();
    }
    return line;
}
