// The unscaled rows' fast twin: each row through the rule's row from the table of rows
// (RuleRows.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "canvases/surface/Resample.h"
#include "common/CpuLevel.h"
#include "common/RuleRows.h"

// Twin of UnscaledRows: the rule's row chosen once, then row after row in the same order. False
// below SSE2, where UnscaledRows draws instead.
template <int B, class Rule>
bool FastUnscaledRows(uint8_t* d, ptrdiff_t dPitch, const uint8_t* s, ptrdiff_t sPitch, ptrdiff_t w,
                      ptrdiff_t h, Rule rule)
{
    if (!CpuAtLeast(CpuLevel::Sse2))
        return false;
    RowFn<Rule> row = kRowsOf<Rule>.Choose();
    const uint64_t bytes = uint64_t(h) * uint64_t(w) * B;  // written, and as many read
    const bool stream = row == &CopyRow<Rule> && StreamsPastCaches(bytes, bytes);
    if (stream)
        row = &StreamRow<Rule>;
    if (h > 1 && dPitch == w * B && sPitch == w * B)  // gapless rows: one long row, same order
        row(d, s, h * w * B, rule);
    else
        for (; h > 0; --h, d += dPitch, s += sPitch)
            row(d, s, w * B, rule);
    if (stream)
        StreamFence();
    return true;
}
