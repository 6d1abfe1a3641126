// The two-pass box and bilinear values against the per-pixel formulas, at every processor level.
#include "ResampleFast.h"
#include "SpeedTest.h"

namespace {

struct Shape {
    int B;
    bool bilinear;
};

// Source sw x sh pixels of B bytes with a pitch wider than a row, exactly as large as it must be
// (so that reading past it is caught by the sanitizers); sampled into dw x dh values.
void CompareValues(const Shape& c, int sw, int sh, int dw, int dh, int off, std::mt19937& rng)
{
    const int B = c.B, pitch = (off + sw) * B + int(rng() % 9);
    std::vector<uint8_t> src(size_t((sh - 1) * pitch + (off + sw) * B));
    for (auto& b : src)
        b = uint8_t(rng() % 3 == 0 ? 255 : rng());
    const uint8_t* origin = src.data() + off * B;
    const int64_t stepX = int64_t(sw - 1) * 65536 / dw, stepY = int64_t(sh - 1) * 65536 / dh;
    const ptrdiff_t right = sw > 1 ? B : 0, down = sh > 1 ? pitch : 0;
    std::vector<int32_t> columns(static_cast<size_t>(dw));
    std::vector<uint8_t> fx(static_cast<size_t>(dw)), fx1(static_cast<size_t>(dw));
    for (int i = 0; i < dw; ++i) {
        const int64_t px = i * stepX;
        columns[size_t(i)] = int32_t((px >> 16) * B);
        fx[size_t(i)] = uint8_t(px >> 8), fx1[size_t(i)] = uint8_t(255 - fx[size_t(i)]);
    }
    ResampleScratch scratch;
    if (!scratch.Make(B, columns.data(), c.bilinear ? fx.data() : nullptr, fx1.data(), dw, right)) {
        ASSERT_EQ(ActiveCpuLevel(), CpuLevel::Plain);
        return;
    }
    for (int j = 0; j < dh; ++j) {
        const int64_t py = j * stepY;
        const uint8_t* row = origin + (py >> 16) * pitch;
        const uint32_t fy = uint8_t(py >> 8), fy1 = 255 - fy;
        const uint8_t* got = c.bilinear ? scratch.BilinearRow(row, down, fy, fy1) : scratch.BoxRow(row, down);
        for (int i = 0; i < dw; ++i)
            for (int k = 0; k < B; ++k) {
                const uint8_t* p = row + columns[size_t(i)] + k;
                uint32_t want;
                if (c.bilinear) {
                    uint32_t top = p[0] * uint32_t(fx1[size_t(i)]) + p[right] * uint32_t(fx[size_t(i)]);
                    uint32_t bottom = p[down] * uint32_t(fx1[size_t(i)]) + p[right + down] * uint32_t(fx[size_t(i)]);
                    want = (top * fy1 + bottom * fy) >> 16;
                } else {
                    want = (uint32_t(p[0]) + p[right] + p[down] + p[right + down]) >> 2;
                }
                ASSERT_EQ(got[i * B + k], want) << "B=" << B << " " << sw << "x" << sh << ">" << dw << "x"
                                                << dh << " off=" << off << " at " << i << "," << j << "," << k;
            }
    }
}

TEST(ResampleFastTest, ValuesMatchPerPixelFormulas)
{
    const Shape shapes[] = {{1, true}, {3, true}, {4, true}, {1, false}, {3, false}, {4, false}};
    for (CpuLevel level : Levels()) {
        LevelScope scope(level);
        std::mt19937 rng(11);
        for (const Shape& c : shapes)
            for (int dw = 1; dw <= 70; ++dw) {
                SCOPED_TRACE(LevelName(level));
                const int off = dw % 32;
                if (c.bilinear) {
                    CompareValues(c, dw / 2 + 1, 3, dw, 4, off, rng);            // enlarging
                    CompareValues(c, 1, 1, dw, 2, off, rng);                     // one pixel wide
                    CompareValues(c, dw * 2 / 3 + 1, 2, dw + 1, 3, 31 - off, rng);  // non-integer
                } else {
                    CompareValues(c, dw * 2, 4, dw, 2, off, rng);                // halving
                    CompareValues(c, dw * 3 + 1, 3, dw, 2, off, rng);            // wide steps
                    CompareValues(c, dw + 1 + dw / 3, 3, dw, 2, 31 - off, rng);  // non-integer
                }
            }
    }
}

}  // namespace
