// The seven converters through the loaded plug-in: exact bytes, format rules, refusals, in-place
// swaps, lock order, and random cases against the rules written out plainly.
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/support/LoadedModule.h"
#include "tests/support/TestHost.h"

namespace {

struct Layout { uint32_t id; int sb, db; };  // bytes per pixel read and written
const Layout kLayouts[] = {{128, 4, 3}, {129, 4, 1}, {11133, 3, 1}, {11134, 3, 4},
                           {11137, 1, 4}, {133, 4, 4}, {132, 3, 3}};
const std::string kCodes[] = {"", "R", "", "RGB", "RGBA"};  // by bytes per pixel

void Convert(uint32_t id, CQVSurface* s, CQVSurface* d, const CQVFormat& t)
{
    Create<CQVSurfaceConverter>(id)->Convert(s, d, t);
}

std::string Codes(const CQVFormat& f) { return std::to_string(f.m_Kind) + std::string(f.m_Codes, f.m_Codes + 4); }

// The position of code c in f's pixel, 255 when it has none.
int Pos(const CQVFormat& f, uint8_t c)
{
    const uint8_t *b = f.m_Codes, *e = b + CQVFormat::m_Size[f.m_Kind], *p = std::find(b, e, c);
    return p == e ? 255 : int(p - b);
}

// Bytes from the first to past the last pixel, with at most b bytes per pixel of the surface's own.
int64_t Inside(const CQVSurface& s, int b)
{
    if (s.GetWidth() <= 0 || s.GetHeight() <= 0)
        return 0;
    int64_t own = std::min<int64_t>(b, CQVFormat::m_Size[s.GetFormat().m_Kind]);
    return int64_t(s.GetHeight() - 1) * s.GetPitch() + s.GetWidth() * own;
}

// The rules one pixel and one byte at a time: `in` holds the source's bytes before the call, `out`
// the destination's, changed here as the call must change them; false when the call is refused.
bool Reference(const Layout& l, const CQVSurface& src, const CQVSurface& dst, const CQVFormat& t,
               const std::vector<uint8_t>& in, std::vector<uint8_t>& out)
{
    const CQVFormat& sf = src.GetFormat();
    int64_t n = int64_t(src.GetWidth()) * src.GetHeight();
    bool missing = false;  // a position outside the pixel
    for (int j = 0; j < 4; ++j)
        missing |= l.id == 11134 ? j < 3 && Pos(t, sf.m_Codes[j]) == 255
                                 : l.id != 11137 && l.id != 132 && j < l.db && Pos(sf, t.m_Codes[j]) >= l.sb;
    if (n < INT32_MIN || n > INT32_MAX || (missing && (n > 0 || l.id == 11134)))
        return false;
    if (dst.GetWidth() > 0 && dst.GetHeight() > 0 &&
        CQVFormat::m_Size[t.m_Kind] > CQVFormat::m_Size[dst.GetFormat().m_Kind])
        return false;  // the target's pixels are wider than the destination's memory
    if (n > 0 && (n * l.sb > Inside(src, l.sb) || n * l.db > Inside(dst, l.db)))
        return false;
    int p[3] = {Pos(sf, t.m_Codes[0]), Pos(sf, t.m_Codes[1]), Pos(sf, t.m_Codes[2])};
    int q[4] = {Pos(t, sf.m_Codes[0]), Pos(t, sf.m_Codes[1]), Pos(t, sf.m_Codes[2]), 0};
    while (std::count(q, q + 3, q[3]))
        ++q[3];
    const int identity[3] = {0, 1, 2};
    const bool reorder = std::is_permutation(p, p + 3, identity);
    for (int64_t i = 0; i < n; ++i) {
        const uint8_t* s = &in[i * l.sb];
        uint8_t* d = &out[i * l.db];
        if (l.id == 11137)
            d[0] = d[1] = d[2] = uint8_t(255 - s[0]), d[3] = s[0];
        else if (l.id == 11134)
            d[q[0]] = s[0], d[q[1]] = s[1], d[q[2]] = s[2], d[q[3]] = 255;
        for (int j = 0; j < l.db && l.id != 11137 && l.id != 11134; ++j)
            d[j] = l.id != 132 ? s[Pos(sf, t.m_Codes[j])] : reorder ? s[p[j]] : s[j];
    }
    return true;
}

using ConverterTest = HostTest;

// The source's codes, size and memory; the destination: dw x 1 with codes "X" and
// bytes 0xEE, or the source's own memory when dw is 0; the target; the bytes and format expected.
struct Edge { uint32_t id; const char* src; int w, h; std::vector<uint8_t> in; int dw;
              const char* target; std::vector<uint8_t> out; bool formatSet; };
const uint8_t E = 0xEE;
const Edge kEdges[] = {
    {11137, "R", 3, 1, {0, 100, 255}, 3, "BGRA", {255, 255, 255, 0, 155, 155, 155, 100, 0, 0, 0, 255}, true},
    {129, "RGBA", 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}, 2, "B", {3, 7}, true},
    {128, "RGBA", 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}, 2, "BGR", {3, 2, 1, 7, 6, 5}, true},
    {11134, "RGB", 2, 1, {1, 2, 3, 4, 5, 6}, 2, "BGRA", {3, 2, 1, 255, 6, 5, 4, 255}, true},
    {11134, "RGB", 2, 1, {1, 2, 3, 4, 5, 6}, 2, "ARGB", {255, 1, 2, 3, 255, 4, 5, 6}, true},
    {133, "RGBA", 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}, 2, "ABGR", {4, 3, 2, 1, 8, 7, 6, 5}, true},
    {132, "RGB", 1, 1, {10, 20, 30}, 1, "BRG", {30, 10, 20}, true},
    // In place (dw = 0): reorderings of both swappers, and the 8/8/8 copy left alone.
    {133, "RGBA", 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}, 0, "ABGR", {4, 3, 2, 1, 8, 7, 6, 5}, true},
    {133, "RGBA", 1, 1, {1, 2, 3, 4}, 0, "GARB", {2, 4, 1, 3}, true},
    {132, "RGB", 2, 1, {10, 20, 30, 1, 2, 3}, 0, "RBG", {10, 30, 20, 1, 3, 2}, true},
    {132, "RGB", 2, 1, {10, 20, 30, 1, 2, 3}, 0, "BRG", {30, 10, 20, 3, 1, 2}, true},
    {132, "RGB", 1, 1, {10, 20, 30}, 0, "RRB", {10, 20, 30}, true},  // not a reordering: left alone
    // Refused: a target code missing from the source or outside its pixel, too small a surface.
    {11134, "RGB", 1, 1, {1, 2, 3}, 1, "RGXA", {E, E, E, E}, false},
    {128, "RGBA", 1, 1, {1, 2, 3, 4}, 1, "RGX", {E, E, E}, false},
    {129, "RGBA", 1, 1, {1, 2, 3, 4}, 1, "X", {E}, false},
    {11133, "RGBA", 1, 1, {1, 2, 3, 4}, 1, "A", {E}, false},
    {133, "RGBA", 1, 1, {1, 2, 3, 4}, 1, "RGBX", {E, E, E, E}, false},
    {128, "RGBA", 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}, 1, "RGB", {E, E, E}, false},
    {128, "R", 2, 1, {1, 2}, 2, "RGB", {E, E, E, E, E, E}, false},
    // No pixels: the format is set all the same, but for 8/8/8 to 8/8/8/8 with a missing code; a
    // count of pixels that overflows 32 bits, or comes from two negative sizes, is refused.
    {128, "RGBA", 0, 5, {}, 1, "RGX", {E, E, E}, true},
    {11134, "RGB", 0, 5, {}, 1, "RGXA", {E, E, E, E}, false},
    {133, "RGBA", -2, 3, {}, 1, "ABGR", {E, E, E, E}, true},
    {132, "RGB", -2, -3, {}, 1, "BGR", {E, E, E}, false},
    {11137, "R", 65536, 65536, {}, 1, "RGBA", {E, E, E, E}, false},
    {11133, "RGB", -65536, 65536, {}, 1, "R", {E}, false},
};

TEST_F(ConverterTest, EdgeCasesGiveExactBytesAndFormat)
{
    for (const Edge& e : kEdges) {
        SCOPED_TRACE(std::to_string(e.id) + " " + e.src + " to " + e.target);
        // A 32-bit host cannot make a surface spanning more than half its address space.
        if (sizeof(std::size_t) < 8 && int64_t(e.w) * e.h * int64_t(std::strlen(e.src)) > INT32_MAX)
            continue;
        std::vector<uint8_t> in = e.in, out(e.out.size(), E);
        CQVSurface s(Format(e.src), e.w, e.h, e.w * int(std::strlen(e.src)), in.data());
        std::string dc = e.dw ? std::string(e.out.size() / e.dw, 'X') : e.src;
        CQVSurface d(Format(dc), e.dw ? e.dw : e.w, e.dw ? 1 : e.h, s.GetPitch(), e.dw ? out.data() : in.data());
        Convert(e.id, &s, &d, Format(e.target));
        EXPECT_EQ(e.dw ? out : in, e.out);
        EXPECT_EQ(Codes(d.GetFormat()), Codes(Format(e.formatSet ? e.target : dc)));
        EXPECT_TRUE(!e.dw || in == e.in);
    }
}

// Converted or refused, the source is locked first and released last; null surfaces lock nothing;
// when the destination's Lock throws, its format stays as it was.
TEST_F(ConverterTest, LocksSourceThenDestinationAndReleasesInReverse)
{
    for (const Layout& l : kLayouts) {
        TestSurface s(kCodes[l.sb], 2, 2), d(kCodes[l.db], 2, 2);
        const std::string grab = std::string("GRAB").substr(0, kCodes[l.db].size());
        LockLog log;
        Convert(l.id, nullptr, &d.surface, Format(grab)), Convert(l.id, &s.surface, nullptr, Format(grab));
        Convert(l.id, &s.surface, &d.surface, Format("XXXX")), Convert(l.id, &s.surface, &d.surface, Format(grab));
        EXPECT_EQ(log.Describe({{&s.surface, "s"}, {&d.surface, "d"}}), "L0 s, L1 d, U1 d, U0 s, L0 s, L1 d, U1 d, U0 s") << l.id;
        CQVLockMonitor::ThrowOnLock(2);
        EXPECT_THROW(Convert(l.id, &s.surface, &d.surface, Format("RGBA")), CQVLockError);
        EXPECT_EQ(Codes(d.surface.GetFormat()), Codes(Format(grab))) << l.id;
    }
}

// Random layouts, formats, sizes, pitches and pixels, some in place, some with the destination's
// own format as target; every byte of both surfaces and the format set are compared with
// Reference, which refuses a target wider than the destination's pixels.
TEST_F(ConverterTest, RandomCasesFollowThePlainRules)
{
    int converted = 0;
    for (uint32_t seed = 1; seed <= 4000; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return int(rng() % uint32_t(n)); };
        auto format = [&](int b) {  // mostly the layout's kind and a permutation of the codes
            std::string c = pick(4) ? "RGBA" : "RGBX";
            std::shuffle(c.begin(), c.end(), rng);
            for (char& x : c)
                x = pick(16) ? x : "RGBAX"[pick(5)];
            return CQVFormat(pick(5) ? Format(kCodes[b]).m_Kind : pick(4), c[0], c[1], c[2], c[3]);
        };
        auto bytes = [&](std::size_t n) { std::vector<uint8_t> v(n); for (uint8_t& x : v) x = uint8_t(rng()); return v; };
        const Layout& l = kLayouts[pick(7)];
        SCOPED_TRACE(std::to_string(seed) + ": " + std::to_string(l.id));
        CQVFormat sf = format(l.sb), df = format(l.db), target = format(l.db);
        int w = pick(8) - 1, h = pick(7) - 1, pitch = w * CQVFormat::m_Size[sf.m_Kind] + pick(4);
        std::vector<uint8_t> sm = bytes(CQVSurface::SpanBytes(sf.m_Kind, w, h, pitch));
        CQVSurface s(sf, w, h, pitch, sm.data());
        bool inPlace = l.sb == l.db && pick(4) == 0;
        bool same = inPlace || pick(3);  // mostly the source's size, so that most cases convert
        int dw = same ? w : pick(7), dh = same ? h : pick(6);
        int dpitch = inPlace ? pitch : dw * CQVFormat::m_Size[df.m_Kind] + pick(4);
        std::vector<uint8_t> dm = bytes(CQVSurface::SpanBytes(df.m_Kind, dw, dh, dpitch));
        CQVSurface d(inPlace ? sf : df, dw, dh, dpitch, inPlace ? sm.data() : dm.data());
        bool own = pick(8) == 0;
        const CQVFormat& t = own ? d.GetFormat() : target;
        std::vector<uint8_t> wantS = sm, wantD = inPlace ? sm : dm;
        CQVFormat wantF = d.GetFormat();
        if (Reference(l, s, d, t, sm, wantD) && !own)
            wantF = t, converted += w * h > 0;
        Convert(l.id, &s, &d, t);
        EXPECT_EQ(inPlace ? sm : dm, wantD);
        EXPECT_TRUE(inPlace || sm == wantS);
        EXPECT_EQ(Codes(d.GetFormat()), Codes(wantF));
    }
    EXPECT_GT(converted, 800);  // a fifth of the cases or more convert pixels
}

}  // namespace
