// TransformBlit's mappings and arithmetic, and the unscaled loop against its four-at-a-time twin.
#include <random>

#include "CanvasHarness.h"
#include "MaskRules.h"
#include "Resample.h"
#include "Rules.h"

namespace {

using PathTest = HostTest;

// One row of bytes from a surface of one byte per pixel per channel (byte k of each pixel).
std::vector<int> Row(TestSurface& s, int32_t y, int k = 0)
{
    std::vector<int> r;
    for (int32_t x = 0; x < s.surface.GetWidth(); ++x)
        r.push_back(s.Pixel(x, y)[k]);
    return r;
}

TEST_F(PathTest, FourColumnsToEightUseTheWorkedColumnsAndWeights)
{
    const int a[4][4] = {{0, 9, 250, 77}, {200, 180, 3, 77}, {30, 0, 255, 1}, {255, 66, 17, 200}};
    TestSurface src("RGBA", 4, 1), dst("RGBA", 8, 1);
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 4; ++k)
            src.Pixel(c, 0)[k] = uint8_t(a[c][k]);
    ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(127));
    Attach(canvas.get(), &dst.surface, &src.surface);
    canvas->TransformBlit(0, 0, 4, 1, 0, 0, 8, 1);
    const int col[8] = {0, 0, 0, 1, 1, 1, 2, 2}, fx[8] = {0, 96, 192, 32, 128, 224, 64, 160};
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(dst.Pixel(i, 0)[k], (a[col[i]][k] * (255 - fx[i]) + a[col[i] + 1][k] * fx[i]) * 255 >> 16);
}

TEST_F(PathTest, EightColumnsToFourAverageTheWorkedPairs)
{
    const int r0[8] = {1, 2, 4, 8, 16, 32, 64, 128}, r1[8] = {3, 5, 7, 11, 13, 17, 19, 255};
    TestSurface src("A", 8, 2), dst("A", 4, 1);
    for (int c = 0; c < 8; ++c)
        *src.Pixel(c, 0) = uint8_t(r0[c]), *src.Pixel(c, 1) = uint8_t(r1[c]);
    ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(11136));
    Attach(canvas.get(), &dst.surface, &src.surface);
    canvas->TransformBlit(0, 0, 8, 2, 0, 0, 4, 1);
    const int pair[4] = {0, 1, 3, 5};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Row(dst, 0)[i], (r0[pair[i]] + r0[pair[i] + 1] + r1[pair[i]] + r1[pair[i] + 1]) >> 2);
}

// A uniform 255 on each canvas over an empty destination: 253 enlarged, 255 shrunk (copy).
TEST_F(PathTest, UniformFullSourceGives253Enlarged)
{
    struct { uint32_t id; float wa, wb; uint8_t opacity; int enlarged, shrunk; } cases[] = {
        {126, 0, 0, 255, 253, 255}, {127, 0, 0, 255, 253, 255}, {131, 0, 0, 255, 253, 255},
        {130, 1.0f, 0.0f, 255, 252, 254}, {11136, 0, 0, 255, 253, 255}, {11135, 0, 0, 255, 253, 255},
        {11138, 0, 0, 128, 127, 128}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        TestSurface src(CodesOf(c.id), 3, 3), big(CodesOf(c.id), 7, 5), one(CodesOf(c.id), 1, 1);
        std::fill_n(src.surface.GetMemory(), src.surface.GetByteSize(), 255);
        src.surface.SetOpacity(c.opacity);
        ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(c.id));
        Attach(canvas.get(), &big.surface, &src.surface, c.wa, c.wb);
        canvas->TransformBlit(0, 0, 3, 3, 0, 0, 7, 5);
        EXPECT_EQ(big.Bytes(), std::vector<uint8_t>(big.surface.GetByteSize(), uint8_t(c.enlarged)));
        Attach(canvas.get(), &one.surface, &src.surface, c.wa, c.wb);
        canvas->TransformBlit(0, 0, 3, 3, 0, 0, 1, 1);
        EXPECT_EQ(one.Bytes(), std::vector<uint8_t>(one.surface.GetByteSize(), uint8_t(c.shrunk)));
    }
}

TEST_F(PathTest, OnePixelWideSourceAtTheSurfaceEdgeIsCopiedAcross)
{
    TestSurface src("RGB", 3, 3), dst("RGB", 4, 5);
    src.Fill(21);
    ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(131));
    Attach(canvas.get(), &dst.surface, &src.surface);
    canvas->TransformBlit(2, 0, 1, 3, 0, 0, 4, 5);
    for (int32_t y = 0; y < 5; ++y)
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(Row(dst, y, k), std::vector<int>(4, Row(dst, y, k)[0]));
    EXPECT_EQ(dst.Pixel(0, 0)[1], src.Pixel(2, 0)[1] * 255 * 255 >> 16);
}

// One axis kept, the other shrunk: straight along the kept axis, pairs averaged along the other,
// nothing written outside the destination rectangle.
TEST_F(PathTest, OneAxisShrunkAveragesPairsAlongIt)
{
    TestSurface src("A", 4, 4), dst("A", 6, 6);
    src.Fill(8);
    dst.Fill(9);
    const std::vector<uint8_t> before = dst.Bytes();
    ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(11136));
    Attach(canvas.get(), &dst.surface, &src.surface);
    canvas->TransformBlit(0, 0, 3, 4, 1, 1, 3, 2);  // rows 0 + 1, 1 + 2 (step 1.5)
    canvas->TransformBlit(0, 0, 4, 1, 1, 4, 2, 1);  // columns 0 + 1, 1 + 2 (step 1.5)
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            int want = before[size_t(y * 6 + x)];
            if (x >= 1 && x < 4 && y >= 1 && y < 3)
                want = (*src.Pixel(x - 1, y - 1) + *src.Pixel(x - 1, y)) >> 1;
            if (x >= 1 && x < 3 && y == 4)
                want = (*src.Pixel(x - 1, 0) + *src.Pixel(x, 0)) >> 1;
            EXPECT_EQ(*dst.Pixel(x, y), want) << x << "," << y;
        }
}

// A sub-rectangle reads its own pixels only: drawing it equals drawing an exact copy of it.
TEST_F(PathTest, SubRectanglesReadOnlyTheirOwnPixels)
{
    TestSurface src("RGBA", 7, 6);
    src.Fill(31);
    const int32_t sizes[][2] = {{9, 7}, {2, 1}, {3, 2}, {1, 5}, {4, 3}, {3, 1}, {2, 2}, {6, 2}};
    for (const auto& d : sizes) {
        TestSurface part("RGBA", 3, 2), a("RGBA", d[0], d[1]), b("RGBA", d[0], d[1]);
        for (int32_t y = 0; y < 2; ++y)
            std::memcpy(part.Pixel(0, y), src.Pixel(2, 1 + y), 12);
        ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(126));
        Attach(canvas.get(), &a.surface, &src.surface);
        canvas->TransformBlit(2, 1, 3, 2, 0, 0, d[0], d[1]);
        Attach(canvas.get(), &b.surface, &part.surface);
        canvas->TransformBlit(0, 0, 3, 2, 0, 0, d[0], d[1]);
        EXPECT_EQ(a.Bytes(), b.Bytes()) << d[0] << "x" << d[1];
    }
}

TEST_F(PathTest, TransformBlitIgnoresTheClipAndEqualSizesDrawAsBlit)
{
    TestSurface src("RGBA", 5, 4), a("RGBA", 6, 5), b("RGBA", 6, 5);
    src.Fill(2);
    ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(127));
    Attach(canvas.get(), &a.surface, &src.surface);
    canvas->Blit(1, 0, 4, 4, 2, 1);
    Attach(canvas.get(), &b.surface, &src.surface);
    canvas->SetClip(0, 0, 0, 0);
    canvas->TransformBlit(1, 0, 4, 4, 2, 1, 4, 4);
    EXPECT_EQ(a.Bytes(), b.Bytes());
}

// The four-at-a-time loop against the plain one: widths 0..11, start offsets 0..3, and bytes
// after the row that neither may touch.
template <int B, class Rule>
void ExpectTwinsAgree(Rule rule)
{
    std::mt19937 rng(B);
    for (int n = 0; n <= 11; ++n)
        for (int off = 0; off < 4; ++off) {
            std::vector<uint8_t> s(128), d1(128);
            for (auto* v : {&s, &d1})
                for (uint8_t& x : *v)
                    x = uint8_t(rng());
            std::vector<uint8_t> d2 = d1;
            CopyRows<B>(d1.data() + off, 48, s.data() + 3 - off, 46, n, 2, rule);
            CopyRowsBy4<B>(d2.data() + off, 48, s.data() + 3 - off, 46, n, 2, rule);
            ASSERT_EQ(d1, d2) << "B " << B << " width " << n << " offset " << off;
        }
}

TEST(LoopTwinTest, FourAtATimeEqualsOneAtATime)
{
    ExpectTwinsAgree<1>(PaintBrush{});
    ExpectTwinsAgree<1>(AirBrush{77});
    ExpectTwinsAgree<1>(Copy{});
    ExpectTwinsAgree<3>(LinComb{200, 90});
    ExpectTwinsAgree<4>(AddSat{});
}

}  // namespace
