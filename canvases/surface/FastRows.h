// The surface rows' fast twins: the unscaled rows through each rule's row from the table of rows
// (RuleRows.h, which also gives RuleRow), and the box and bilinear rows through ResampleScratch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CpuLevel.h"
#include "Resample.h"
#include "ResampleFast.h"
#include "RuleRows.h"

// Twin of UnscaledRows: the rule's row chosen once, then row after row in the same order. False
// below SSE2, where UnscaledRows draws instead.
template <int B, class Rule>
bool FastUnscaledRows(uint8_t* d, ptrdiff_t dPitch, const uint8_t* s, ptrdiff_t sPitch, ptrdiff_t w,
                      ptrdiff_t h, Rule rule)
{
    if (!CpuAtLeast(CpuLevel::Sse2))
        return false;
    const RowFn<Rule> row = kRowsOf<Rule>.Choose();
    if (h > 1 && dPitch == w * B && sPitch == w * B) {  // gapless rows: one long row, same order
        row(d, s, h * w * B, rule);
        return true;
    }
    for (; h > 0; --h, d += dPitch, s += sPitch)
        row(d, s, w * B, rule);
    return true;
}

// Whether the destination rectangle lies clear of every source byte the rows read, so that
// computing a row's values before writing it gives what the per-pixel loop gives.
inline bool ClearOf(const ResampleScratch& scratch, const ResampleTables& t, uint8_t* d,
                    ptrdiff_t dPitch, ptrdiff_t w, ptrdiff_t h, int B, ptrdiff_t down)
{
    const auto lo = reinterpret_cast<uintptr_t>(t.m_Rows[0] + scratch.First());
    const auto hi = reinterpret_cast<uintptr_t>(t.m_Rows[h - 1] + down + scratch.First() + scratch.Span());
    const auto dlo = reinterpret_cast<uintptr_t>(d);
    const auto dhi = reinterpret_cast<uintptr_t>(d + (h - 1) * dPitch + w * B);
    return dhi <= lo || hi <= dlo;
}

// Twins of BoxRows and BilinearRows; false (nothing drawn) where they do not apply.
template <int B, class Rule>
bool FastBoxRows(uint8_t* d, ptrdiff_t dPitch, const ResampleTables& t, ptrdiff_t w, ptrdiff_t h,
                 ptrdiff_t right, ptrdiff_t down, Rule rule)
{
    ResampleScratch scratch;
    if (w < 1 || h < 1 || !scratch.Make(B, t.m_Columns, nullptr, nullptr, w, right) ||
        !ClearOf(scratch, t, d, dPitch, w, h, B, down))
        return false;
    for (ptrdiff_t j = 0; j < h; ++j, d += dPitch)
        RuleRow(d, scratch.BoxRow(t.m_Rows[j], down), w * B, rule);
    return true;
}

template <int B, class Rule>
bool FastBilinearRows(uint8_t* d, ptrdiff_t dPitch, const ResampleTables& t, ptrdiff_t w,
                      ptrdiff_t h, ptrdiff_t right, ptrdiff_t down, Rule rule)
{
    ResampleScratch scratch;
    if (w < 1 || h < 1 || !scratch.Make(B, t.m_Columns, t.m_Fx, t.m_Fx1, w, right) ||
        !ClearOf(scratch, t, d, dPitch, w, h, B, down))
        return false;
    for (ptrdiff_t j = 0; j < h; ++j, d += dPitch)
        RuleRow(d, scratch.BilinearRow(t.m_Rows[j], down, t.m_Fy[j], t.m_Fy1[j]), w * B, rule);
    return true;
}
