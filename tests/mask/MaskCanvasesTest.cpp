// The three 8-bit canvases through the loaded plug-in: accumulation, resampled coverage, Blit's
// four-at-a-time loop at every width (ClipTest shows them clipped away, locking nothing).
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
    {11135, 2, 2, {255, 255, 255, 254}, 1, 1, {}, {0, 0, 2, 2, 0, 0, 1, 1}, {254}},
    // 10 columns to 4 average the pairs (0,1), (2,3), (4,5), (6,7); columns 8 and 9 are unread.
    {11136, 10, 2, {0, 4, 8, 12, 16, 20, 24, 28, 200, 250, 1, 1, 1, 1, 1, 1, 1, 1, 200, 250}, 4, 1, {},
     {0, 0, 10, 2, 0, 0, 4, 1}, {1, 5, 9, 13}},
    // Opacity 0 leaves the destination as it is.
    {11138, 1, 1, {255}, 1, 1, {77}, {0, 0, 1, 1, 0, 0}, {77}, 1, 0, 0, 0},
};

TEST_F(MaskCanvasTest, WorkedExamples)
{
    for (const Example& e : kMaskExamples)
        ExpectExample(e);
}

// Widths 0..11 from offsets 0..3 cover the four-at-a-time loop with every remainder against a
// plain loop; the rows around and the bytes after the run stay untouched.
TEST_F(MaskCanvasTest, BlitOfEveryWidthMatchesAPlainLoop)
{
    std::mt19937 rng(11);
    for (uint32_t id : kMaskIds)
        for (int32_t w = 0; w <= 11; ++w)
            for (int32_t off = 0; off < 4; ++off) {
                TestSurface src("A", 15, 2, 1), dst("A", 15, 3);
                src.Fill(rng());
                dst.Fill(rng());
                src.surface.SetOpacity(uint8_t(rng()));
                std::vector<uint8_t> want = dst.Bytes();
                for (int32_t i = 0; i < w; ++i)
                    want[size_t(15 + off + i)] = PlainRule(id, want[size_t(15 + off + i)],
                                                           *src.Pixel(3 - off + i, 1), 0, 0, src.surface.GetOpacity());
                ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(id));
                Attach(canvas.get(), &dst.surface, &src.surface);
                canvas->Blit(3 - off, 1, w, 1, off, 1);
                ASSERT_EQ(dst.Bytes(), want) << id << " width " << w << " offset " << off;
            }
}

}  // namespace
