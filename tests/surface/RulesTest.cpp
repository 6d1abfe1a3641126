// Worked examples through the loaded plug-in (TransformBlit's mappings and arithmetic, the rules'
// edge values) and the lincomb canvas's starting weights.
#include "tests/surface/CanvasHarness.h"
#include "canvases/surface/SurfaceCanvases.h"

namespace {

using RulesTest = HostTest;

const Example kExamples[] = {
    // 4 to 8 columns: source columns 0,0,0,1,1,1,2,2 with weights 0,96,192,32,128,224,64,160.
    {11136, 4, 1, {0, 200, 30, 255}, 8, 1, {}, {0, 0, 4, 1, 0, 0, 8, 1}, {0, 74, 149, 177, 113, 50, 85, 169}},
    // 8 to 4 columns: pairs (0,1), (1,2), (3,4), (5,6) of rows 0 and 1; column 7 unread.
    {11136, 8, 2, {1, 2, 4, 8, 16, 32, 64, 128, 3, 5, 7, 11, 13, 17, 19, 255}, 4, 1, {}, {0, 0, 8, 2, 0, 0, 4, 1}, {2, 4, 12, 33}},
    // A uniform 255 enlarged gives 253 (252 after lincomb 1.0, 0.0; 127 after airbrush at 128).
    {126, 3, 3, {255}, 7, 5, {}, {0, 0, 3, 3, 0, 0, 7, 5}, {253}},
    {127, 3, 3, {255}, 7, 5, {}, {0, 0, 3, 3, 0, 0, 7, 5}, {253}},
    {130, 3, 3, {255}, 7, 5, {}, {0, 0, 3, 3, 0, 0, 7, 5}, {252}, 1, 1.0f, 0.0f},
    {11135, 3, 3, {255}, 3, 4, {}, {0, 0, 3, 3, 0, 0, 3, 4}, {253}},
    {11138, 3, 3, {255}, 7, 5, {}, {0, 0, 3, 3, 0, 0, 7, 5}, {127}, 1, 0, 0, 128},
    // One pixel wide at the surface's right edge: every column the same, weights 0, 85, 170 down.
    {11136, 3, 2, {0, 0, 10, 0, 0, 200}, 2, 3, {}, {2, 0, 1, 2, 0, 0, 2, 3}, {9, 9, 72, 72, 135, 135}},
    // One size kept, the other shrunk: kept axis straight, pairs averaged; nothing else written.
    {11136, 2, 3, {10, 20, 31, 41, 60, 80}, 3, 2, {9, 9, 9, 9, 9, 9}, {0, 0, 2, 3, 0, 0, 2, 1}, {20, 30, 9, 9, 9, 9}},
    // One pixel blitted, every byte of it (the fourth of 8/8/8/8 included).
    {126, 1, 1, {100, 0, 9, 200}, 1, 1, {200, 77, 0, 100}, {0, 0, 1, 1, 0, 0}, {255, 77, 9, 255}},
    {126, 1, 1, {255, 1, 0, 0}, 1, 1, {255, 255, 255, 0}, {0, 0, 1, 1, 0, 0}, {255, 255, 255, 0}},
    {127, 1, 1, {1, 2, 3, 4}, 1, 1, {9, 9, 9, 9}, {0, 0, 1, 1, 0, 0}, {1, 2, 3, 4}},
    {131, 1, 1, {1, 2, 3}, 1, 1, {9, 9, 9}, {0, 0, 1, 1, 0, 0}, {1, 2, 3}},
    {130, 1, 1, {255, 255, 0}, 1, 1, {0, 255, 0}, {0, 0, 1, 1, 0, 0}, {127, 255, 0}},
    {130, 1, 1, {255, 0, 0}, 1, 1, {255, 0, 0}, {0, 0, 1, 1, 0, 0}, {253, 0, 0}, 1, 0.5f, 0.5f},
    {130, 1, 1, {255, 1, 255}, 1, 1, {0, 200, 255}, {0, 0, 1, 1, 0, 0}, {254, 0, 254}, 1, 1.0f, 0.0f},
    {130, 1, 1, {200, 0, 255}, 1, 1, {200, 0, 255}, {0, 0, 1, 1, 0, 0}, {255, 0, 255}, 1, 1.0f, 1.0f},
    {130, 1, 1, {7, 7, 7}, 1, 1, {255, 1, 100}, {0, 0, 1, 1, 0, 0}, {254, 0, 99}, 1, 0.0f, 1.0f},
};

TEST_F(RulesTest, WorkedExamples)
{
    for (const Example& e : kExamples)
        ExpectExample(e);
}

TEST_F(RulesTest, LinCombStartsAt128AndKeepsItsStateOnANullRecord)
{
    TestSurface src("RGB", 1, 1), dst("RGB", 1, 1);
    const LinComb initial = Jwx_8_8_8LinCombFillSurfaceCanvas().MakeRule(src.surface);
    EXPECT_EQ(std::pair(initial.m_SourceWeight, initial.m_DestinationWeight), std::pair(128u, 128u));
    std::fill_n(src.Pixel(0, 0), 3, 255);
    ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(130));
    EXPECT_TRUE(Attach(canvas.get(), &dst.surface, &src.surface, 1.0f, 0.0f));
    LockLog log;
    EXPECT_FALSE(canvas->SetSource(nullptr));
    EXPECT_TRUE(log.Events().empty());
    canvas->Blit(0, 0, 1, 1, 0, 0);
    EXPECT_EQ(dst.Bytes(), std::vector<uint8_t>(3, 254));
}

}  // namespace
