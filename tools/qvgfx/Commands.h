// The commands of qvgfx. Each takes the arguments after its name and returns the exit status.
#pragma once

#include <string>
#include <vector>

class Plugin;

using Arguments = std::vector<std::string>;

int CatalogCommand(Plugin& plugin, const Arguments& args);
