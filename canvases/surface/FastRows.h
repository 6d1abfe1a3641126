// The surface rows' vector twins for each blend rule: a row of bytes through RowsFast (the rule
// finishes what it leaves).
#pragma once

#include <cstddef>
#include <cstdint>

#include "CpuLevel.h"
#include "MaskRules.h"
#include "Resample.h"
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
