// libFuzzer target: any bytes read as a PNG file by qvgfx's reader. Bad input must end in a
// Failure (or a refused allocation), never in a read or write outside the buffers.
#include <cstddef>
#include <cstdint>
#include <new>

#include "tools/qvgfx/Failure.h"
#include "tools/qvgfx/Png.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        ColourChunks colour;
        std::unique_ptr<CQVSurface> surface = DecodePng(data, size, "input", &colour);
        // Every byte of the surface is read, so that the sanitizers see any left uninitialised
        // or out of bounds.
        std::size_t bytes = std::size_t(surface->GetPitch()) * std::size_t(surface->GetHeight());
        volatile uint8_t sum = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            sum = uint8_t(sum + surface->GetMemory()[i]);
    } catch (const Failure&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
