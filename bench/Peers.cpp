// The peer libraries' nearest routine for each case, when they were found at configure time.
#include "bench/Bench.h"

#if QVGFX_BENCH_LIBYUV
#include <libyuv.h>
#include <libyuv/scale_rgb.h>
#endif
#if QVGFX_BENCH_PIXMAN
#include <pixman.h>
#endif

namespace {

bool Starts(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }
bool Ends(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Two buffers of w x h pixels, sB and dB bytes each, and the routine between them.
using Rows =
    std::function<void(const uint8_t* s, int sPitch, uint8_t* d, int dPitch, int w, int h)>;
Setup Between(Size s, int sB, int dB, bool inPlace, Rows f)
{
    return [=] {
        Buffer src(size_t(s.w) * s.h * sB, 5);
        Buffer dst = inPlace ? src : Buffer(size_t(s.w) * s.h * dB, 6);
        return Body([=] { f(src.data(), s.w * sB, dst.data(), s.w * dB, s.w, s.h); });
    };
}

#if QVGFX_BENCH_LIBYUV
// A scaler from the case's source size (Module.cpp's SourceSize) to s.
Setup Scaler(Size s, Size from, int B, libyuv::FilterMode mode)
{
    return [=] {
        Buffer src(size_t(from.w) * from.h * B, 7);
        Buffer dst(size_t(s.w) * s.h * B, 8);
        return Body([=] {
            if (B == 4)
                libyuv::ARGBScale(src.data(), from.w * 4, from.w, from.h, dst.data(), s.w * 4, s.w,
                                  s.h, mode);
            else if (B == 3)
                libyuv::RGBScale(src.data(), from.w * 3, from.w, from.h, dst.data(), s.w * 3, s.w,
                                 s.h, mode);
            else
                libyuv::ScalePlane(src.data(), from.w, from.w, from.h, dst.data(), s.w, s.w, s.h,
                                   mode);
        });
    };
}
#endif

#if QVGFX_BENCH_PIXMAN
// pixman's op from a source image (or a solid colour) onto a w x h destination of one format.
Setup Pixman(Size s, pixman_op_t op, pixman_format_code_t format, int B, bool solid, int rows)
{
    return [=] {
        const int pitch = (s.w * B + 3) & ~3;  // pixman wants 4-byte aligned rows
        Buffer src(size_t(pitch) * s.h, 9);
        Buffer dst(size_t(pitch) * s.h, 10);
        auto free = [](pixman_image_t* p) { pixman_image_unref(p); };
        std::shared_ptr<pixman_image_t> d(
            pixman_image_create_bits(format, s.w, s.h, reinterpret_cast<uint32_t*>(dst.data()),
                                     pitch),
            free);
        pixman_color_t colour{0x0304, 0x0202, 0x0101, 0x0404};
        std::shared_ptr<pixman_image_t> a(
            solid ? pixman_image_create_solid_fill(&colour)
                  : pixman_image_create_bits(format, s.w, s.h,
                                             reinterpret_cast<uint32_t*>(src.data()), pitch),
            free);
        auto row = std::make_shared<int>(0);
        return Body([=] {
            pixman_image_composite32(op, a.get(), nullptr, d.get(), 0, 0, 0, 0, 0, *row, s.w, rows);
            if (rows < s.h)
                *row = *row + 1 == s.h ? 0 : *row + 1;
            (void)src, (void)dst;
        });
    };
}
#endif

}  // namespace

void AddPeers(Case& c, const Size& s)
{
    (void)Starts, (void)Ends, (void)Between;
    const std::string& op = c.op;
    const int B = Ends(op, "8/8/8/8") ? 4 : Ends(op, "8/8/8") ? 3 : 1;
#if QVGFX_BENCH_LIBYUV
    using namespace libyuv;
    static const uint8_t kSwap[16] = {2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15};
    auto add = [&](const char* name, int sB, int dB, bool inPlace, Rows f) {
        c.peers.push_back({name, Between(s, sB, dB, inPlace, std::move(f))});
    };
    if (op == "Convert 8/8/8/8>8/8/8")
        add("ARGBToRGB24", 4, 3, false,
            [](auto s, int sp, auto d, int dp, int w, int h) { ARGBToRGB24(s, sp, d, dp, w, h); });
    else if (op == "Convert 8/8/8/8>8/8/8 reversed")
        add("ARGBToRAW", 4, 3, false,
            [](auto s, int sp, auto d, int dp, int w, int h) { ARGBToRAW(s, sp, d, dp, w, h); });
    else if (op == "Convert 8/8/8/8>8 (4th byte)")
        add("ARGBExtractAlpha", 4, 1, false, [](auto s, int sp, auto d, int dp, int w, int h) {
            ARGBExtractAlpha(s, sp, d, dp, w, h);
        });
    else if (op == "Convert 8/8/8>8/8/8/8")
        add("RGB24ToARGB", 3, 4, false,
            [](auto s, int sp, auto d, int dp, int w, int h) { RGB24ToARGB(s, sp, d, dp, w, h); });
    else if (op == "Convert 8/8/8>8/8/8/8 reversed")
        add("RAWToARGB", 3, 4, false,
            [](auto s, int sp, auto d, int dp, int w, int h) { RAWToARGB(s, sp, d, dp, w, h); });
    else if (Starts(op, "Swap 8/8/8/8 (2,1,0,3)"))
        add("ARGBShuffle", 4, 4, Ends(op, "in place"),
            [](auto s, int sp, auto d, int dp, int w, int h) {
                ARGBShuffle(s, sp, d, dp, kSwap, w, h);
            });
    else if (Starts(op, "Swap 8/8/8 (2,1,0)"))
        add("RAWToRGB24", 3, 3, Ends(op, "in place"),
            [](auto s, int sp, auto d, int dp, int w, int h) { RAWToRGB24(s, sp, d, dp, w, h); });
    else if (op == "Blit add 8/8/8/8")
        add("ARGBAdd", 4, 4, false, [](auto s, int sp, auto d, int dp, int w, int h) {
            ARGBAdd(s, sp, d, dp, d, dp, w, h);
        });
    else if (op == "Blit copy 8/8/8/8")
        add("ARGBCopy", 4, 4, false,
            [](auto s, int sp, auto d, int dp, int w, int h) { ARGBCopy(s, sp, d, dp, w, h); });
    else if (op == "Blit copy 8/8/8")
        add("CopyPlane", 3, 3, false, [](auto s, int sp, auto d, int dp, int w, int h) {
            CopyPlane(s, sp, d, dp, w * 3, h);
        });
    else if (op == "Blit copy 8")
        add("CopyPlane", 1, 1, false,
            [](auto s, int sp, auto d, int dp, int w, int h) { CopyPlane(s, sp, d, dp, w, h); });
    else if (op == "Blit lincomb 8/8/8")
        add("InterpolatePlane", 3, 3, false, [](auto s, int sp, auto d, int dp, int w, int h) {
            InterpolatePlane(s, sp, d, dp, d, dp, w * 3, h, 127);
        });
    else if (op == "Blit paintbrush 8" || op == "Blit airbrush 8")
        add("BlendPlane", 1, 1, false, [](auto s, int sp, auto d, int dp, int w, int h) {
            BlendPlane(s, sp, d, dp, s, sp, d, dp, w, h);
        });
    else if (Starts(op, "TransformBlit 2x bilinear"))
        c.peers.push_back({"Scale bilinear", Scaler(s, {s.w / 2, s.h / 2}, B, kFilterBilinear)});
    else if (Starts(op, "TransformBlit 1.5x bilinear"))
        c.peers.push_back(
            {"Scale bilinear", Scaler(s, {s.w * 2 / 3, s.h * 2 / 3}, B, kFilterBilinear)});
    else if (Starts(op, "TransformBlit 1/2 box"))
        c.peers.push_back({"Scale box", Scaler(s, {s.w * 2, s.h * 2}, B, kFilterBox)});
#endif
#if QVGFX_BENCH_PIXMAN
    if (op == "DrawRectangle fill 8/8/8/8")
        c.peers.push_back(
            {"pixman ADD solid", Pixman(s, PIXMAN_OP_ADD, PIXMAN_a8r8g8b8, 4, true, s.h)});
    else if (op == "DrawHorizontalLine 8/8/8/8")
        c.peers.push_back(
            {"pixman ADD solid", Pixman(s, PIXMAN_OP_ADD, PIXMAN_a8r8g8b8, 4, true, 1)});
    else if (op == "Blit copy 8/8/8/8")
        c.peers.push_back({"pixman SRC", Pixman(s, PIXMAN_OP_SRC, PIXMAN_a8r8g8b8, 4, false, s.h)});
    else if (op == "Blit copy 8/8/8")
        c.peers.push_back({"pixman SRC", Pixman(s, PIXMAN_OP_SRC, PIXMAN_r8g8b8, 3, false, s.h)});
    else if (op == "Blit copy 8")
        c.peers.push_back({"pixman SRC", Pixman(s, PIXMAN_OP_SRC, PIXMAN_a8, 1, false, s.h)});
#endif
    (void)B;
}
