#include "converters/Converters.h"

#include <bit>

#include "converters/ConvertFrame.h"

namespace {

// Per-pixel rules. Each reads the whole source pixel before it writes.

struct Pick3 {  // d = (s[p0], s[p1], s[p2])
    uint8_t p[3];
    void operator()(uint8_t* d, const uint8_t* s) const
    {
        uint8_t a = s[p[0]], b = s[p[1]], c = s[p[2]];
        d[0] = a, d[1] = b, d[2] = c;
    }
};

struct Pick1 {  // d0 = s[p0]
    uint8_t p[1];
    void operator()(uint8_t* d, const uint8_t* s) const { d[0] = s[p[0]]; }
};

struct Spread3 {  // d[q0] = s0, d[q1] = s1, d[q2] = s2, d[q3] = 255, in this order
    uint8_t q[4];
    void operator()(uint8_t* d, const uint8_t* s) const
    {
        uint8_t a = s[0], b = s[1], c = s[2];
        d[q[0]] = a, d[q[1]] = b, d[q[2]] = c, d[q[3]] = 255;
    }
};

struct Mask {  // d = (255 - v, 255 - v, 255 - v, v), whatever the codes
    void operator()(uint8_t* d, const uint8_t* s) const
    {
        uint8_t v = s[0];
        d[0] = d[1] = d[2] = uint8_t(255 - v), d[3] = v;
    }
};

// Jobs for the frame: a rule, how its positions are found, and the layouts it walks.

struct SpreadJob {
    static const int kSB = 3, kDB = 4;
    static const bool kRefuseEmpty = true;
    Spread3 rule;
    bool Find(const CQVFormat& f, const CQVFormat& target)
    {
        // Source byte i goes where the target holds its code; the lowest byte left over gets 255.
        uint8_t* q = rule.q;
        if (!PositionsOf<4>(target, f, q, 3))
            return false;
        q[3] = uint8_t(std::countr_zero(255u & ~(1u << q[0]) & ~(1u << q[1]) & ~(1u << q[2])));
        return true;
    }
    void Run(uint8_t* d, const uint8_t* s, int32_t n) const
    {
        const int32_t k = FastSpread(d, s, n, rule.q);  // vector twin: the leading pixels
        ConvertRun<3, 4>(d + k * 4, s + k * 3, n - k, rule);
    }
};

struct MaskJob {
    static const int kSB = 1, kDB = 4;
    static const bool kRefuseEmpty = false;
    bool Find(const CQVFormat&, const CQVFormat&) { return true; }
    void Run(uint8_t* d, const uint8_t* s, int32_t n) const
    {
        const int32_t k = FastMask(d, s, n);  // vector twin: the leading pixels
        ConvertRun<1, 4>(d + k * 4, s + k, n - k, Mask{});
    }
};

}  // namespace

void Jwx_8_8_8_8To_8_8_8SurfaceConverter::Convert(CQVSurface* source, CQVSurface* destination,
                                                  const CQVFormat& target)
{
    ConvertFrame(source, destination, target, PickJob<4, 3, Pick3>{});
}

void Jwx_8_8_8_8To_8SurfaceConverter::Convert(CQVSurface* source, CQVSurface* destination,
                                              const CQVFormat& target)
{
    ConvertFrame(source, destination, target, PickJob<4, 1, Pick1>{});
}

void Jwx_8_8_8To_8SurfaceConverter::Convert(CQVSurface* source, CQVSurface* destination,
                                            const CQVFormat& target)
{
    ConvertFrame(source, destination, target, PickJob<3, 1, Pick1>{});
}

void Jwx_8_8_8To_8_8_8_8SurfaceConverter::Convert(CQVSurface* source, CQVSurface* destination,
                                                  const CQVFormat& target)
{
    ConvertFrame(source, destination, target, SpreadJob{});
}

void Jwx_8To_8_8_8_8MaskConverter::Convert(CQVSurface* source, CQVSurface* destination,
                                           const CQVFormat& target)
{
    ConvertFrame(source, destination, target, MaskJob{});
}
