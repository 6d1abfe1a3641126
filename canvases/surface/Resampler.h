// TransformBlit's box and bilinear paths: the geometry of the two rectangles turned into tables
// once per call, then the rows drawn by the resampling engine, or by the plain loops of
// Resample.h, whose bytes are the definition, where the engine does not apply.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "canvases/surface/FastRows.h"
#include "canvases/surface/Resample.h"
#include "common/ResampleEngine.h"

// Whether the destination rectangle lies clear of every source byte the rows read, so that
// computing values ahead of the rows that write them gives what the per-pixel loops give.
inline bool ClearOf(const ResampleEngine& e, const ResampleTables& t, uint8_t* d, ptrdiff_t dPitch,
                    ptrdiff_t w, ptrdiff_t h, int B, ptrdiff_t down)
{
    const auto lo = reinterpret_cast<uintptr_t>(t.m_Rows[0] + e.First());
    const auto hi = reinterpret_cast<uintptr_t>(t.m_Rows[h - 1] + down + e.First() + e.Span());
    const auto dlo = reinterpret_cast<uintptr_t>(d);
    const auto dhi = reinterpret_cast<uintptr_t>(d + (h - 1) * dPitch + w * B);
    return dhi <= lo || hi <= dlo;
}

// Whether the engine can apply the rule in its kernels (its 32- and 64-byte forms).
template <class Rule>
constexpr bool WideForm()
{
#if QVGFX_X86
    return WideRule<Rule>;
#else
    return false;
#endif
}

// The strip's n bytes of a bilinear destination row at p through the down pass and the rule at
// once, n a whole number of vectors (64 bytes with wide512, else 32); with p1, in the same pass
// the next row, weight fy1, which reads the same source rows; the bytes ahead bytes on (0: none)
// asked for ahead.
template <class Rule>
void FusedRows(ResampleEngine& e, uint8_t* p, uint8_t* p1, const uint8_t* top,
               const uint8_t* bottom, uint32_t fy, uint32_t fy1, ptrdiff_t n, const Rule& rule,
               bool wide512, ptrdiff_t ahead)
{
#if QVGFX_X86
    if constexpr (WideForm<Rule>()) {
        const int16_t *ts, *bs;
        e.Sums(top, bottom, fy | fy1, &ts, &bs);  // the lower row, where either row reads it
        const bool lanes = e.LaneSums();
        // (Sums in kSlotOf order come only from the AVX-512 across pass: they go to the 512-bit
        // pass whatever wide512 says.)
        const auto down =
            lanes ? (p1 ? DownWithRule512<true, true, Rule> : DownWithRule512<false, true, Rule>)
            : wide512
                ? (p1 ? DownWithRule512<true, false, Rule> : DownWithRule512<false, false, Rule>)
                : (p1 ? DownWithRule256<true, false, Rule> : DownWithRule256<false, false, Rule>);
        down(p, p1, ts, bs, n, fy, fy1, rule, ahead);
        return;
    }
#endif
    (void)e, (void)p, (void)p1, (void)top, (void)bottom, (void)fy, (void)fy1, (void)n, (void)rule,
        (void)wide512, (void)ahead;
}

// The engine's twin of BoxRows (t without weights) and BilinearRows: the same bytes, each row's
// values handed to the rule's row (chosen once per call; where that is the copy row, the engine
// writes them in place, two rows at once where they read the same sums), strip by strip (the
// destination lies clear of the source, so the order does not change them). False, nothing drawn,
// where the engine does not apply.
template <int B, class Rule>
bool EngineRows(uint8_t* d, ptrdiff_t dPitch, const ResampleTables& t, ptrdiff_t w, ptrdiff_t h,
                ptrdiff_t right, ptrdiff_t down, Rule rule)
{
    ResampleEngine e;
    if (w < 1 || h < 1 || !e.Plan(t.m_Plan, B, t.m_Columns, t.m_Fx, t.m_Fx1, w, right) ||
        !ClearOf(e, t, d, dPitch, w, h, B, down))
        return false;
    const RowFn<Rule> row = kRowsOf<Rule>.Choose();
    const bool copies =
        row == &CopyRow<Rule>;  // the values are the bytes: the engine writes them in place
    const bool wide = t.m_Fy && WideForm<Rule>() && CpuAtLeast(CpuLevel::Avx2),
               wide512 = CpuAtLeast(CpuLevel::Avx512);
    e.Strip(0);
    if (!t.m_Fy) {  // box rows: in one call, the rule applied in registers, where the kernels allow
        if constexpr (WideForm<Rule>()) {
            if (e.BoxRows(t.m_Rows, down, h, d, dPitch, rule))
                return true;
        } else if (copies) {
            const uint64_t written = uint64_t(w) * B * uint64_t(h),
                           read = 2 * uint64_t(h) * uint64_t(e.Span());
            const bool drawn = StreamsPastCaches(written, read)
                                   ? e.BoxRows(t.m_Rows, down, h, d, dPitch, StreamValues{})
                               : B == 1 && LoadsInHalves(written + read)
                                   ? e.BoxRows(t.m_Rows, down, h, d, dPitch, FarValues{})
                                   : e.BoxRows(t.m_Rows, down, h, d, dPitch, KeepValues{});
            if (drawn)
                return true;
        }
    }
    for (ptrdiff_t x = 0; x < w * B; x += e.StripBytes()) {
        e.Strip(x);
        uint8_t* p = d + x;
        // The rule goes into the down pass where the strip is whole vectors; else the engine's
        // row of values would be computed for the rest of the strip anyway.
        const ptrdiff_t n = std::min(e.StripBytes(), w * B - x);
        const bool fused = wide && n % (wide512 ? 64 : 32) == 0;
        for (ptrdiff_t j = 0; j < h; ++j, p += dPitch) {
            const uint8_t* top = t.m_Rows[j];
            const uint32_t fy = t.m_Fy ? t.m_Fy[j] : 0;
            const bool pair = j + 1 < h && t.m_Fy && t.m_Rows[j + 1] == top;  // the same sums
            if (copies && pair) {
                e.RowPair(top, top + down, fy, t.m_Fy[j + 1], p, p + dPitch);
                ++j, p += dPitch;
            } else if (copies)
                e.Row(top, top + down, fy, p);
            else if (fused && pair) {  // the next two rows' bytes asked for ahead, where they exist
                FusedRows(e, p, p + dPitch, top, top + down, fy, t.m_Fy[j + 1], n, rule, wide512,
                          j + 3 < h ? 2 * dPitch : 0);
                ++j, p += dPitch;
            } else if (fused)
                FusedRows(e, p, nullptr, top, top + down, fy, 0, n, rule, wide512,
                          j + 1 < h ? dPitch : 0);
            else
                row(p, e.Row(top, top + down, fy), n, rule);
        }
    }
    return true;
}

// Draws the visible columns x and rows y of a sw x sh source rectangle at origin resampled to
// dw x dh (sizes not both equal): bilinear where either grows, else box. Step is (sw - 1) / dw,
// so the right neighbour stays inside the rectangle; on the box path an axis that keeps its size
// maps pixel to pixel and averages along the other. The engine only when engine is set.
template <int B, class Rule>
void DrawResampled(uint8_t* d, ptrdiff_t dPitch, const uint8_t* origin, ptrdiff_t sPitch,
                   int32_t sw, int32_t sh, int32_t dw, int32_t dh, ResampleAxis x, ResampleAxis y,
                   Rule rule, bool engine = true)
{
    const bool bilinear = dw > sw || dh > sh, keepX = !bilinear && dw == sw,
               keepY = !bilinear && dh == sh;
    x.step = keepX ? 65536 : (int64_t(sw - 1) * 65536) / dw;
    y.step = keepY ? 65536 : (int64_t(sh - 1) * 65536) / dh;
    const ptrdiff_t right = sw > 1 && !keepX ? B : 0, down = sh > 1 && !keepY ? sPitch : 0;
    ResampleTables t;
    const uint64_t plan = engine ? ResampleEngine::PlanBytes(uint64_t(x.count) * B) : 0;
    if (!BuildTables<B>(t, x, y, origin, sPitch, bilinear, plan) ||
        EngineRows<B>(d, dPitch, t, x.count, y.count, right, down, rule))
        return;
    if (bilinear)
        BilinearRows<B>(d, dPitch, t, x.count, y.count, right, down, rule);
    else
        BoxRows<B>(d, dPitch, t, x.count, y.count, right, down, rule);
}
