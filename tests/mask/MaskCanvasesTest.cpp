// The three 8-bit canvases through the loaded plug-in: accumulation and resampled coverage. (Their
// rows at every width and offset are RuleRowsTest's, their Blit and clipping RandomTest's.)
#include "tests/surface/CanvasHarness.h"

namespace {

using MaskCanvasTest = HostTest;

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

}  // namespace
