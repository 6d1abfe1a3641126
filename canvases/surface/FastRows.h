// The surface rows' vector twins for each blend rule: a row of bytes through RowsFast (the rule
// finishes what it leaves), and the box and bilinear rows through ResampleScratch.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CpuLevel.h"
#include "MaskRules.h"
#include "Resample.h"
#include "ResampleFast.h"
#include "RowsFast.h"
#include "Rules.h"

// The vector part of one row for a rule; rules without one leave the whole row to the loop.
template <class Rule>
int32_t FastRuleRow(const Rule&, uint8_t*, const uint8_t*, int32_t) { return 0; }
inline int32_t FastRuleRow(const AddSat&, uint8_t* d, const uint8_t* s, int32_t n) { return FastAddRow(d, s, n); }
inline int32_t FastRuleRow(const Copy&, uint8_t* d, const uint8_t* s, int32_t n) { return FastCopyRow(d, s, n); }
inline int32_t FastRuleRow(const LinComb& r, uint8_t* d, const uint8_t* s, int32_t n)
{
    return FastLinCombRow(d, s, n, r.m_SourceWeight, r.m_DestinationWeight);
}
inline int32_t FastRuleRow(const PaintBrush&, uint8_t* d, const uint8_t* s, int32_t n) { return FastPaintBrushRow(d, s, n); }
inline int32_t FastRuleRow(const AirBrush& r, uint8_t* d, const uint8_t* s, int32_t n)
{
    return FastAirBrushRow(d, s, n, r.m_Opacity);
}

// One row of n bytes: the vector twin first, then the rule byte by byte, as CopyRows does.
template <class Rule>
void RuleRow(uint8_t* d, const uint8_t* s, ptrdiff_t n, Rule rule)
{
    ptrdiff_t i = n <= INT32_MAX ? FastRuleRow(rule, d, s, int32_t(n)) : 0;
    for (; i < n; ++i)
        d[i] = rule(d[i], s[i]);
}

// Twin of CopyRows and CopyRowsBy4: row after row, in the same order. False below SSE2.
template <int B, class Rule>
bool FastCopyRows(uint8_t* d, ptrdiff_t dPitch, const uint8_t* s, ptrdiff_t sPitch, ptrdiff_t w,
                  ptrdiff_t h, Rule rule)
{
    if (!CpuAtLeast(CpuLevel::Sse2))
        return false;
    if (h > 1 && dPitch == w * B && sPitch == w * B) {  // gapless rows: one long row, same order
        RuleRow(d, s, h * w * B, rule);
        return true;
    }
    for (; h > 0; --h, d += dPitch, s += sPitch)
        RuleRow(d, s, w * B, rule);
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
