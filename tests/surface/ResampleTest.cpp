// TransformBlit's mappings and arithmetic, and the unscaled loop against its four-at-a-time twin.
#include <random>

#include "CanvasHarness.h"
#include "MaskRules.h"
#include "Resample.h"
#include "Rules.h"

namespace {

using PathTest = HostTest;

const Example kPathExamples[] = {
    // 4 to 8 columns: source columns 0,0,0,1,1,1,2,2 with weights 0,96,192,32,128,224,64,160.
    {11136, 4, 1, {0, 200, 30, 255}, 8, 1, {}, {0, 0, 4, 1, 0, 0, 8, 1}, {0, 74, 149, 177, 113, 50, 85, 169}},
    // 8 to 4 columns: pairs (0,1), (1,2), (3,4), (5,6) of rows 0 and 1; column 7 unread.
    {11136, 8, 2, {1, 2, 4, 8, 16, 32, 64, 128, 3, 5, 7, 11, 13, 17, 19, 255}, 4, 1, {}, {0, 0, 8, 2, 0, 0, 4, 1}, {2, 4, 12, 33}},
    // A uniform 255 enlarged gives 253 (252 after lincomb 1.0, 0.0; 127 after airbrush at 128),
    // shrunk it stays 255 (254 after lincomb, 128 after airbrush).
    {126, 3, 3, {255}, 7, 5, {}, {0, 0, 3, 3, 0, 0, 7, 5}, {253}},
    {127, 3, 3, {255}, 7, 5, {}, {0, 0, 3, 3, 0, 0, 7, 5}, {253}},
    {131, 3, 3, {255}, 4, 5, {}, {0, 0, 3, 3, 0, 0, 4, 5}, {253}},
    {130, 3, 3, {255}, 7, 5, {}, {0, 0, 3, 3, 0, 0, 7, 5}, {252}, 1, 1.0f, 0.0f},
    {11136, 3, 3, {255}, 7, 2, {}, {0, 0, 3, 3, 0, 0, 7, 2}, {253}},
    {11135, 3, 3, {255}, 3, 4, {}, {0, 0, 3, 3, 0, 0, 3, 4}, {253}},
    {11138, 3, 3, {255}, 7, 5, {}, {0, 0, 3, 3, 0, 0, 7, 5}, {127}, 1, 0, 0, 128},
    {127, 3, 3, {255}, 2, 1, {}, {0, 0, 3, 3, 0, 0, 2, 1}, {255}},
    {130, 3, 3, {255}, 2, 2, {}, {0, 0, 3, 3, 0, 0, 2, 2}, {254}, 1, 1.0f, 0.0f},
    {11138, 3, 3, {255}, 1, 1, {}, {0, 0, 3, 3, 0, 0, 1, 1}, {128}, 1, 0, 0, 128},
    // Box means truncate: 1, 2, 2, 2 store 1, and add 1.
    {127, 2, 2, {1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}, 1, 1, {}, {0, 0, 2, 2, 0, 0, 1, 1}, {1}},
    {126, 2, 2, {1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}, 1, 1, {5}, {0, 0, 2, 2, 0, 0, 1, 1}, {6}},
    // One pixel wide at the surface's right edge: every column the same, weights 0, 85, 170 down.
    {11136, 3, 2, {0, 0, 10, 0, 0, 200}, 2, 3, {}, {2, 0, 1, 2, 0, 0, 2, 3}, {9, 9, 72, 72, 135, 135}},
    // One size kept, the other shrunk: kept axis straight, pairs averaged; nothing else written.
    {11136, 2, 3, {10, 20, 31, 41, 60, 80}, 3, 2, {9, 9, 9, 9, 9, 9}, {0, 0, 2, 3, 0, 0, 2, 1}, {20, 30, 9, 9, 9, 9}},
    {11136, 3, 1, {10, 21, 40}, 3, 1, {9, 9, 9}, {0, 0, 3, 1, 1, 0, 2, 1}, {9, 15, 30}},
    // Equal sizes copy exactly.
    {131, 2, 1, {1, 2, 3, 4, 5, 6}, 2, 1, {}, {0, 0, 2, 1, 0, 0, 2, 1}, {1, 2, 3, 4, 5, 6}},
};

TEST_F(PathTest, WorkedExamples)
{
    for (const Example& e : kPathExamples)
        ExpectExample(e);
}

// A sub-rectangle reads its own pixels only: drawing it equals drawing an exact copy of it.
TEST_F(PathTest, SubRectanglesReadOnlyTheirOwnPixels)
{
    TestSurface src("RGBA", 7, 6);
    src.Fill(31);
    for (auto [w, h] : {std::pair{9, 7}, {2, 1}, {3, 2}, {1, 5}, {3, 1}, {2, 2}, {6, 2}}) {
        TestSurface part("RGBA", 3, 2), a("RGBA", w, h), b("RGBA", w, h);
        for (int32_t y = 0; y < 2; ++y)
            std::memcpy(part.Pixel(0, y), src.Pixel(2, 1 + y), 12);
        ObjectPtr<CQVTransformationCanvas> canvas(Create<CQVTransformationCanvas>(126));
        Attach(canvas.get(), &a.surface, &src.surface);
        canvas->TransformBlit(2, 1, 3, 2, 0, 0, w, h);
        Attach(canvas.get(), &b.surface, &part.surface);
        canvas->TransformBlit(0, 0, 3, 2, 0, 0, w, h);
        EXPECT_EQ(a.Bytes(), b.Bytes()) << w << "x" << h;
    }
}

// Widths 0..11 from start offsets 0..3, with bytes after each row that neither loop may touch.
template <int B, class Rule>
void ExpectTwinsAgree(Rule rule)
{
    std::mt19937 rng(B);
    for (int n = 0; n <= 11; ++n)
        for (int off = 0; off < 4; ++off) {
            std::vector<uint8_t> s(128), d1(128);
            for (size_t i = 0; i < 128; ++i)
                s[i] = uint8_t(rng()), d1[i] = uint8_t(rng());
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
