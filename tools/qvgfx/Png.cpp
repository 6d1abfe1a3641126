#include "tools/qvgfx/Png.h"

#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <system_error>
#include <vector>
#include <zlib.h>

#include "tools/qvgfx/Failure.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// libpng reports errors by longjmp to the setjmp of the function that called it. The functions
// holding a setjmp below, and the callbacks libpng calls, own no C++ objects, so the jump skips
// no destructor.
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

// "no such file or directory": the system's text for an errno value, as the rest of a message.
std::string SystemError(int error)
{
    std::string text = std::generic_category().message(error);
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = char(text[0] - 'A' + 'a');
    return text;
}

// Where libpng's bytes come from: an open file or bytes in memory.
struct Source {
    FILE* file;
    const uint8_t* bytes;
    std::size_t size, offset;
    int error;  // errno of a failed read, 0 when the input simply ended
};

void ReadBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    std::size_t got = 0;
    if (source->file) {
        got = std::fread(data, 1, length, source->file);
        if (got < length && std::ferror(source->file))
            source->error = errno ? errno : EIO;
    } else {
        got = length < source->size - source->offset ? length : source->size - source->offset;
        std::memcpy(data, source->bytes + source->offset, got);
        source->offset += got;
    }
    if (got < length)
        png_error(png, source->error ? "read error" : "the file ends too early");
}

struct Header {
    png_uint_32 width;
    png_uint_32 height;
    int kind;
};

// Reads the header and sets the expansions that leave 8-bit grey, RGB or RGBA.
bool ReadHeader(png_structp png, png_infop info, Header* header)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
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

void TakeColourChunks(png_structp png, png_infop info, ColourChunks& c)
{
    png_fixed_point gamma = 0, chrm[8] = {};
    c.hasGamma = png_get_gAMA_fixed(png, info, &gamma) != 0;
    c.gamma = gamma;
    c.hasChromaticities = png_get_cHRM_fixed(png, info, &chrm[0], &chrm[1], &chrm[2], &chrm[3],
                                             &chrm[4], &chrm[5], &chrm[6], &chrm[7]) != 0;
    for (int i = 0; i < 8; ++i)
        c.chromaticities[i] = chrm[i];
    int intent = 0;
    c.hasSrgb = png_get_sRGB(png, info, &intent) != 0;
    c.srgbIntent = intent;
    png_charp name = nullptr;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    int method = 0;
    if (png_get_iCCP(png, info, &name, &method, &profile, &length) != 0 && name && profile &&
        length) {
        c.iccName = *name ? name : "ICC profile";
        c.iccProfile.assign(profile, profile + length);
        c.iccGrey = (png_get_color_type(png, info) & PNG_COLOR_MASK_COLOR) == 0;
    }
}

std::unique_ptr<CQVSurface> Decode(Source& source, const std::string& name, ColourChunks* colour)
{
    auto readFailure = [&] {
        return Failure("cannot read " + name + ": " + SystemError(source.error));
    };
    png_byte signature[8] = {};
    std::size_t got = 0;
    if (source.file) {
        got = std::fread(signature, 1, sizeof signature, source.file);
        if (std::ferror(source.file)) {
            source.error = errno ? errno : EIO;
            throw readFailure();
        }
    } else {
        got = source.size < sizeof signature ? source.size : sizeof signature;
        std::memcpy(signature, source.bytes, got);
        source.offset = got;
    }
    if (got != sizeof signature || png_sig_cmp(signature, 0, sizeof signature) != 0)
        throw Failure(name + " is not a PNG file");
    PngErrorText error = {};
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    struct Guard {
        png_structp* png;
        png_infop* info;
        ~Guard() { png_destroy_read_struct(png, info, nullptr); }
    } guard{&png, &info};
    if (info == nullptr)
        throw Failure("cannot read " + name + ": out of memory");
    png_set_read_fn(png, &source, ReadBytes);
    png_set_sig_bytes(png, sizeof signature);
    // Sizes are judged by MakeSurface, which says what fits.
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);

    Header header = {};
    if (!ReadHeader(png, info, &header)) {
        if (source.error)
            throw readFailure();
        throw Failure(name + " is not a readable PNG: " + error.text);
    }
    if (colour)
        TakeColourChunks(png, info, *colour);
    static const uint8_t kCodes[3][4] = {{kGreyCode}, {'R', 'G', 'B'}, {'R', 'G', 'B', 'A'}};
    const uint8_t* c = kCodes[header.kind];
    CQVFormat format(uint8_t(header.kind), c[0], c[1], c[2], c[3]);
    std::unique_ptr<CQVSurface> surface;
    try {
        surface = MakeSurface(format, int32_t(header.width), int32_t(header.height));
    } catch (const Failure& f) {
        throw Failure(name + ": " + f.what());
    }
    if (png_get_rowbytes(png, info) != std::size_t(surface->GetPitch()))
        throw Failure(name + ": unexpected row size after expansion");
    std::vector<png_bytep> rows(std::size_t(surface->GetHeight()));
    for (int32_t y = 0; y < surface->GetHeight(); ++y)
        rows[std::size_t(y)] =
            surface->GetMemory() + std::size_t(y) * std::size_t(surface->GetPitch());
    if (!ReadRows(png, info, rows.data())) {
        if (source.error)
            throw readFailure();
        throw Failure(name + " is a damaged PNG: " + error.text);
    }
    return surface;
}

// Where libpng's bytes go: a file descriptor, through a buffer that spares a system call per chunk
// piece; or nowhere (fd -1), only counted. The first failed write keeps its errno.
struct Sink {
    int fd;
    int error;
    std::size_t used;
    uint64_t total;
    unsigned char buffer[1 << 16];
};

bool Flush(Sink& sink)
{
    sink.total += sink.used;
    if (sink.fd < 0)
        sink.used = 0;
    std::size_t done = 0;
    while (done < sink.used && sink.error == 0) {
#if defined(_WIN32)
        int n = _write(sink.fd, sink.buffer + done, unsigned(sink.used - done));
#else
        ssize_t n = write(sink.fd, sink.buffer + done, sink.used - done);
#endif
        if (n > 0)
            done += std::size_t(n);
        else if (n == 0 || errno != EINTR)
            sink.error = n == 0 ? EIO : errno;
    }
    sink.used = 0;
    return sink.error == 0;
}

void WriteBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    while (length > 0) {
        if (sink->used == sizeof sink->buffer && !Flush(*sink))
            png_error(png, "write error");
        std::size_t n = sizeof sink->buffer - sink->used;
        n = n < length ? n : length;
        std::memcpy(sink->buffer + sink->used, data, n);
        sink->used += n, data += n, length -= n;
    }
}

void FlushBytes(png_structp png)
{
    if (!Flush(*static_cast<Sink*>(png_get_io_ptr(png))))
        png_error(png, "write error");
}

void PutColourChunks(png_structp png, png_infop info, const ColourChunks& c, bool grey)
{
    if (c.hasGamma)
        png_set_gAMA_fixed(png, info, c.gamma);
    const int32_t* x = c.chromaticities;
    if (c.hasChromaticities)
        png_set_cHRM_fixed(png, info, x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7]);
    if (c.hasSrgb)
        png_set_sRGB(png, info, c.srgbIntent);
    // A profile describes either grey or colour images; one of the other kind would be invalid.
    if (!c.iccProfile.empty() && c.iccGrey == grey)
        png_set_iCCP(png, info, c.iccName.c_str(), PNG_COMPRESSION_TYPE_BASE, c.iccProfile.data(),
                     png_uint_32(c.iccProfile.size()));
}

// How the rows are filtered and packed; -1 leaves libpng's own choice.
struct Packing {
    int level;     // zlib level
    int filters;   // the PNG row filters libpng picks from
    int strategy;  // zlib strategy
};

bool Encode(png_structp png, png_infop info, Sink* sink, png_uint_32 width, png_uint_32 height,
            int type, const ColourChunks* colour, const Packing* packing, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, sink, WriteBytes, FlushBytes);
    png_set_benign_errors(png, 1);
    png_set_IHDR(png, info, width, height, 8, type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colour)
        PutColourChunks(png, info, *colour, type == PNG_COLOR_TYPE_GRAY);
    png_set_compression_level(png, packing->level);
    if (packing->filters >= 0)
        png_set_filter(png, 0, packing->filters);
    if (packing->strategy >= 0)
        png_set_compression_strategy(png, packing->strategy);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    FlushBytes(png);
    return true;
}

// Encodes `height` rows into the sink; on failure returns the reason.
bool EncodeRows(Sink& sink, png_uint_32 width, png_uint_32 height, int type,
                const ColourChunks* colour, const Packing& packing, png_bytepp rows,
                std::string& why)
{
    PngErrorText error = {};
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool made = info != nullptr;
    bool written = made && Encode(png, info, &sink, width, height, type, colour, &packing, rows);
    png_destroy_write_struct(&png, &info);
    if (!written)
        why = !made ? "out of memory" : sink.error ? SystemError(sink.error) : error.text;
    return written;
}

// The default packing, measured on photographs and drawn pictures (README, qvgfx): zlib's
// run-length strategy packs noisy photographs within a twentieth of libpng's defaults, several
// times faster, but drawn pictures badly; for those zlib's level 6 with its default strategy is
// as tight as libpng's defaults and about twice as fast, when libpng tries only the sub and up
// filters. Four bands of rows, packed both ways, decide.
Packing ChoosePacking(const std::vector<png_bytep>& rows, png_uint_32 width, int type)
{
    const int kFilters = PNG_FILTER_SUB | PNG_FILTER_UP;
    const Packing run = {3, kFilters, Z_RLE}, deflate = {6, kFilters, Z_DEFAULT_STRATEGY};
    std::size_t bandRows = 16, bands = 4;
    if (rows.size() < bandRows * bands * 4)
        return deflate;
    std::vector<png_bytep> sample;
    for (std::size_t b = 0; b < bands; ++b)
        for (std::size_t i = 0; i < bandRows; ++i)
            sample.push_back(rows[(2 * b + 1) * rows.size() / (2 * bands) + i]);
    uint64_t sizes[2] = {};
    for (int k = 0; k < 2; ++k) {
        auto sink = std::make_unique<Sink>();
        sink->fd = -1;
        std::string why;
        if (!EncodeRows(*sink, width, png_uint_32(sample.size()), type, nullptr,
                        k == 0 ? run : deflate, sample.data(), why))
            return deflate;
        sizes[k] = sink->total;
    }
    return sizes[0] <= sizes[1] ? run : deflate;
}

// Encodes the surface into `fd`; on failure returns the reason.
bool EncodeTo(int fd, const CQVSurface& surface, const PngOutput& output, std::string& why)
{
    static const int kTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
    int type = kTypes[surface.GetFormat().m_Kind];
    png_uint_32 width = png_uint_32(surface.GetWidth()), height = png_uint_32(surface.GetHeight());
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = surface.GetMemory() + std::size_t(y) * std::size_t(surface.GetPitch());
    // An explicit level keeps libpng's own filters and strategy (no filter when storing): level 6
    // writes what libpng writes by default.
    int level = output.compression;
    Packing packing = level < 0 ? ChoosePacking(rows, width, type)
                                : Packing{level, level == 0 ? PNG_FILTER_NONE : -1, -1};
    auto sink = std::make_unique<Sink>();
    sink->fd = fd;
    return EncodeRows(*sink, width, height, type, output.colour, packing, rows.data(), why);
}

#if !defined(_WIN32)

// The temporary file being written, for the signal handler: a fixed buffer, since the handler
// may use only async-signal-safe calls (unlink is one).
char g_Temporary[4096];
volatile std::sig_atomic_t g_HasTemporary = 0;

extern "C" void OnSignal(int signal)
{
    if (g_HasTemporary)
        unlink(g_Temporary);
    // The handler was reset to the default action on entry: the same signal now ends the program
    // with the status its sender expects.
    raise(signal);
}

void CatchSignals()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old = {}, action = {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_NODEFER;
        // A signal the caller chose to ignore (nohup) stays ignored.
        if (sigaction(s, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            sigaction(s, &action, nullptr);
    }
}

// Sets or clears the temporary's name with the three signals held back, so that the handler
// never sees half a name.
void MarkTemporary(const char* name)
{
    sigset_t block, previous;
    sigemptyset(&block);
    sigaddset(&block, SIGINT), sigaddset(&block, SIGTERM), sigaddset(&block, SIGHUP);
    sigprocmask(SIG_BLOCK, &block, &previous);
    g_HasTemporary = 0;
    if (name) {
        std::snprintf(g_Temporary, sizeof g_Temporary, "%s", name);
        g_HasTemporary = 1;
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

std::string DirectoryOf(const std::string& path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows symbolic links from `path` to the file they lead to, which need not exist yet.
std::string FollowLinks(const std::string& path, const std::string& shown)
{
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat s = {};
        if (lstat(p.c_str(), &s) != 0 || !S_ISLNK(s.st_mode))
            return p;
        std::vector<char> target(std::size_t(s.st_size > 0 ? s.st_size : 255) + 1);
        ssize_t n = readlink(p.c_str(), target.data(), target.size());
        if (n < 0 || std::size_t(n) >= target.size())
            throw Failure("cannot write " + shown + ": cannot read the link " + p);
        std::string next(target.data(), std::size_t(n));
        p = next[0] == '/' ? next : DirectoryOf(p) + next;
    }
    throw Failure("cannot write " + shown + ": " + SystemError(ELOOP));
}

// Writes the whole PNG to an open descriptor and closes it; throws with the reason on failure.
void WriteAndClose(int fd, const CQVSurface& surface, const PngOutput& output,
                   const std::string& shown, const char* temporary)
{
    std::string why;
    bool written = EncodeTo(fd, surface, output, why);
    int closed = fd > 2 ? close(fd) : 0;
    if (written && closed != 0)
        why = SystemError(errno);
    if (!written || closed != 0) {
        if (temporary) {
            unlink(temporary);
            MarkTemporary(nullptr);
        }
        throw Failure("cannot write " + shown + ": " + why);
    }
}

#endif

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
    return std::make_unique<CQVSurface>(format, width, height,
                                        width * CQVFormat::m_Size[format.m_Kind]);
}

std::unique_ptr<CQVSurface> DecodePng(const uint8_t* bytes, std::size_t size,
                                      const std::string& name, ColourChunks* colour)
{
    Source source = {nullptr, bytes, size, 0, 0};
    return Decode(source, name, colour);
}

std::unique_ptr<CQVSurface> ReadPng(const std::string& path, ColourChunks* colour)
{
    if (path == "-") {
#if defined(_WIN32)
        _setmode(_fileno(stdin), _O_BINARY);
#endif
        Source source = {stdin, nullptr, 0, 0, 0};
        return Decode(source, "standard input", colour);
    }
    struct Closer {
        void operator()(FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<FILE, Closer> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw Failure("cannot read " + path + ": " + SystemError(errno));
    Source source = {file.get(), nullptr, 0, 0, 0};
    return Decode(source, path, colour);
}

void WritePng(const CQVSurface& surface, const std::string& path, const PngOutput& output)
{
    if (surface.GetFormat().m_Kind > 2 || surface.GetWidth() < 1 || surface.GetHeight() < 1)
        throw Failure("cannot write " + path + ": no image to write");
#if defined(_WIN32)
    std::string why;
    if (path == "-") {
        _setmode(_fileno(stdout), _O_BINARY);
        std::fflush(stdout);
        if (!EncodeTo(1, surface, output, why))
            throw Failure("cannot write standard output: " + why);
        return;
    }
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = path + ".tmp" + std::to_string(_getpid()) + "-" + std::to_string(attempt);
        fd = _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw Failure("cannot write " + path + ": " + SystemError(errno));
    bool written = EncodeTo(fd, surface, output, why);
    _close(fd);
    if (!written ||
        (std::remove(path.c_str()), std::rename(temporary.c_str(), path.c_str()) != 0)) {
        std::remove(temporary.c_str());
        throw Failure("cannot write " + path + ": " + (written ? SystemError(errno) : why));
    }
#else
    if (path == "-") {
        std::fflush(stdout);
        WriteAndClose(1, surface, output, "standard output", nullptr);
        return;
    }
    std::string target = FollowLinks(path, path);
    struct stat existing = {};
    bool exists = stat(target.c_str(), &existing) == 0;
    // Devices, FIFOs and terminals take the bytes directly: they cannot be replaced by a file.
    if (exists && !S_ISREG(existing.st_mode)) {
        int fd = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            throw Failure("cannot write " + path + ": " + SystemError(errno));
        WriteAndClose(fd, surface, output, path, nullptr);
        return;
    }
    if (exists && (existing.st_mode & 0222) == 0)
        throw Failure("cannot write " + path + ": the file is read-only");

    // The temporary's name: the target's with a suffix, or a short one where that would pass the
    // file system's limit on names.
    std::string directory = DirectoryOf(target);
    std::string name = target.substr(directory.size());
    long limit = pathconf(directory.empty() ? "." : directory.c_str(), _PC_NAME_MAX);
    const char suffix[] = ".tmp-XXXXXX";
    std::string temporary =
        directory + (name.size() + sizeof suffix - 1 <= std::size_t(limit > 0 ? limit : 255)
                         ? name + suffix
                         : std::string("qvgfx") + suffix);
    if (temporary.size() >= sizeof g_Temporary)
        throw Failure("cannot write " + path + ": " + SystemError(ENAMETOOLONG));
    CatchSignals();
    sigset_t block, previous;
    sigemptyset(&block);
    sigaddset(&block, SIGINT), sigaddset(&block, SIGTERM), sigaddset(&block, SIGHUP);
    sigprocmask(SIG_BLOCK, &block, &previous);
    int fd = mkstemp(temporary.data());
    int made = errno;
    if (fd >= 0)
        MarkTemporary(temporary.c_str());
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0) {
        // A directory that exists but takes no new file (such as /proc) is named in the message:
        // the trouble lies there, not with the output's own name.
        std::string where = directory.empty() ? "." : directory;
        struct stat d = {};
        std::string context = stat(where.c_str(), &d) == 0 && made != EACCES
                                  ? "cannot make a temporary file in " + where + ": "
                                  : "";
        throw Failure("cannot write " + path + ": " + context + SystemError(made));
    }
    if (exists) {
        // An existing file keeps its owner, group and permissions. Giving a file away takes
        // privileges: where fchown is refused (EPERM) the file stays the writer's own.
        int owned = fchown(fd, existing.st_uid, existing.st_gid);
        (void)owned;
        fchmod(fd, existing.st_mode & 07777);
    } else {
        // mkstemp makes the file private; give it the permissions any new file would get.
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    WriteAndClose(fd, surface, output, path, temporary.c_str());
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        int error = errno;
        unlink(temporary.c_str());
        MarkTemporary(nullptr);
        throw Failure("cannot write " + path + ": " + SystemError(error));
    }
    MarkTemporary(nullptr);
#endif
    if (output.noteName)
        Note("the output name " + path + " does not end in .png; the file is a PNG all the same");
}
