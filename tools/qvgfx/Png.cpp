#include "Png.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "Failure.h"

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// libpng reports errors by longjmp to the setjmp of the function that called it. The functions
// holding a setjmp below own no C++ objects, so the jump skips no destructor.
struct PngErrorText {
    char text[200];
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<PngErrorText*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message ? message : "libpng error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct Header {
    png_uint_32 width;
    png_uint_32 height;
    int kind;
};

// Reads the header and sets the expansions that leave 8-bit grey, RGB or RGBA.
bool ReadHeader(png_structp png, png_infop info, FILE* file, Header* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_read_info(png, info);
    int type = png_get_color_type(png, info);
    bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (png_get_bit_depth(png, info) == 16)
        png_set_strip_16(png);
    if (type == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (type == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (transparency)
        png_set_tRNS_to_alpha(png);
    bool grey = (type & PNG_COLOR_MASK_COLOR) == 0;
    bool alpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || transparency;
    if (grey && alpha)
        png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->kind = alpha ? 2 : grey ? 0 : 1;
    return true;
}

bool ReadRows(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

bool WriteRows(png_structp png, png_infop info, FILE* file, png_uint_32 width, png_uint_32 height,
               int type, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, 8, type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

std::string SystemError(int error) { return std::generic_category().message(error); }

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

std::vector<png_bytep> RowPointers(const CQVSurface& surface)
{
    std::vector<png_bytep> rows(std::size_t(surface.GetHeight()));
    for (int32_t y = 0; y < surface.GetHeight(); ++y)
        rows[std::size_t(y)] = surface.GetMemory() + std::size_t(y) * std::size_t(surface.GetPitch());
    return rows;
}

// Opens a new file beside `path` that no one else uses; its name goes to `temporary`.
File CreateTemporary(const std::string& path, std::string& temporary)
{
#if defined(_WIN32)
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + ".tmp" + std::to_string(_getpid()) + "-" + std::to_string(attempt);
        if (FILE* f = std::fopen(temporary.c_str(), "wbx"))
            return File(f);
        if (errno != EEXIST)
            break;
    }
    return nullptr;
#else
    std::vector<char> name(path.begin(), path.end());
    const char suffix[] = ".tmp-XXXXXX";
    name.insert(name.end(), suffix, suffix + sizeof suffix);
    int fd = mkstemp(name.data());
    if (fd < 0)
        return nullptr;
    temporary = name.data();
    // mkstemp makes the file private; give it the permissions any new file would get.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    FILE* f = fdopen(fd, "wb");
    if (f == nullptr) {
        int error = errno;
        close(fd);
        std::remove(temporary.c_str());
        errno = error;
    }
    return File(f);
#endif
}

}  // namespace

std::string Describe(const CQVFormat& format)
{
    static const char* const kLayouts[] = {"8", "8/8/8", "8/8/8/8"};
    if (format.m_Kind > 2)
        return "an unknown layout";
    if (format.m_Kind == 0 && format.m_Codes[0] == kGreyCode)
        return "grey (8)";
    std::string codes;
    for (int i = 0; i < CQVFormat::m_Size[format.m_Kind]; ++i)
        codes += char(format.m_Codes[i]);
    return codes + " (" + kLayouts[format.m_Kind] + ")";
}

std::unique_ptr<CQVSurface> MakeSurface(const CQVFormat& format, int32_t width, int32_t height)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
        int64_t(width) * height > kMaxPixels)
        throw Failure("an image of " + std::to_string(width) + "x" + std::to_string(height) +
                      " pixels does not fit: each side must be 1 to " + std::to_string(kMaxSide) +
                      " and the whole at most " + std::to_string(kMaxPixels) + " pixels");
    return std::make_unique<CQVSurface>(format, width, height, width * CQVFormat::m_Size[format.m_Kind]);
}

std::unique_ptr<CQVSurface> ReadPng(const std::string& path)
{
    File file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw Failure("cannot read " + path + ": " + SystemError(errno));
    unsigned char signature[8] = {};
    std::size_t got = std::fread(signature, 1, sizeof signature, file.get());
    if (got != sizeof signature || png_sig_cmp(signature, 0, sizeof signature) != 0) {
        if (std::ferror(file.get()))
            throw Failure("cannot read " + path + ": " + SystemError(errno));
        throw Failure(path + " is not a PNG file");
    }
    PngErrorText error = {};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    struct Guard {
        png_structp* png;
        png_infop* info;
        ~Guard() { png_destroy_read_struct(png, info, nullptr); }
    } guard{&png, &info};
    if (info == nullptr)
        throw Failure("cannot read " + path + ": out of memory");
    png_set_sig_bytes(png, sizeof signature);
    // Sizes are judged by MakeSurface, which says what fits.
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);

    Header header = {};
    if (!ReadHeader(png, info, file.get(), &header))
        throw Failure(path + " is not a readable PNG: " + error.text);
    static const uint8_t kCodes[3][4] = {{kGreyCode}, {'R', 'G', 'B'}, {'R', 'G', 'B', 'A'}};
    const uint8_t* c = kCodes[header.kind];
    CQVFormat format(uint8_t(header.kind), c[0], c[1], c[2], c[3]);
    std::unique_ptr<CQVSurface> surface;
    try {
        surface = MakeSurface(format, int32_t(header.width), int32_t(header.height));
    } catch (const Failure& f) {
        throw Failure(path + ": " + f.what());
    }
    if (png_get_rowbytes(png, info) != std::size_t(surface->GetPitch()))
        throw Failure(path + ": unexpected row size after expansion");
    std::vector<png_bytep> rows = RowPointers(*surface);
    if (!ReadRows(png, info, rows.data()))
        throw Failure(path + " is a damaged PNG: " + error.text);
    return surface;
}

void WritePng(const CQVSurface& surface, const std::string& path)
{
    static const int kTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
    const CQVFormat& format = surface.GetFormat();
    if (format.m_Kind > 2 || surface.GetWidth() < 1 || surface.GetHeight() < 1)
        throw Failure("cannot write " + path + ": no image to write");
    std::vector<png_bytep> rows = RowPointers(surface);

    std::string temporary;
    File file = CreateTemporary(path, temporary);
    if (!file)
        throw Failure("cannot write " + path + ": " + SystemError(errno));
    PngErrorText error = {};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = info != nullptr &&
                   WriteRows(png, info, file.get(), png_uint_32(surface.GetWidth()),
                             png_uint_32(surface.GetHeight()), kTypes[format.m_Kind], rows.data());
    png_destroy_write_struct(&png, &info);
    int closed = std::fclose(file.release());
    int closeError = errno;
    std::error_code renamed;
    if (written && closed == 0)
        std::filesystem::rename(temporary, path, renamed);
    if (!written || closed != 0 || renamed) {
        std::remove(temporary.c_str());
        std::string why = !written ? (info ? error.text : "out of memory")
                          : closed != 0 ? SystemError(closeError)
                                        : renamed.message();
        throw Failure("cannot write " + path + ": " + why);
    }
}
