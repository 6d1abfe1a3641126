#include <cstring>

#include "converters/ConvertFrame.h"
#include "converters/Converters.h"

namespace {

struct Pick4 {  // d = (s[p0], s[p1], s[p2], s[p3]); reads the pixel first, so d may be s
    uint8_t p[4];
    void operator()(uint8_t* d, const uint8_t* s) const
    {
        uint8_t a = s[p[0]], b = s[p[1]], c = s[p[2]], e = s[p[3]];
        d[0] = a, d[1] = b, d[2] = c, d[3] = e;
    }
};

template <int P0, int P1, int P2>
struct Reorder {  // d = (s[P0], s[P1], s[P2]); reads the pixel first, so d may be s
    void operator()(uint8_t* d, const uint8_t* s) const
    {
        uint8_t a = s[P0], b = s[P1], c = s[P2];
        d[0] = a, d[1] = b, d[2] = c;
    }
};

template <int I, int J>
struct Exchange {  // in place only (d == s): bytes I and J trade places, the third stays
    void operator()(uint8_t* d, const uint8_t* s) const
    {
        uint8_t a = s[I], b = s[J];
        d[I] = b, d[J] = a;
    }
};

constexpr uint32_t Order(uint32_t p0, uint32_t p1, uint32_t p2) { return p0 << 16 | p1 << 8 | p2; }

// The 8/8/8 swapper: one loop per reordering, the pixels copied unchanged (or, in place, left
// alone) for the identity, a missing code or two codes at one position.
struct Swap3Job {
    static const int kSB = 3, kDB = 3;
    static const bool kRefuseEmpty = false;
    uint8_t p[3];
    bool Find(const CQVFormat& f, const CQVFormat& target)
    {
        PositionsOf<3>(f, target, p, 3);
        return true;
    }
    void Run(uint8_t* d, const uint8_t* s, int32_t n) const
    {
        if (p[0] < 3 && p[1] < 3 && p[2] < 3 && (1u << p[0] | 1u << p[1] | 1u << p[2]) == 7 &&
            Order(p[0], p[1], p[2]) != Order(0, 1, 2)) {  // a reordering: vector twin first
            const int32_t k = FastPick(3, 3, d, s, n, p);
            d += 3 * k, s += 3 * k, n -= k;
        }
        bool inPlace = d == s;
        switch (Order(p[0], p[1], p[2])) {
        case Order(0, 2, 1):
            if (inPlace)
                ConvertRun<3, 3>(d, s, n, Exchange<1, 2>{});
            else
                ConvertRun<3, 3>(d, s, n, Reorder<0, 2, 1>{});
            break;
        case Order(1, 0, 2):
            if (inPlace)
                ConvertRun<3, 3>(d, s, n, Exchange<0, 1>{});
            else
                ConvertRun<3, 3>(d, s, n, Reorder<1, 0, 2>{});
            break;
        case Order(2, 1, 0):
            if (inPlace)
                ConvertRun<3, 3>(d, s, n, Exchange<0, 2>{});
            else
                ConvertRun<3, 3>(d, s, n, Reorder<2, 1, 0>{});
            break;
        case Order(1, 2, 0):  // rotations move every byte, copying or in place
            ConvertRun<3, 3>(d, s, n, Reorder<1, 2, 0>{});
            break;
        case Order(2, 0, 1): ConvertRun<3, 3>(d, s, n, Reorder<2, 0, 1>{}); break;
        default:
            if (!inPlace)
                std::memmove(d, s, std::size_t(n) * 3);
        }
    }
};

}  // namespace

void Jwx_8_8_8_8SurfaceSwapper::Convert(CQVSurface* source, CQVSurface* destination,
                                        const CQVFormat& target)
{
    ConvertFrame(source, destination, target, PickJob<4, 4, Pick4>{});
}

void Jwx_8_8_8SurfaceSwapper::Convert(CQVSurface* source, CQVSurface* destination,
                                      const CQVFormat& target)
{
    ConvertFrame(source, destination, target, Swap3Job{});
}
