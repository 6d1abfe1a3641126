// qvgfx: a command-line host for the QVGFX_Basics plug-in.
#include <cstdio>
#include <cstring>
#include <string>

#include "Commands.h"
#include "Plugin.h"

namespace {

const char kUsage[] =
    "usage: qvgfx [--module PATH] COMMAND [ARGS...]\n"
    "\n"
    "Loads the QVGFX_Basics plug-in (by default QVGFX_Basics.jwx beside this program),\n"
    "registers its classes and puts them to work.\n"
    "\n"
    "commands:\n"
    "  catalog [--json]   list the registered classes in registration order: class id, name,\n"
    "                     description, type ids, canvas codes and the formats each accepts\n"
    "\n"
    "options:\n"
    "  --module PATH      load another build of the module\n"
    "  --help             this text; 'qvgfx COMMAND --help' for a command's own\n"
    "\n"
    "example:\n"
    "  qvgfx catalog --json\n";

}  // namespace

int main(int argc, char** argv)
{
    std::string modulePath;
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--module") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "qvgfx: --module needs a path\n");
                return 2;
            }
            modulePath = argv[++i];
        } else {
            args.emplace_back(argv[i]);
        }
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    std::string command = args[0];
    args.erase(args.begin());

    if (command != "catalog") {
        std::fprintf(stderr, "qvgfx: unknown command '%s' (see qvgfx --help)\n", command.c_str());
        return 2;
    }
    for (const std::string& a : args)
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }

    Plugin plugin;
    std::string error;
    if (!plugin.Load(modulePath, error)) {
        std::fprintf(stderr, "qvgfx: %s\n", error.c_str());
        return 1;
    }
    return CatalogCommand(plugin, args);
}
