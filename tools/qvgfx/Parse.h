// Strict parsing of command-line values: whole decimal numbers in range, exact list lengths.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/qvgfx/Commands.h"
#include "tools/qvgfx/Png.h"

// A decimal integer from `low` to `high`, nothing before or after it. `what` names it in errors.
int64_t ParseInteger(const std::string& text, const std::string& what, int64_t low, int64_t high);

// `count` comma-separated integers from `low` to `high` (by default any signed 32-bit value).
std::vector<int32_t> ParseInt32List(const std::string& text, std::size_t count,
                                    const std::string& what, int32_t low = INT32_MIN,
                                    int32_t high = INT32_MAX);

// A finite decimal floating-point number from -kMaxWeight to kMaxWeight.
constexpr float kMaxWeight = 1000.0f;
float ParseWeight(const std::string& text, const std::string& what);

// "WxH", each from 1 to kMaxSide.
std::array<int32_t, 2> ParseSize(const std::string& text, const std::string& what);

// A command's arguments split into positionals and "--name VALUE" (or "--name=VALUE") options.
// `valued` lists the options that take a value, `flags` those that do not; anything else starting
// with "--" is an error, and so is an option given twice. After "--" every argument is positional.
struct CommandLine {
    std::vector<std::string> positionals;
    std::map<std::string, std::string> options;

    bool Has(const std::string& name) const { return options.count(name) != 0; }
    const std::string& Get(const std::string& name) const { return options.at(name); }
};
CommandLine SplitArguments(const Arguments& args, const std::vector<std::string>& valued,
                           const std::vector<std::string>& flags = {});

// How a command writes its output PATH: --compression from the line, the colour chunks kept from
// an input (null: none); an output name that does not end in .png is to be noted.
PngOutput OutputFor(const CommandLine& line, const std::string& path,
                    const ColourChunks* colour = nullptr);

// Notes a --clip L,T,R,B that leaves no pixel of a WIDTHxHEIGHT image; returns whether it did.
bool NoteEmptyClip(const std::vector<int32_t>& clip, int32_t width, int32_t height);
