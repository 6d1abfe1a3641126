// Vector help for the box and bilinear rows: the same values as the per-pixel formulas, computed
// in two passes over one destination row. First the two source rows are combined column by
// column into 16-bit sums over the span the row reads (p0 * (255 - fy) + p1 * fy, or p0 + p1);
// then each destination byte takes its column's sum and its right neighbour's:
// (V0 * (255 - fx) + V1 * fx) >> 16, or (V0 + V1) >> 2. Both orders give the same integer sums.
#pragma once

#include <cstddef>
#include <cstdint>

class ResampleScratch {
public:
    ResampleScratch() = default;
    ResampleScratch(const ResampleScratch&) = delete;
    ResampleScratch& operator=(const ResampleScratch&) = delete;
    ~ResampleScratch();

    // For w destination pixels of B bytes whose source columns lie at byte offsets columns[i]
    // (non-decreasing), right bytes to the neighbour; fx and fx1 only on the bilinear path.
    // False, with nothing kept, below SSE2 or when the scratch cannot be allocated.
    bool Make(int B, const int32_t* columns, const uint8_t* fx, const uint8_t* fx1, ptrdiff_t w,
              ptrdiff_t right);

    // The w * B values of one destination row whose source pixels start at row (the pixel
    // below lies down bytes further).
    const uint8_t* BilinearRow(const uint8_t* row, ptrdiff_t down, uint32_t fy, uint32_t fy1);
    const uint8_t* BoxRow(const uint8_t* row, ptrdiff_t down);

    // The source bytes a row starting at row reads begin First() bytes on and span Span() bytes.
    ptrdiff_t First() const { return m_First; }
    ptrdiff_t Span() const { return m_Span; }

private:
    ptrdiff_t m_N = 0;      // destination bytes per row
    ptrdiff_t m_First = 0;  // the first source byte a row reads
    ptrdiff_t m_Span = 0;   // source bytes a row reads
    ptrdiff_t m_Right = 0;
    uint8_t* m_Block = nullptr;
    uint16_t* m_Sums = nullptr;  // m_Span sums and padding
    int32_t* m_Index = nullptr;  // per destination byte: its sum's index
    uint32_t* m_W = nullptr;     // per destination byte: 255 - fx
    uint32_t* m_W1 = nullptr;    // per destination byte: fx
    uint8_t* m_Out = nullptr;
    uint8_t* m_W8 = nullptr;     // per destination pixel: 255 - fx B times, fx B times, zeros
    int m_B = 0;
};
