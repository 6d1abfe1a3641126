// The add, copy and weighted-sum rules: edge values through the loaded plug-in, every byte pair
// against the plain formulas, and the weights the lincomb canvas takes from its record.
#include <cmath>
#include <limits>

#include "CanvasHarness.h"
#include "SurfaceCanvases.h"

namespace {

using RulesTest = HostTest;

// One pixel blitted, every byte of it (the fourth of 8/8/8/8 included).
const Example kOnePixel[] = {
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

TEST_F(RulesTest, EdgeValuesOfOnePixel)
{
    for (const Example& e : kOnePixel)
        ExpectExample(e);
}

TEST(RuleTableTest, EveryPairMatchesThePlainFormula)
{
    const uint32_t weights[][2] = {{128, 128}, {255, 0}, {0, 255}, {255, 255}, {126, 231}, {3, 250}};
    for (uint32_t d = 0; d < 256; ++d)
        for (uint32_t v = 0; v < 256; ++v) {
            ASSERT_EQ(AddSat{}(d, v), PlainRule(126, d, v));
            ASSERT_EQ(Copy{}(d, v), v);
            for (const auto& w : weights)
                ASSERT_EQ((LinComb{w[0], w[1]}(d, v)), PlainRule(130, d, v, w[0], w[1]));
        }
}

TEST(WeightTest, FloatTimes255TruncatedToItsLowByte)
{
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<float, int> cases[] = {
        {1.0f, 255}, {0.5f, 127}, {0.0f, 0}, {1.5f, 126}, {-0.1f, 231}, {0.502f, 128}, {-1.0f, 1},
        {256.0f, 0}, {NAN, 0}, {inf, 0}, {-inf, 0}, {3.4e38f, 0}, {-3.4e38f, 0}};
    for (const auto& [w, want] : cases)
        EXPECT_EQ(WeightByte(w), want) << w;
}

TEST_F(RulesTest, LinCombStartsAt128AndKeepsItsStateOnANullRecord)
{
    TestSurface src("RGB", 1, 1), dst("RGB", 1, 1);
    const LinComb initial = Jwx_8_8_8LinCombFillSurfaceCanvas().MakeRule(src.surface);
    EXPECT_EQ(initial.m_SourceWeight + 1000 * initial.m_DestinationWeight, 128128u);
    std::fill_n(src.Pixel(0, 0), 3, 255);
    ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(130));
    EXPECT_TRUE(Attach(canvas.get(), &dst.surface, &src.surface, 1.0f, 0.0f));
    LockLog log;
    EXPECT_FALSE(canvas->SetSource(nullptr));
    EXPECT_TRUE(log.Events().empty());
    EXPECT_EQ(canvas->GetSource(), &src.surface);
    canvas->Blit(0, 0, 1, 1, 0, 0);
    EXPECT_EQ(dst.Bytes(), std::vector<uint8_t>(3, 254));
}

}  // namespace
