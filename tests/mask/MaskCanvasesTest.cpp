// The three 8-bit canvases through the loaded plug-in: accumulation, resampled coverage, Blit's
// four-at-a-time loop at every width, and a Blit that clips away.
#include <array>
#include <random>

#include "CanvasHarness.h"

namespace {

using MaskCanvasTest = HostTest;
const uint32_t kMaskIds[] = {11136, 11135, 11138};

const Example kMaskExamples[] = {
    // Repeated draws accumulate coverage.
    {11135, 1, 1, {128}, 1, 1, {}, {0, 0, 1, 1, 0, 0}, {128, 192, 224, 240, 248}, 5},
    {11138, 1, 1, {255}, 1, 1, {}, {0, 0, 1, 1, 0, 0}, {64, 112, 148, 175, 195, 210, 221, 230}, 8, 0, 0, 64},
    // Over an empty mask every canvas stores the path's value: enlarged 0, 255 and box means.
    {11136, 2, 1, {0, 255}, 4, 1, {}, {0, 0, 2, 1, 0, 0, 4, 1}, {0, 63, 127, 190}},
    {11135, 2, 1, {0, 255}, 4, 1, {}, {0, 0, 2, 1, 0, 0, 4, 1}, {0, 63, 127, 190}},
    {11138, 2, 1, {0, 255}, 4, 1, {}, {0, 0, 2, 1, 0, 0, 4, 1}, {0, 63, 127, 190}},
    {11136, 2, 2, {10, 20, 30, 41}, 1, 1, {}, {0, 0, 2, 2, 0, 0, 1, 1}, {25}},
    {11135, 2, 2, {255, 255, 255, 254}, 1, 1, {}, {0, 0, 2, 2, 0, 0, 1, 1}, {254}},
    // 10 columns to 4 average the pairs (0,1), (2,3), (4,5), (6,7); columns 8 and 9 are unread.
    {11136, 10, 2, {0, 4, 8, 12, 16, 20, 24, 28, 200, 250, 1, 1, 1, 1, 1, 1, 1, 1, 200, 250}, 4, 1, {},
     {0, 0, 10, 2, 0, 0, 4, 1}, {1, 5, 9, 13}},
    // The source's opacity weakens the value; 0 leaves the destination as it is.
    {11138, 2, 2, {255}, 3, 3, {}, {0, 0, 2, 2, 0, 0, 3, 3}, {127}, 1, 0, 0, 128},
    {11138, 1, 1, {255}, 1, 1, {77}, {0, 0, 1, 1, 0, 0}, {77}, 1, 0, 0, 0},
};

TEST_F(MaskCanvasTest, WorkedExamples)
{
    for (const Example& e : kMaskExamples)
        ExpectExample(e);
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

}  // namespace
