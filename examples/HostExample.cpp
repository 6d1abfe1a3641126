// A small host: loads QVGFX_Basics.jwx, registers its classes, picks them the way a host does,
// draws with a colour canvas, scales a picture in with a surface canvas, converts the result
// from 8/8/8/8 to 8/8/8 and writes it as a binary PPM file. Every object is released at the end.
//
//   host_example OUT.ppm [MODULE]      (MODULE defaults to the installed plug-in)
#include <QVGFX.h>
#include <QVGFX_Basics.h>
#include <QVGFX_BasicsClasses.h>
#include <QVLibrary.h>
#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using namespace qvgfx_basics;

// Loading a library, the only part that differs between the systems.
#if defined(_WIN32)
using Library = HMODULE;
static Library Open(const char* path) { return LoadLibraryA(path); }
static void* Find(Library library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(library, name));
}
static void Close(Library library) { FreeLibrary(library); }
#else
using Library = void*;
static Library Open(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
static void* Find(Library library, const char* name) { return dlsym(library, name); }
static void Close(Library library) { dlclose(library); }
#endif

static int Fail(const char* what)
{
    std::fprintf(stderr, "host_example: %s\n", what);
    return 1;
}

// The class id of the first registered canvas entry that accepts the destination format and
// carries the three codes asked for; 0 when there is none.
static uint32_t PickCanvas(const CQVFormat& destination, uint32_t operation, uint32_t drawOrFill,
                           uint32_t colorOrSurface)
{
    for (CQVCanvasEntry* entry : CanvasEntriesFor(destination))
        if (entry->GetCode(0) == operation && entry->GetCode(1) == drawOrFill &&
            entry->GetCode(2) == colorOrSurface)
            return entry->GetClassID();
    return 0;
}

// The colour as SetColor wants it: the four bytes in the order of the destination's channels.
static ColorRecord Colour(uint8_t c0, uint8_t c1, uint8_t c2, uint8_t c3)
{
    const uint8_t bytes[4] = {c0, c1, c2, c3};
    ColorRecord record = {0, 0};
    std::memcpy(&record.color, bytes, sizeof bytes);
    return record;
}

static bool WritePpm(const char* path, CQVSurface& rgb)
{
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    std::fprintf(file, "P6\n%d %d\n255\n", int(rgb.GetWidth()), int(rgb.GetHeight()));
    const uint8_t* bits = static_cast<const uint8_t*>(rgb.Lock(false));
    for (int32_t y = 0; y < rgb.GetHeight(); ++y)
        std::fwrite(bits + y * rgb.GetPitch(), 3, size_t(rgb.GetWidth()), file);
    rgb.Unlock(false);
    return std::fclose(file) == 0;
}

static int Run(CQVFactory* factory, const char* outPath)
{
    // The host's surfaces: channel codes are the host's own; this host uses the letters R, G, B, A.
    const int32_t w = 48, h = 32;
    const CQVFormat rgba(kKind8_8_8_8, 'R', 'G', 'B', 'A'), rgb(kKind8_8_8, 'R', 'G', 'B');
    CQVSurface picture(rgba, w, h, w * 4);  // zero-filled
    CQVSurface result(rgb, w, h, w * 3);    // converters want rows without padding
    CQVSurface tile(rgba, 4, 3, 4 * 4);
    uint8_t* p = static_cast<uint8_t*>(tile.Lock(true));
    for (int i = 0; i < 4 * 3; ++i) {
        const uint8_t px[4] = {uint8_t(i * 20), uint8_t(240 - i * 20), 128, 255};
        std::memcpy(p + i * 4, px, 4);
    }
    tile.Unlock(true);

    // Choosing classes. The colour canvas by its id, once the entry that its codes pick among those
    // accepting the destination format is found to be that class; the surface canvas by its codes
    // alone; the converter as the first entry that accepts the source and the target format.
    const uint32_t fillId = classes::Jwx_8_8_8_8AddFillColorCanvas;
    const bool fillFits = PickCanvas(rgba, kAdd, kFill, kColor) == fillId;
    const uint32_t copyId = PickCanvas(rgba, kOpaque, kFill, kSurface);
    const auto converters = ConverterEntriesFor(rgba, rgb);
    const uint32_t convertId = converters.empty() ? 0 : converters.front()->GetClassID();

    // CreateObject hands each object out with a reference count of 1, or null for an id it does
    // not serve; one Release frees it.
    auto* fill =
        static_cast<CQVPrimitiveCanvas*>(fillFits ? factory->CreateObject(fillId) : nullptr);
    auto* copy = static_cast<CQVTransformationCanvas*>(factory->CreateObject(copyId));
    auto* convert = static_cast<CQVSurfaceConverter*>(factory->CreateObject(convertId));
    if (fill != nullptr && copy != nullptr && convert != nullptr) {
        fill->SetDestination(&picture);
        ColorRecord blue = Colour(0, 0, 160, 255), red = Colour(200, 0, 0, 0),
                    green = Colour(0, 120, 0, 0);
        fill->SetColor(&blue);
        fill->DrawRectangle(0, 0, w, h);
        fill->SetColor(&red);
        fill->DrawCircle(14, 16, 11);  // the fill canvas draws a disc; colours add up
        fill->SetColor(&green);
        fill->DrawEllipse(22, 16, 12, 7);
        fill->DrawLine(0, h - 1, w - 1, 0);

        copy->SetDestination(&picture);
        copy->SetSource(&tile);
        copy->TransformBlit(0, 0, 4, 3, 32, 4, 14, 24);  // the 4 x 3 tile enlarged to 14 x 24

        convert->Convert(&picture, &result, rgb);
    }
    const bool complete = fill != nullptr && copy != nullptr && convert != nullptr;
    if (fill != nullptr)
        fill->Release();
    if (copy != nullptr)
        copy->Release();
    if (convert != nullptr)
        convert->Release();
    if (!complete)
        return Fail("the module lacks a class this host needs");
    if (!WritePpm(outPath, result))
        return Fail("cannot write the output file");
    std::printf("host_example: wrote %s (%d x %d)\n", outPath, int(w), int(h));
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return Fail("usage: host_example OUT.ppm [MODULE]");
    const char* path = argc > 2 ? argv[2] : QVGFX_BASICS_MODULE;
    Library module = Open(path);
    void* entry = module ? Find(module, "jwCreateFactory") : nullptr;
    if (entry == nullptr)
        return Fail("cannot load jwCreateFactory from the module");

    // The factory comes with a reference count of 1; RegisterClasses hands the sixteen entries
    // to the host's repository, which owns them from then on.
    CQVFactory* factory = nullptr;
    reinterpret_cast<JwCreateFactoryFunction>(entry)(&factory);
    if (factory == nullptr)
        return Fail("jwCreateFactory gave no factory");
    factory->RegisterClasses();

    const int status = Run(factory, argv[1]);

    // Entries, objects and the factory run the module's code: free them before unloading it.
    CQVRepository::Clear();
    factory->Release();
    Close(module);
    return status;
}
