// qvgfx: a command-line host for the QVGFX_Basics plug-in.
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "tools/qvgfx/Commands.h"
#include "tools/qvgfx/Failure.h"
#include "tools/qvgfx/Plugin.h"

namespace {

const char kUsage[] =
    "usage: qvgfx [--module PATH] [--quiet] COMMAND [ARGS...]\n"
    "       qvgfx --version | --help\n"
    "\n"
    "Loads the QVGFX_Basics plug-in (by default QVGFX_Basics.jwx beside this program),\n"
    "registers its classes and puts them to work on PNG images. Each class is chosen as a host\n"
    "chooses it: by asking the registered entries which accepts the images' layouts.\n"
    "\n"
    "commands:\n"
    "  demo [OUT.png]              render the gallery of all sixteen classes (gallery.png)\n"
    "  convert IN OUT --to LAYOUT  change or reorder an image's channels with a converter\n"
    "  draw OUT (--size WxH | --onto IN) OP...\n"
    "                              add shapes to an RGBA image with a colour canvas\n"
    "  blit SRC DST OUT --rule R   draw SRC into DST unscaled (Blit)\n"
    "  scale SRC DST OUT --rule R --from .. --to ..\n"
    "                              draw a rectangle of SRC resampled into DST (TransformBlit)\n"
    "  catalog [--json]            list the registered classes in registration order: class id,\n"
    "                              name, description, type ids, canvas codes, accepted formats\n"
    "\n"
    "options:\n"
    "  --module PATH      load another build of the module\n"
    "  --quiet            no notes (see below)\n"
    "  --compression N    (commands that write a PNG) zlib level 0 (stored) to 9 (smallest, "
    "slowest)\n"
    "                     with libpng's own filters; 6 packs as libpng does by default. Without\n"
    "                     it, a packing chosen by the picture, several times faster than level 6\n"
    "                     for photographs, with files within about a twentieth of its size\n"
    "  --version          the version and the module file that would be loaded\n"
    "  --help             this text; 'qvgfx COMMAND --help' for a command's own\n"
    "Options may stand anywhere, also as --name=value; '--' ends them, so that what follows is\n"
    "taken as a file name. '-' as an input reads standard input, as OUT writes standard output.\n"
    "\n"
    "images: RGBA PNGs are 8/8/8/8 surfaces with channel codes R, G, B, A in that byte order, RGB\n"
    "PNGs 8/8/8 (R, G, B), grey PNGs 8. On reading, palette images expand to RGB (RGBA when they\n"
    "have transparency), grey+alpha to RGBA, 16-bit channels keep their high byte. Each side may "
    "be\n"
    "1 to 16384 pixels, 67108864 pixels in all. The chunks that say what the colours mean (gAMA,\n"
    "cHRM, sRGB, iCCP) go from the input to the output (blit and scale: from DST, when SRC "
    "carries\n"
    "the same); all other chunks (text, time, resolution, ...) are dropped.\n"
    "\n"
    "output: written to a temporary file beside OUT, renamed into place when complete, so a "
    "failed\n"
    "or interrupted command (SIGINT, SIGTERM, SIGHUP) leaves no output and no temporary. An\n"
    "existing OUT keeps its permissions (and owner, where allowed); a symbolic link is followed\n"
    "and stays a link; a device, FIFO or terminal is written directly. An OUT not ending in .png\n"
    "gets a note.\n"
    "\n"
    "notes: a call that the module's rules turn into nothing (a shape outside the image, a\n"
    "negative radius, an empty or inverted rectangle, a source rectangle not inside the source)\n"
    "still succeeds; one line 'qvgfx COMMAND: note: ...' on stderr says what was left out.\n"
    "\n"
    "exit status: 0 on success, 1 when an input or the work fails, 2 when the command line is\n"
    "wrong; a command ended by a signal ends by that signal.\n"
    "\n"
    "examples:\n"
    "  qvgfx demo\n"
    "  qvgfx convert photo.png swapped.png --to BGRA\n"
    "  qvgfx convert - - --to=BGR < a.png > b.png\n"
    "  qvgfx catalog --json\n";

const char kDemoHelp[] =
    "usage: qvgfx demo [OUT.png] [--compression N]\n"
    "\n"
    "Renders a gallery (default gallery.png) from built-in procedural images, every pixel drawn\n"
    "or converted by the module's classes: additive shapes on both colour canvases, Blit and\n"
    "TransformBlit (bilinear enlargement, box reduction) with the copy and add canvases, a\n"
    "weighted blend, paintbrush and airbrush strokes of repeated dabs along a curve, and the\n"
    "converters and swappers changing panels between layouts. Each panel is labelled.\n"
    "\n"
    "example:\n"
    "  qvgfx demo docs/gallery.png\n";

const char kConvertHelp[] =
    "usage: qvgfx convert IN.png OUT.png --to LAYOUT [--compression N]\n"
    "\n"
    "Converts IN with the converter or swapper that the module registers for the two layouts.\n"
    "LAYOUT is a channel order of different letters R, G, B, A: four for 8/8/8/8 (RGBA, BGRA,\n"
    "ARGB, ...), three for 8/8/8 (RGB, BGR, ...), one for 8 (R, G, B or A); or mask, the 8 to\n"
    "8/8/8/8 mask converter (bytes 255-v, 255-v, 255-v, v), which takes grey images only.\n"
    "Channels kept or dropped are picked from IN by name, so IN must have every channel LAYOUT\n"
    "names; from RGB to four letters the missing channel becomes 255. OUT stores the converted\n"
    "bytes as they are, in the PNG's own channel order: --to BGRA visibly swaps red and blue.\n"
    "A layout naming a letter twice is refused.\n"
    "\n"
    "examples:\n"
    "  qvgfx convert photo.png swapped.png --to BGRA\n"
    "  qvgfx convert photo.png green.png --to G\n"
    "  qvgfx convert brush.png mask.png --to mask\n";

const char kDrawHelp[] =
    "usage: qvgfx draw OUT.png (--size WxH | --onto IN.png) [--canvas draw|fill]\n"
    "                  [--clip L,T,R,B] [--compression N] OP...\n"
    "\n"
    "Adds shapes, with saturation, to an RGBA image: a new one of zeros (--size) or IN. The draw\n"
    "canvas draws outlines, the fill canvas filled shapes (default draw). --clip limits the\n"
    "drawing to the inclusive rectangle L..R, T..B (kept inside the image). OPs, in order:\n"
    "  color:B0,B1,B2,B3     the colour bytes in the pixel's byte order (R, G, B, A); until the\n"
    "                        first color OP the colour is 255,255,255,255\n"
    "  pixel:X,Y             hline:X1,Y,X2         vline:X,Y1,Y2\n"
    "  rect:X,Y,W,H          circle:X,Y,R          ellipse:X,Y,RX,RY     line:X1,Y1,X2,Y2\n"
    "Coordinates are 32-bit integers, within -268435455..268435455 for circle, ellipse and\n"
    "line; what lies outside the image (or the clip rectangle) is left out. A note names each OP\n"
    "that draws nothing: wholly outside, a reversed line, a rectangle of no width or height, a\n"
    "negative radius (the draw canvas then plots only the outline's four axis points), an\n"
    "ellipse with 2 x RX^2 x RY or 2 x RY^2 x RX above 2^61; and an inverted or outside --clip.\n"
    "\n"
    "examples:\n"
    "  qvgfx draw venn.png --size 120x100 --canvas fill color:200,0,0,255 circle:45,40,30 \\\n"
    "        color:0,200,0,255 circle:75,40,30 color:0,0,200,255 circle:60,65,30\n"
    "  qvgfx draw marked.png --onto photo.png color:255,0,0,0 line:0,0,99,99 rect:10,10,20,20\n";

const char kBlitHelp[] =
    "usage: qvgfx blit SRC.png DST.png OUT.png --rule RULE [--from SX,SY,W,H] [--at DX,DY]\n"
    "                  [--clip L,T,R,B] [--weights A,B] [--opacity O] [--compression N]\n"
    "\n"
    "Draws the rectangle (SX,SY,W,H) of SRC unscaled into DST at (DX,DY) (Blit) and writes the\n"
    "result to OUT. The canvas is the one the module registers for RULE and DST's layout:\n"
    "  copy        RGBA, RGB and grey: the source replaces the destination\n"
    "  add         RGBA: byte-wise saturating sum\n"
    "  lincomb     RGB: (v*a + d*b) >> 8 with a, b = --weights A,B times 255 (default 0.5,0.5)\n"
    "  paintbrush  grey: coverage union, s + (255-s)*d/255 rounded\n"
    "  airbrush    grey: coverage union with s weakened by --opacity O (default 255)\n"
    "--weights belongs to lincomb only, --opacity to airbrush only; elsewhere they are refused.\n"
    "SRC must have DST's layout; SRC or DST (not both) may be '-'. --from defaults to the whole\n"
    "of SRC, --at to 0,0, --clip to the whole of DST; the module clips the rectangle to SRC and\n"
    "to the clip rectangle (kept inside DST). When nothing is left, or --clip is inverted, a note\n"
    "says so and OUT is DST unchanged.\n"
    "\n"
    "examples:\n"
    "  qvgfx blit sticker.png photo.png out.png --rule add --at 40,30\n"
    "  qvgfx blit a.png b.png blend.png --rule lincomb --weights 0.25,0.75\n"
    "  qvgfx blit brush.png mask.png out.png --rule airbrush --opacity 64 --at 10,10\n";

const char kScaleHelp[] =
    "usage: qvgfx scale SRC.png DST.png OUT.png --rule RULE --from SX,SY,SW,SH --to DX,DY,DW,DH\n"
    "                   [--weights A,B] [--opacity O] [--compression N]\n"
    "\n"
    "Draws the rectangle (SX,SY,SW,SH) of SRC resampled to the rectangle (DX,DY,DW,DH) of DST\n"
    "(TransformBlit) and writes the result to OUT: larger destinations are interpolated\n"
    "bilinearly, smaller ones averaged over 2x2 blocks, equal sizes copied unscaled. RULE,\n"
    "--weights and --opacity are those of qvgfx blit. There is no clip rectangle; rectangles\n"
    "reaching outside the images are handed to the module as they are. The module draws nothing,\n"
    "and a note says why, when the --to size is below 1, or the --from rectangle is empty, not\n"
    "wholly inside SRC or wider or taller than 32768, or the --to rectangle misses DST.\n"
    "\n"
    "examples:\n"
    "  qvgfx scale icon.png canvas.png big.png --rule copy --from 0,0,16,16 --to 0,0,128,128\n"
    "  qvgfx scale brush.png mask.png out.png --rule paintbrush --from 0,0,32,32 --to 5,5,12,12\n";

const char kCatalogHelp[] =
    "usage: qvgfx catalog [--json]\n"
    "\n"
    "Lists the registered classes in registration order: class id, name, description, type ids,\n"
    "canvas codes (operation: 1 add, 4 lincomb, 8 copy, 10 paintbrush, 11 airbrush; 1 draw,\n"
    "2 fill; 1 colour, 2 surface) and the layouts each entry accepts.\n"
    "\n"
    "example:\n"
    "  qvgfx catalog --json\n";

struct Command {
    const char* name;
    int (*run)(Plugin&, const Arguments&);
    const char* help;
};

const Command kCommands[] = {
    {"demo", DemoCommand, kDemoHelp},    {"convert", ConvertCommand, kConvertHelp},
    {"draw", DrawCommand, kDrawHelp},    {"blit", BlitCommand, kBlitHelp},
    {"scale", ScaleCommand, kScaleHelp}, {"catalog", CatalogCommand, kCatalogHelp},
};

}  // namespace

int main(int argc, char** argv)
{
    std::string modulePath;
    bool modulePathGiven = false;
    Arguments args;
    // --module, --quiet and --version may stand anywhere before "--".
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (!optionsEnded && (a == "--module" || a.rfind("--module=", 0) == 0)) {
            if (modulePathGiven) {
                std::fprintf(stderr, "qvgfx: --module is given twice\n");
                return 2;
            }
            if (a == "--module" && i + 1 >= argc) {
                std::fprintf(stderr, "qvgfx: --module needs a path\n");
                return 2;
            }
            modulePath = a == "--module" ? argv[++i] : a.substr(9);
            modulePathGiven = true;
        } else if (!optionsEnded && a == "--quiet") {
            NoteSettings::quiet = true;
        } else {
            optionsEnded = optionsEnded || a == "--";
            args.push_back(a);
        }
    }
    if (!args.empty() && args[0] == "--version") {
        std::printf("qvgfx %s\nmodule: %s\n", QVGFX_VERSION,
                    Plugin::ModulePath(modulePath).c_str());
        return 0;
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const Command* command = nullptr;
    for (const Command& c : kCommands)
        if (args[0] == c.name)
            command = &c;
    if (command == nullptr) {
        std::fprintf(stderr, "qvgfx: unknown command '%s' (see qvgfx --help)\n", args[0].c_str());
        return 2;
    }
    NoteSettings::command = command->name;
    args.erase(args.begin());
    for (const std::string& a : args) {
        if (a == "--")
            break;
        if (a == "--help" || a == "-h") {
            std::fputs(command->help, stdout);
            return 0;
        }
    }

    try {
        Plugin plugin;
        std::string error;
        if (!plugin.Load(modulePath, error)) {
            std::fprintf(stderr, "qvgfx: %s\n", error.c_str());
            return 1;
        }
        return command->run(plugin, args);
    } catch (const Failure& f) {
        std::fprintf(stderr, "qvgfx %s: %s\n", command->name, f.what());
        return f.Status();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "qvgfx %s: not enough memory\n", command->name);
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qvgfx %s: %s\n", command->name, e.what());
        return 1;
    }
}
