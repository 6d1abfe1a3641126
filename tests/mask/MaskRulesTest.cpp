// The rounded division by 255 and the paintbrush and airbrush rules, over every input.
#include "CanvasHarness.h"
#include "MaskRules.h"

namespace {

TEST(MaskRulesTest, Div255RoundIsHalfUpOverItsWholeRange)
{
    for (uint32_t t = 0; t <= 255 * 255; ++t)
        ASSERT_EQ(Div255Round(t), (t + 127) / 255) << t;
}

const uint32_t kOpacities[] = {0, 1, 64, 127, 128, 200, 254, 255};

TEST(MaskRulesTest, EveryPairMatchesThePlainFormulaAndKeepsTheProperties)
{
    for (uint32_t d = 0; d < 256; ++d)
        for (uint32_t s = 0; s < 256; ++s) {
            const uint32_t p = PaintBrush{}(d, s);
            ASSERT_EQ(p, PlainRule(11135, d, s)) << s << " over " << d;
            ASSERT_TRUE(p >= d && p >= s && p == PaintBrush{}(s, d));
            ASSERT_EQ(p, s == 0 ? d : s == 255 ? 255 : d == 0 ? s : p);
            for (uint32_t o : kOpacities) {
                const uint32_t a = AirBrush{o}(d, s);
                ASSERT_EQ(a, PlainRule(11138, d, s, 0, 0, o)) << s << " over " << d << " at " << o;
                ASSERT_GE(a, d);
                ASSERT_EQ(a, s == 0 || o == 0 ? d : o == 255 ? p : a);
            }
        }
}

TEST(MaskRulesTest, WorkedValues)
{
    struct { uint32_t s, d, o, want; } paint[] = {{0, 200, 0, 200}, {255, 17, 0, 255}, {128, 128, 0, 192},
                                                  {100, 50, 0, 130}, {1, 254, 0, 254}},
        air[] = {{255, 0, 128, 128}, {128, 0, 128, 64}, {255, 128, 128, 192}, {100, 50, 200, 113},
                 {255, 9, 255, 255}};
    for (const auto& c : paint)
        EXPECT_EQ(PaintBrush{}(c.d, c.s), c.want) << c.s << " over " << c.d;
    for (const auto& c : air)
        EXPECT_EQ(AirBrush{c.o}(c.d, c.s), c.want) << c.s << " over " << c.d << " at " << c.o;
}

}  // namespace
