// The three 8-bit canvases through the loaded plug-in: accumulation, resampled coverage, Blit's
// four-at-a-time loop at every width, and the calls that draw nothing.
#include <array>
#include <random>

#include "CanvasHarness.h"

namespace {

using MaskCanvasTest = HostTest;
const uint32_t kMaskIds[] = {11136, 11135, 11138};

TEST_F(MaskCanvasTest, RepeatedDrawsAccumulateCoverage)
{
    struct { uint32_t id; uint8_t s, o; std::vector<int> want; } cases[] = {
        {11135, 128, 255, {128, 192, 224, 240, 248}},
        {11138, 255, 64, {64, 112, 148, 175, 195, 210, 221, 230}}};
    for (const auto& c : cases) {
        TestSurface src("A", 1, 1), dst("A", 1, 1);
        *src.Pixel(0, 0) = c.s;
        src.surface.SetOpacity(c.o);
        dst.surface.SetOpacity(0);  // the destination's opacity plays no part
        ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(c.id));
        Attach(canvas.get(), &dst.surface, &src.surface);
        std::vector<int> got;
        for (size_t i = 0; i < c.want.size(); ++i) {
            canvas->Blit(0, 0, 1, 1, 0, 0);
            got.push_back(*dst.Pixel(0, 0));
        }
        EXPECT_EQ(got, c.want) << c.id;
    }
}

// Over an empty destination all three canvases store the path's value itself (opacity 255).
TEST_F(MaskCanvasTest, ResampledCoverageOverAnEmptyMask)
{
    struct { std::vector<uint8_t> src; int32_t sw, sh, dw, dh; std::vector<uint8_t> want; } cases[] = {
        {{0, 255}, 2, 1, 4, 1, {0, 63, 127, 190}},
        {{10, 20, 30, 41}, 2, 2, 1, 1, {25}},
        {{255, 255, 255, 254}, 2, 2, 1, 1, {254}},
        {{0, 4, 8, 12, 16, 20, 24, 28, 200, 250, 1, 1, 1, 1, 1, 1, 1, 1, 200, 250}, 10, 2, 4, 1, {1, 5, 9, 13}},
    };
    for (uint32_t id : kMaskIds)
        for (const auto& c : cases) {
            TestSurface src("A", c.sw, c.sh), dst("A", c.dw, c.dh);
            std::copy(c.src.begin(), c.src.end(), src.surface.GetMemory());
            ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(id));
            Attach(canvas.get(), &dst.surface, &src.surface);
            canvas->TransformBlit(0, 0, c.sw, c.sh, 0, 0, c.dw, c.dh);
            EXPECT_EQ(dst.Bytes(), c.want) << id;
        }
}

// Widths 1..9 cover the four-at-a-time loop with every remainder; rows around stay untouched.
TEST_F(MaskCanvasTest, BlitOfEveryWidthMatchesAPlainLoop)
{
    std::mt19937 rng(11);
    for (uint32_t id : kMaskIds)
        for (int32_t w = 1; w <= 9; ++w)
            for (int32_t off = 0; off < 4; ++off) {
                TestSurface src("A", 13, 2, 1), dst("A", 13, 3);
                src.Fill(rng());
                dst.Fill(rng());
                src.surface.SetOpacity(uint8_t(rng()));
                std::vector<uint8_t> want = dst.Bytes();
                for (int32_t i = 0; i < w; ++i)
                    want[size_t(13 + off + i)] = PlainRule(id, want[size_t(13 + off + i)],
                                                           *src.Pixel(3 - off + i, 1), 0, 0, src.surface.GetOpacity());
                ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(id));
                Attach(canvas.get(), &dst.surface, &src.surface);
                canvas->Blit(3 - off, 1, w, 1, off, 1);
                ASSERT_EQ(dst.Bytes(), want) << id << " width " << w << " offset " << off;
            }
}

TEST_F(MaskCanvasTest, ClippedAwayBlitLocksNothingAndChangesNothing)
{
    for (uint32_t id : kMaskIds) {
        TestSurface src("A", 4, 4), dst("A", 4, 4);
        src.Fill(3);
        ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(id));
        Attach(canvas.get(), &dst.surface, &src.surface);
        canvas->SetClip(1, 1, 2, 2);
        LockLog log;
        for (auto a : {std::array{0, 0, 4, 4, 3, 0}, {0, 0, 4, 1, 0, 0}, {0, 0, 1, 4, 0, 0}, {4, 0, 4, 4, 0, 0}})
            canvas->Blit(a[0], a[1], a[2], a[3], a[4], a[5]);
        EXPECT_TRUE(log.Events().empty()) << id;
        EXPECT_EQ(dst.Bytes(), std::vector<uint8_t>(16, 0)) << id;
    }
}

TEST_F(MaskCanvasTest, AirbrushTakesTheOpacityOfEachCall)
{
    TestSurface src("A", 2, 2), dst("A", 4, 4);
    std::fill_n(src.surface.GetMemory(), 4, 255);
    ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(11138));
    Attach(canvas.get(), &dst.surface, &src.surface);
    src.surface.SetOpacity(0);
    canvas->TransformBlit(0, 0, 2, 2, 0, 0, 4, 4);
    EXPECT_EQ(dst.Bytes(), std::vector<uint8_t>(16, 0));
    src.surface.SetOpacity(128);
    canvas->TransformBlit(0, 0, 2, 2, 0, 0, 4, 4);
    EXPECT_EQ(dst.Bytes(), std::vector<uint8_t>(16, 127));
}

}  // namespace
