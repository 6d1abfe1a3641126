// The rounded division by 255 and the paintbrush and airbrush rules, over every input.
#include "tests/surface/CanvasHarness.h"
#include "canvases/mask/MaskRules.h"

namespace {

TEST(MaskRulesTest, Div255RoundIsHalfUpOverItsWholeRange)
{
    for (uint32_t t = 0; t <= 255 * 255; ++t)
        ASSERT_EQ(Div255Round(t), (t + 127) / 255) << t;
}

// Against the formulas written plainly, for every (s, d) and several opacities, with the properties:
// never below d, the paintbrush never below s and symmetric, s = 0 or o = 0 leaves d, airbrush at
// o = 255 equals paintbrush.
TEST(MaskRulesTest, EveryPairMatchesThePlainFormulaAndKeepsTheProperties)
{
    for (uint32_t d = 0; d < 256; ++d)
        for (uint32_t s = 0; s < 256; ++s) {
            const uint32_t p = PaintBrush{}(d, s);
            ASSERT_EQ(p, PlainRule(11135, d, s)) << s << " over " << d;
            ASSERT_TRUE(p >= d && p >= s && p == PaintBrush{}(s, d));
            ASSERT_EQ(p, s == 0 ? d : s == 255 ? 255 : d == 0 ? s : p);
            for (uint32_t o : {0, 1, 64, 127, 128, 200, 254, 255}) {
                const uint32_t a = AirBrush{o}(d, s);
                ASSERT_EQ(a, PlainRule(11138, d, s, 0, 0, o)) << s << " over " << d << " at " << o;
                ASSERT_GE(a, d);
                ASSERT_EQ(a, s == 0 || o == 0 ? d : o == 255 ? p : a);
            }
        }
}

}  // namespace
