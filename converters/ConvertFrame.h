// What every converter shares: channel positions, the walk over one gapless run of pixels, and
// the frame of Convert (locks, pixel count, size checks, the destination's new format).
#pragma once

#include <algorithm>
#include <cstdint>

#include "common/SurfaceLock.h"
#include "converters/ConvertFast.h"
#include "host/QVGFX.h"

const uint8_t kMissing = 255;

// The first byte of a pixel of format f that holds channel code c, or kMissing.
inline uint8_t PositionOf(const CQVFormat& f, uint8_t c)
{
    for (uint8_t i = 0; i < CQVFormat::m_Size[f.m_Kind]; ++i)
        if (f.m_Codes[i] == c)
            return i;
    return kMissing;
}

// p[j] = position in f of code j of codes, for j < count; false if one lies outside a B-byte pixel.
template <int B>
bool PositionsOf(const CQVFormat& f, const CQVFormat& codes, uint8_t* p, int count)
{
    bool inside = true;
    for (int j = 0; j < count; ++j) {
        p[j] = PositionOf(f, codes.m_Codes[j]);
        inside = inside && p[j] < B;
    }
    return inside;
}

// One pixel after the other, SB source bytes to DB destination bytes, through a per-pixel rule.
template <int SB, int DB, class Rule>
void ConvertRun(uint8_t* d, const uint8_t* s, int32_t n, Rule rule)
{
    for (; n > 0; --n, d += DB, s += SB)
        rule(d, s);
}

// Bytes from a surface's bits that lie inside it: rows of B-byte pixels, or of its own format's
// pixels where those are smaller, so that no run leaves the memory the surface describes.
inline int64_t InsideBytes(const CQVSurface& surface, int B)
{
    int32_t w = surface.GetWidth();
    int32_t h = surface.GetHeight();
    if (w <= 0 || h <= 0)
        return 0;
    int64_t b = std::min<int64_t>(B, CQVFormat::m_Size[surface.GetFormat().m_Kind]);
    return std::max<int64_t>(0, int64_t(h - 1) * surface.GetPitch() + w * b);
}

// The frame of Convert around a job, which supplies kSB and kDB (bytes per pixel read and
// written), kRefuseEmpty (a missing position refuses the call even with no pixels),
// Find(source format, target) -> false when a position it needs is missing, and Run(d, s, n).
// A refused call writes no pixel and leaves the destination's format alone.
template <class Job>
void ConvertFrame(CQVSurface* source, CQVSurface* destination, const CQVFormat& target, Job job)
{
    if (source == nullptr || destination == nullptr)
        return;
    SurfaceLock src(source, false);
    SurfaceLock dst(destination, true);
    int64_t n = int64_t(source->GetWidth()) * source->GetHeight();
    if (n < INT32_MIN || n > INT32_MAX)
        return;
    if (!job.Find(source->GetFormat(), target) && (n > 0 || Job::kRefuseEmpty))
        return;
    // A target with wider pixels than the destination's memory was laid out for would make the
    // surface claim bytes it does not have.
    if (destination->GetWidth() > 0 && destination->GetHeight() > 0 &&
        CQVFormat::m_Size[target.m_Kind] > CQVFormat::m_Size[destination->GetFormat().m_Kind])
        return;
    if (n > 0) {
        const uint8_t* s = src.Bits();
        uint8_t* d = dst.Bits();
        if (s == nullptr || d == nullptr || n * Job::kSB > InsideBytes(*source, Job::kSB) ||
            n * Job::kDB > InsideBytes(*destination, Job::kDB))
            return;
        job.Run(d, s, int32_t(n));
    }
    if (&target != &destination->GetFormat())
        destination->GetFormat() = target;  // the kind, then codes 0 to 3
}

// A job whose rule fills destination byte j from the source byte holding target code j, found
// once per call into the rule's positions p.
template <int SB, int DB, class Rule>
struct PickJob {
    static const int kSB = SB, kDB = DB;
    static const bool kRefuseEmpty = false;
    Rule rule;
    bool Find(const CQVFormat& f, const CQVFormat& target)
    {
        return PositionsOf<SB>(f, target, rule.p, DB);
    }
    void Run(uint8_t* d, const uint8_t* s, int32_t n) const
    {
        const int32_t k = FastPick(SB, DB, d, s, n, rule.p);  // vector twin: the leading pixels
        ConvertRun<SB, DB>(d + k * DB, s + k * SB, n - k, rule);
    }
};
