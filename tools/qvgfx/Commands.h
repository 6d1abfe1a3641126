// The commands of qvgfx. Each takes the arguments after its name and returns the exit status;
// the commands other than catalog report bad input by throwing Failure.
#pragma once

#include <string>
#include <vector>

class Plugin;

using Arguments = std::vector<std::string>;

int CatalogCommand(Plugin& plugin, const Arguments& args);
int ConvertCommand(Plugin& plugin, const Arguments& args);
int DrawCommand(Plugin& plugin, const Arguments& args);
int BlitCommand(Plugin& plugin, const Arguments& args);
int ScaleCommand(Plugin& plugin, const Arguments& args);
int DemoCommand(Plugin& plugin, const Arguments& args);
