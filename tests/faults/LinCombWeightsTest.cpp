// The lincomb canvas's weights over the whole float range: weight times 255, in double, truncated
// towards zero to its low byte; NaN, infinities and products beyond 64 bits give 0. Seen through
// Blit: a source byte of 255 over a destination byte of 0 becomes (255 * weight byte) >> 8.
#include <cmath>
#include <limits>

#include "tests/support/LoadedModule.h"
#include "tests/support/TestHost.h"

namespace {

using LinCombWeightsTest = HostTest;

TEST_F(LinCombWeightsTest, WeightTimes255TruncatedToItsLowByte)
{
    const float inf = std::numeric_limits<float>::infinity(), big = 16843010.0f, bigger = 0x1p30f + 128;
    const std::pair<float, int> cases[] = {
        {1.0f, 255}, {0.99999994f, 254}, {0.5f, 127}, {0.502f, 128}, {0.0f, 0}, {-0.0f, 0}, {1e-45f, 0},
        {1.5f, 126}, {256.0f, 0}, {-0.1f, 231}, {-1.0f, 1}, {0x1p24f + 2, 254},
        // Products between the 32-bit and the 64-bit limits keep their low byte.
        {big, 254}, {-big, 2}, {bigger, 128}, {-bigger, 128}, {0x1p55f, 0},
        {0x1p56f, 0}, {-0x1p56f, 0}, {3.4e38f, 0}, {-3.4e38f, 0}, {NAN, 0}, {inf, 0}, {-inf, 0}};
    TestSurface src("RGB", 1, 1), dst("RGB", 1, 1);
    std::fill_n(src.Pixel(0, 0), 3, 255);
    ObjectPtr<CQVTransformationCanvas> c = Create<CQVTransformationCanvas>(130);
    c->SetDestination(&dst.surface);
    for (const auto& [w, want] : cases) {
        LinCombSource record = {&src.surface, w, 1.0f};
        ASSERT_TRUE(c->SetSource(reinterpret_cast<CQVSurface*>(&record)));
        std::fill_n(dst.Pixel(0, 0), 3, 0);
        c->Blit(0, 0, 1, 1, 0, 0);
        EXPECT_EQ(*dst.Pixel(0, 0), want * 255 >> 8) << w;
    }
}

}  // namespace
