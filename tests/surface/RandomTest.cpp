// Every canvas and path against a plain per-pixel model of Blit and TransformBlit, on surfaces of
// exact size with padded rows: random rectangles (sub-rectangles, which read only their own
// pixels, many reaching outside, some arguments at the 32-bit limits), weights and opacities.
#include <array>
#include <climits>
#include <random>

#include "tests/surface/CanvasHarness.h"

namespace {

struct Model {
    uint32_t id;
    int B;
    TestSurface& src;
    TestSurface& dst;
    uint32_t a, b, o;
    uint8_t S(int64_t x, int64_t y, int k) { return src.Pixel(int32_t(x), int32_t(y))[k]; }
    void Put(int64_t x, int64_t y, int k, uint32_t v)
    {
        uint8_t* p = dst.Pixel(int32_t(x), int32_t(y)) + k;
        *p = PlainRule(id, *p, v, a, b, o);
    }
};

// Blit: source (sx + i, sy + j) goes to (dx + i, dy + j), 0 <= i < w, 0 <= j < h, when inside
// the source and the clip. Walked over the destination, so any size is cheap.
bool ModelBlit(Model& m, const CQVCanvas& c, int64_t sx, int64_t sy, int64_t w, int64_t h,
               int64_t dx, int64_t dy)
{
    bool any = false;
    for (int64_t Y = c.GetClipTop(); Y <= c.GetClipBottom(); ++Y)
        for (int64_t X = c.GetClipLeft(); X <= c.GetClipRight(); ++X) {
            int64_t i = X - dx, j = Y - dy, x = sx + i, y = sy + j;
            if (i < 0 || j < 0 || i >= w || j >= h || x < 0 || y < 0 || x >= m.src.surface.GetWidth() ||
                y >= m.src.surface.GetHeight())
                continue;
            any = true;
            for (int k = 0; k < m.B; ++k)
                m.Put(X, Y, k, m.S(x, y, k));
        }
    return any;
}

// TransformBlit: destination pixel (dx + i, dy + j) inside the destination surface takes source
// position i * step, j * step in 16.16 of the rectangle, by the path the two sizes choose.
void ModelTransform(Model& m, int64_t sx, int64_t sy, int64_t sw, int64_t sh, int64_t dx,
                    int64_t dy, int64_t dw, int64_t dh)
{
    if (dw < 1 || dh < 1 || sw < 1 || sh < 1 || sw > 32768 || sh > 32768 || sx < 0 || sy < 0 ||
        sx + sw > m.src.surface.GetWidth() || sy + sh > m.src.surface.GetHeight())
        return;
    const int64_t stepX = (sw - 1) * 65536 / dw, stepY = (sh - 1) * 65536 / dh;
    for (int64_t Y = 0; Y < m.dst.surface.GetHeight(); ++Y)
        for (int64_t X = 0; X < m.dst.surface.GetWidth(); ++X) {
            const int64_t i = X - dx, j = Y - dy;
            if (i < 0 || j < 0 || i >= dw || j >= dh)
                continue;
            const int64_t c = i * stepX >> 16, fx = i * stepX >> 8 & 255;
            const int64_t r = j * stepY >> 16, fy = j * stepY >> 8 & 255;
            for (int k = 0; k < m.B; ++k) {
                auto P = [&](int64_t cc, int64_t rr) { return uint32_t(m.S(sx + cc, sy + rr, k)); };
                uint32_t v;
                if (dw > sw || dh > sh) {
                    uint32_t top = P(c, r) * (255 - fx) + (fx ? P(c + 1, r) * fx : 0);
                    uint32_t bottom = fy ? P(c, r + 1) * (255 - fx) + (fx ? P(c + 1, r + 1) * fx : 0) : 0;
                    v = (top * (255 - fy) + bottom * fy) >> 16;
                } else if (dw < sw && dh < sh) {
                    v = (P(c, r) + P(c + 1, r) + P(c, r + 1) + P(c + 1, r + 1)) / 4;
                } else if (dw == sw && dh == sh) {
                    v = P(i, j);
                } else if (dw == sw) {
                    v = (P(i, r) + P(i, r + 1)) / 2;
                } else {
                    v = (P(c, j) + P(c + 1, j)) / 2;
                }
                m.Put(X, Y, k, v);
            }
        }
}

class RandomTest : public HostTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(RandomTest, CanvasMatchesPlainModel)
{
    const uint32_t id = GetParam();
    const std::string codes = CodesOf(id);
    const int B = int(codes.size());
    for (uint32_t n = 0; n < 1200; ++n) {
        std::mt19937 rng(n * 7919 + id);
        auto R = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        // One case in twenty gives a source of a smaller layout, which draws nothing.
        std::string srcCodes = B > 1 && R(0, 19) == 0 ? codes.substr(0, B == 4 ? 3 : 1) : codes;
        TestSurface src(srcCodes, R(1, 9), R(1, 9), R(0, 5)), dst(codes, R(1, 12), R(1, 12), R(0, 5));
        src.Fill(n + 1);
        dst.Fill(n + 99);
        // One case in six draws a surface onto itself: each byte is read just before its write.
        const bool same = srcCodes == codes && R(0, 5) == 0;
        TestSurface& from = same ? dst : src;
        from.surface.SetOpacity(uint8_t(R(0, 3) ? R(0, 255) : R(0, 1) * 255));
        const float wa = R(-20, 160) / 100.0f, wb = R(-20, 160) / 100.0f;
        ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(id));
        ASSERT_TRUE(Attach(canvas.get(), &dst.surface, &from.surface, wa, wb));
        const int32_t SW = from.surface.GetWidth(), SH = from.surface.GetHeight();
        const int32_t DW = dst.surface.GetWidth(), DH = dst.surface.GetHeight();
        if (R(0, 1))
            canvas->SetClip(R(-2, DW), R(-2, DH), R(-1, DW + 2), R(-1, DH + 2));
        TestSurface want(codes, DW, DH, dst.surface.GetPitch() - DW * B);
        std::memcpy(want.surface.GetMemory(), dst.surface.GetMemory(), dst.surface.GetByteSize());
        Model m{id, B, same ? want : src, want, uint8_t(int64_t(double(wa) * 255.0)),
                uint8_t(int64_t(double(wb) * 255.0)), from.surface.GetOpacity()};
        const std::vector<uint8_t> srcBefore = src.Bytes();
        const uint32_t locks = from.surface.GetLockCount(false), writes = dst.surface.GetLockCount(true);
        const bool blit = R(0, 2) == 0, fits = srcCodes == codes;
        std::vector<int32_t> a;
        if (blit) {
            a = {R(-4, SW + 2), R(-4, SH + 2), R(-1, SW + 4), R(-1, SH + 4), R(-6, DW + 2), R(-6, DH + 2)};
            if (same && R(0, 1))
                a[5] = a[1];  // the same rows, so that reading and writing meet within a row
        } else {
            int32_t sw = R(0, SW), sh = R(0, SH);
            int32_t dw = R(0, 2) == 0 ? sw : R(0, 1) ? R(0, sw) : R(sw, 3 * sw + 2);
            int32_t dh = R(0, 2) == 0 ? sh : R(0, 1) ? R(0, sh) : R(sh, 3 * sh + 2);
            a = {R(-1, SW - sw + 1), R(-1, SH - sh + 1), sw, sh, R(-4, DW), R(-4, DH), dw, dh};
        }
        for (int32_t& x : a)  // one argument in 24 at or next to the 32-bit limits
            if (R(0, 23) == 0)
                x = std::array{INT32_MIN, INT32_MIN + 1, INT32_MAX - 1, INT32_MAX}[R(0, 3)];
        SCOPED_TRACE(testing::PrintToString(a) + " case " + std::to_string(n) + (same ? ", onto itself" : ""));
        if (blit) {
            bool drawn = fits && ModelBlit(m, *canvas.get(), a[0], a[1], a[2], a[3], a[4], a[5]);
            canvas->Blit(a[0], a[1], a[2], a[3], a[4], a[5]);
            if (fits) {
                EXPECT_EQ(from.surface.GetLockCount(false), locks + (drawn ? 1 : 0));
                EXPECT_EQ(dst.surface.GetLockCount(true), writes + (drawn ? 1 : 0));
            }
        } else {
            if (fits)
                ModelTransform(m, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
            canvas->TransformBlit(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
            EXPECT_EQ(from.surface.GetLockCount(false), locks + 1);
        }
        ASSERT_EQ(dst.Bytes(), want.Bytes());
        ASSERT_EQ(src.Bytes(), srcBefore);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCanvas, RandomTest, ::testing::ValuesIn(kCanvasIds));

}  // namespace
