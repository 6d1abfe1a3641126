// The resampling engine and the unscaled rows' vector twin against the plain loops of Resample.h:
// every rule, B = 1, 3, 4 and processor level, each axis in a ratio band from 8x up to 8x down or
// kept, parts of the destination rectangle cut off, separate and shared pixels.
#include <algorithm>
#include <type_traits>

#if defined(__unix__)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include "canvases/mask/MaskRules.h"
#include "canvases/surface/Resampler.h"
#include "canvases/surface/Rules.h"
#include "tests/speed/SpeedTest.h"

namespace {

// Source size over destination size; 0.47 is the band between 2x and 2.3x down.
const double kBands[] = {0.125, 0.33, 0.5, 0.67, 0.99, 1, 1.01, 1.5, 2, 2.15, 2.3, 3, 8};

// test() with whole loads, then with the halved loads of calls whose bytes come from beyond the
// second-level cache (every call counting as such).
template <class Test>
void WithBothLoads(Test test)
{
    for (uint64_t from : {uint64_t(0), uint64_t(1)}) {
        HalvesFrom loads(from);
        SCOPED_TRACE(from ? "halved loads" : "whole loads");
        test();
    }
}

// Per case a size and band per axis, a visible part, a rule and separate or shared pixels.
template <int B>
void EveryBand(uint32_t seed)
{
    ForEachTwin(seed, [](Twin& t) {
        auto band = [&](int d) { return std::max(1, int(d * kBands[t.rng() % 13] + 0.5)); };
        auto cut = [&](int d) { return t.rng() % 3 ? 0 : int64_t(t.rng() % (d / 3 + 1)); };
        const int dw = std::max(1, t.w), dh = 1 + int(t.rng() % 8), sw = band(dw), sh = band(dh);
        const int64_t x0 = cut(dw), y0 = cut(dh);
        const ResampleAxis x{x0, dw - x0 - cut(dw), 0}, y{y0, dh - y0 - cut(dh), 0};
        const uint32_t rule = t.rng() % 5, a = t.rng() & 255, b = t.rng() & 255;
        const bool shared = t.rng() % 2;  // the destination starts inside the source, rows down
        const ptrdiff_t sBytes = sw * B, dBytes = x.count * B;
        auto draw = [&](bool fast, uint8_t* s, ptrdiff_t sp, uint8_t* d, ptrdiff_t dp) {
            if (shared)
                s = d, sp = dp, d += (sh / 2) * dp + 2;
            auto with = [&](auto r) {
                if (sw != dw || sh != dh)
                    DrawResampled<B>(d, dp, s, sp, sw, sh, dw, dh, x, y, r, fast);
                else if (!fast || !FastUnscaledRows<B>(d, dp, s + y0 * sp + x0 * B, sp, x.count, y.count, r))
                    UnscaledRows<B>(d, dp, s + y0 * sp + x0 * B, sp, x.count, y.count, r);
            };
            switch (rule) {
            case 0: return with(AddSat{});
            case 1: return with(Copy{});
            case 2: return with(LinComb{a, b});
            case 3: return with(PaintBrush{});
            default: return with(AirBrush{a});
            }
        };
        SCOPED_TRACE(testing::Message() << sw << "x" << sh << ">" << dw << "x" << dh << " seen " << x0 << "+"
                                        << x.count << "," << y0 << "+" << y.count << " rule " << rule
                                        << (shared ? " shared" : ""));
        if (shared)
            t.Run(0, 0, std::max(sBytes, dBytes + 2), sh + int(y.count), draw);
        else
            t.Run(sBytes, sh, dBytes, int(y.count), draw);
    });
}

TEST(ResampleTest, EveryRuleAndBandMatchesThePlainLoops)
{
    EveryBand<1>(21);
    EveryBand<3>(22);
    EveryBand<4>(23);
}

// Rows longer than a strip (bilinear), in both directions, and long box rows: the engine takes them
// at every vector level and every rule and gives the plain loops' bytes.
TEST(ResampleTest, EngineTakesLongRowsStripByStrip)
{
    const int sw[] = {14, 40, 1100, 5000}, dw = 2500;  // 14 (B = 4) and 40 (B = 1): fewer than 64 source bytes
    std::vector<uint8_t> s(4 * 5000 * 3), fast(4 * dw * 5), plain(fast.size());
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = uint8_t(i * 7919 >> 3);
    for (int l = 1; l <= int(DetectedCpuLevel()); ++l, CapCpuLevel(CpuLevel::Avx512))
        for (int w : sw) {
            CapCpuLevel(CpuLevel(l));
            std::fill(fast.begin(), fast.end(), 9), std::fill(plain.begin(), plain.end(), 9);
            const ResampleAxis x{0, dw, 0}, y{0, 5, 0};  // rows 3 and 4 read the same two
            auto both = [&](auto rule) {  // copy: written in place, two rows of the same sums at once
                DrawResampled<4>(fast.data(), 4 * dw, s.data(), 4 * 5000, w, 3, dw, 5, x, y, rule);
                DrawResampled<4>(plain.data(), 4 * dw, s.data(), 4 * 5000, w, 3, dw, 5, x, y, rule, false);
                // B = 1, one row of 1/2 box (w = 5000): sixty-four regular bytes at once, through the rule
                DrawResampled<1>(fast.data(), dw, s.data(), 4 * 5000, w, 3, dw, 1, x, {0, 1, 0}, rule);
                DrawResampled<1>(plain.data(), dw, s.data(), 4 * 5000, w, 3, dw, 1, x, {0, 1, 0}, rule, false);
                // 1/2 box rows, B = 1 and 4, of n pixels from m: exact ones of 1216 bytes (19 x 64, the
                // head of the row and one run), and from one pixel less, where the head's last pixel
                // or the 32 bytes after the head leave the shape, or where regular 64s follow each
                // other without reading on from each other (from x0 on, count pixels where given);
                // B = 3: long rows with the head, without it (2n + 1 pixels), and cut.
                struct Half { int b, n, m, x0 = 0, count = 0; };
                for (auto [b, n, m, x0, count] : {Half{1, 1216, 2432}, {4, 304, 608}, {1, 62, 123}, {1, 100, 199}, {4, 14, 27},
                                                  {4, 20, 39}, {4, 47, 93}, {4, 300, 599}, {4, 255, 521, 61, 172}, {3, 400, 800},
                                                  {3, 400, 801}, {3, 405, 810, 7, 390}}) {
                    const ResampleAxis xn{x0, count > 0 ? count : n, 0};
                    const auto draw = b == 1 ? DrawResampled<1, decltype(rule)> : b == 3 ? DrawResampled<3, decltype(rule)>
                                                                                           : DrawResampled<4, decltype(rule)>;
                    draw(fast.data(), 1216, s.data(), 4 * 5000, m, 3, n, 1, xn, {0, 1, 0}, rule, true);
                    draw(plain.data(), 1216, s.data(), 4 * 5000, m, 3, n, 1, xn, {0, 1, 0}, rule, false);
                }
                EXPECT_EQ(fast, plain) << LevelName(CpuLevel(l)) << " " << w;
            };
            both(AddSat{}), both(Copy{}), both(LinComb{77, 200}), both(PaintBrush{}), both(AirBrush{99});
            ResampleTables t;
            ASSERT_TRUE(BuildTables<4>(t, {0, dw, 65536}, y, s.data(), 4 * 5000, false, ResampleEngine::PlanBytes(4 * dw)));
            EXPECT_TRUE(EngineRows<4>(plain.data(), 4 * dw, t, dw, 2, 4, 4 * 5000, Copy{})) << LevelName(CpuLevel(l));
        }
}

// The row table's vector twin against the plain loop: row counts on and off a multiple of four,
// steps that keep, skip and repeat rows, from a first row on, pitches up and down the buffer; a
// pitch beyond 32 bits is left to the plain loop whole.
TEST(ResampleTest, RowTablesMatchThePlainLoop)
{
    std::vector<uint8_t> s(64 * 1024);
    struct Case { int64_t first, count, step; ptrdiff_t pitch; };
    for (auto [first, count, step, pitch] : {Case{0, 1, 65536, 64}, Case{0, 7, 2 * 65536 + 123, 64}, Case{3, 9, 40000, -200},
                                             Case{1, 100, 30000, 320}, Case{0, 12, 0, -1}, Case{5, 33, 65535, 1000}})
        for (int l = 0; l <= int(DetectedCpuLevel()); ++l, CapCpuLevel(CpuLevel::Avx512)) {
            CapCpuLevel(CpuLevel(l));
            const uint8_t* origin = pitch < 0 ? s.data() + s.size() - 1 : s.data();
            ResampleTables t;
            ASSERT_TRUE(BuildTables<1>(t, {0, 1, 0}, {first, count, step}, origin, pitch, false));
            for (int64_t j = 0; j < count; ++j)
                ASSERT_EQ(t.m_Rows[j], origin + ((first + j) * step >> 16) * pitch) << LevelName(CpuLevel(l)) << " row " << j;
        }
    // Built twice on one object: the first tables' heap block goes back (the leak check sees it),
    // and no plan is left from them.
    ResampleTables t;
    ASSERT_TRUE(BuildTables<1>(t, {0, 1, 0}, {0, 2000, 0}, s.data(), 64, false, 64));
    ASSERT_TRUE(BuildTables<1>(t, {0, 1, 0}, {0, 3, 65536}, s.data(), 64, false));
    EXPECT_EQ(t.m_Plan, nullptr);
    EXPECT_EQ(t.m_Rows[2], s.data() + 128);
    const uint8_t* rows[8];
    if (sizeof(ptrdiff_t) == 8) {
        EXPECT_EQ(FastRowTable(rows, 8, 0, 65536, s.data(), ptrdiff_t(int64_t(INT32_MAX) + 1)), 0u);
    }
}

#if QVGFX_X86
// The down pass's values, and 255 less each, in 16-bit lanes, put back in the order of the bytes:
// of 32 destination bytes from sums in their order (AVX2), and of 64 from sums in kSlotOf order
// (AVX-512).
QVGFX_AVX2 void LaneValues256(const BilinearDown& op, const int16_t* t, const int16_t* b, uint8_t* values, uint8_t* rests)
{
    const __m256i t0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t)), t1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + 16));
    const __m256i b0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b)), b1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + 16));
    __m256i lo, hi;
    op.Words(t0, b0, t1, b1, lo, hi);
    Store(values, LaneOrder::Pack(lo, hi));
    op.Rest(t0, b0, t1, b1, lo, hi);
    Store(rests, LaneOrder::Pack(lo, hi));
}
QVGFX_AVX512 void LaneValues(const BilinearDown& op, const int16_t* t, const int16_t* b, uint8_t* values, uint8_t* rests)
{
    const __m512i t0 = _mm512_loadu_si512(t), t1 = _mm512_loadu_si512(t + 32);
    const __m512i b0 = _mm512_loadu_si512(b), b1 = _mm512_loadu_si512(b + 32);
    __m512i lo, hi;
    op.Words(t0, b0, t1, b1, lo, hi);
    _mm512_storeu_si512(values, LaneOrder::Pack(lo, hi));
    op.Rest(t0, b0, t1, b1, lo, hi);
    _mm512_storeu_si512(rests, LaneOrder::Pack(lo, hi));
}
#endif

// Box rows copied into a destination of 1 MiB or more go past the caches where a 64-byte vector
// starts on a line (AVX-512): rows that start on 64-byte boundaries and rows that start 32 bytes
// past them, 4-byte rows of whole 64s among them (their source read a line at a time), give the
// plain loops' bytes at every level.
TEST(ResampleTest, LargeBoxDestinationsMatchThePlainLoops)
{
    StreamFromOneMiB streams;
    std::vector<uint8_t> s(4 * 1040 * 1024 + 64), fast(1088 * 1024 + 128), plain(fast.size());
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = uint8_t(i * 2654435761u >> 24);
    const auto aligned = [](std::vector<uint8_t>& v) { return v.data() + (-reinterpret_cast<uintptr_t>(v.data()) & 63); };
    struct Case { int b, w, h, pitch; };  // 1/2 of a 2w x 2h source on 64-byte lines; 1 MiB and more
    for (auto [b, w, h, pitch] : {Case{1, 1040, 1024, 1088}, Case{4, 520, 512, 2112}, Case{4, 512, 512, 2048}})
        for (int offset : {0, 32}) {
            auto draw = [&](std::vector<uint8_t>& out, bool engine) {
                std::fill(out.begin(), out.end(), 5);
                (b == 1 ? DrawResampled<1, Copy> : DrawResampled<4, Copy>)(aligned(out) + offset, pitch, aligned(s), 2 * w * b, 2 * w,
                                                                          2 * h, w, h, {0, w, 0}, {0, h, 0}, Copy{}, engine);
            };
            draw(plain, false);
            for (int l = 1; l <= int(DetectedCpuLevel()); ++l, CapCpuLevel(CpuLevel::Avx512)) {
                CapCpuLevel(CpuLevel(l));
                draw(fast, true);
                EXPECT_TRUE(std::equal(aligned(fast), aligned(fast) + pitch * h + offset, aligned(plain)))
                    << "B = " << b << ", offset " << offset << ", " << LevelName(CpuLevel(l));
            }
        }
}

// 1/2 box rows a whole number of 32 or 64 bytes each, or 8 past that: those of 4-byte pixels load
// whole source lines where the rows start on 64-byte boundaries, rules on 16-bit values take each
// row's first 64 bytes by loads, and at 256 bits (rows under 128 bytes at the AVX-512 level too)
// the rows go in one run after their first 32 bytes. Such rows (one to eight 32s; rows upwards;
// one source row per row where the height is kept), rows from one pixel or one line on, rows whose
// pitch keeps the bottom row off the lines, and rows from one source pixel fewer (the 1/2 shape
// broken halfway, in a row of two 32s or of eight), of 4- and 1-byte pixels, give the plain loops'
// bytes at every level and rule, with whole loads and with the halved ones of copies from beyond
// the caches. (Only source rows of more than 2048 bytes take the lines.)
TEST(ResampleTest, HalvedRowsOnLinesMatchThePlainLoops)
{
    WithBothLoads([&] {
        std::vector<uint8_t> s(16 * 1024), fast(s.size()), plain(s.size());
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = uint8_t(i * 2654435761u >> 24);
        const uint8_t* lines = s.data() + (-reinterpret_cast<uintptr_t>(s.data()) & 63);
        // w x h pixels from (2w - fewer) x sh (2h where sh is 0) whose first row starts at byte
        // `from`, the rows pitch bytes apart (upwards where negative; a kept height reads one row each).
        struct Case { int w, from, pitch, h = 3, sh = 0, fewer = 0; };
        for (auto [w, from, pitch, h, sh, fewer] :
             {Case{64, 0, 512}, Case{32, 0, 256}, Case{48, 0, 448}, Case{24, 0, 256}, Case{40, 0, 512}, Case{8, 0, 64},
              Case{16, 0, 128}, Case{8, 4, 128, 5}, Case{34, 0, 320}, Case{64, 4, 576},
              Case{64, 64, 512, 1}, Case{64, 0, 520}, Case{64, 2560, -512}, Case{64, 0, 512, 3, 3}, Case{16, 0, 256, 3, 0, 1},
              Case{64, 0, 512, 3, 0, 1}, Case{272, 0, 2176}, Case{272, 4, 2176}, Case{272, 0, 2184}})
            for (int l = 1; l <= int(DetectedCpuLevel()); ++l, CapCpuLevel(CpuLevel::Avx512)) {
                CapCpuLevel(CpuLevel(l));
                auto both = [&](auto size, auto rule) {
                    constexpr int b = decltype(size)::value;
                    const int n = 4 * w / b;  // the same bytes
                    for (auto* d : {&fast, &plain}) {
                        std::fill(d->begin(), d->end(), 9);
                        DrawResampled<b>(d->data(), 4 * w, lines + from, pitch, 2 * n - fewer, sh > 0 ? sh : 2 * h, n, h,
                                         {0, n, 0}, {0, h, 0}, rule, d == &fast);
                    }
                    EXPECT_TRUE(fast == plain) << "B = " << b << ", " << n << " from " << from << ", pitch " << pitch
                                               << ", " << fewer << " fewer, " << LevelName(CpuLevel(l));
                };
                const std::integral_constant<int, 4> four;
                const std::integral_constant<int, 1> one;
                both(four, AddSat{}), both(four, Copy{}), both(four, LinComb{77, 200}), both(four, PaintBrush{}), both(four, AirBrush{99});
                both(one, Copy{}), both(one, PaintBrush{}), both(one, AirBrush{99});
            }
    });
}

// Short rows of a source surface that ends where an unreadable page begins, or starts where one
// ends: the vector paths read no byte outside the surface (a row shorter than a vector is loaded
// under a mask, and so is a 1/2 row's first pixel from one pixel before it), for 1/2 and 2/3 box
// reductions and 2x enlargements of 1- and 4-byte pixels at every level.
TEST(ResampleTest, SourcesBetweenUnreadablePagesAreReadNoFurther)
{
#if defined(__unix__)
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    auto* map = static_cast<uint8_t*>(mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(map, MAP_FAILED);
    ASSERT_EQ(mprotect(map, page, PROT_NONE), 0);
    ASSERT_EQ(mprotect(map + 2 * page, page, PROT_NONE), 0);
    for (size_t i = page; i < 2 * page; ++i)
        map[i] = uint8_t(i * 2654435761u >> 24);
    std::vector<uint8_t> fast(4096), plain(fast.size());
    for (int l = 1; l <= int(DetectedCpuLevel()); ++l, CapCpuLevel(CpuLevel::Avx512)) {
        CapCpuLevel(CpuLevel(l));
        for (int b : {1, 3, 4})
            for (int dw = 1; dw <= 160 / b; ++dw)
                for (int shape : {0, 1, 2, 3}) {  // 1/2 and 2/3 box reductions, a 2x enlargement, 1/2 of 2w + 1
                    const bool enlarge = shape == 2;
                    const int sw = enlarge ? std::max(1, dw / 2) : shape == 0 ? 2 * dw : shape == 3 ? 2 * dw + 1 : dw + dw / 2 + 1,
                              sh = 2, dh = enlarge ? 4 : 1;
                    // Two rows, the second ending the readable page, or the first starting it; a 1/2 row reads
                    // no byte of its last source pixel (but where it is one pixel wide), so once more with the
                    // page ending where its read bytes end.
                    const int unread = (shape == 0 && dw > 1) || shape == 3 ? b : 0;
                    for (const uint8_t* origin : {map + 2 * page - 2 * sw * b, map + page, map + 2 * page - 2 * sw * b + unread}) {
                        for (auto* d : {&fast, &plain})
                            (b == 1 ? DrawResampled<1, AirBrush> : b == 3 ? DrawResampled<3, AirBrush> : DrawResampled<4, AirBrush>)(
                                d->data(), dw * b, origin, sw * b, sw, sh, dw, dh, {0, dw, 0}, {0, dh, 0}, AirBrush{200}, d == &fast);
                        EXPECT_TRUE(fast == plain) << "B = " << b << ", " << sw << " > " << dw << ", " << LevelName(CpuLevel(l));
                    }
                }
    }
    munmap(map, 3 * page);
#else
    GTEST_SKIP() << "no protected pages here";
#endif
}

// Unscaled copies of 1 MiB and more stream their aligned vectors: gapless and with gaps, from a
// destination start off a boundary, and onto pixels shared with the source (no streaming), they
// give the plain loop's bytes at every level.
TEST(ResampleTest, LargeCopiesMatchThePlainLoop)
{
    StreamFromOneMiB streams;
    std::vector<uint8_t> s(3 << 20), fast(s.size()), plain(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = uint8_t(i * 2654435761u >> 24);
    // 4-byte pixels from byte `from` of the same buffer (shared; the destination before the source and
    // after it), else from a separate one.
    struct Case { ptrdiff_t at, w, h, dPitch, sPitch, from = -1; };
    for (auto [at, w, h, dPitch, sPitch, from] : {Case{0, 512, 512, 2048, 2048}, Case{5, 700, 400, 2900, 2804},
                                                  Case{0, 520, 520, 2080, 2080, 12}, Case{12, 520, 520, 2080, 2080, 0}})
        for (int l = 1; l <= int(DetectedCpuLevel()); ++l, CapCpuLevel(CpuLevel::Avx512)) {
            CapCpuLevel(CpuLevel(l));
            for (auto* d : {&fast, &plain}) {
                *d = s;
                const uint8_t* v = from >= 0 ? d->data() + from : s.data() + 7;
                if (d == &fast)
                    ASSERT_TRUE(FastUnscaledRows<4>(d->data() + at, dPitch, v, sPitch, w, h, Copy{}));
                else
                    UnscaledRows<4>(d->data() + at, dPitch, v, sPitch, w, h, Copy{});
            }
            EXPECT_TRUE(fast == plain) << "at " << at << ", " << LevelName(CpuLevel(l));
        }
}

// The down pass at every weight, at 256 and 512 bits, on sums whose weighted total ends in 0xFFFF
// or 0x0000 (where a start or a rounding off by one shows) and on others: (t (255 - fy) + b fy +
// lift) >> 16 for sums biased by -kBias, and 255 less it.
TEST(ResampleTest, DownPassValuesAtTheirRoundingEdges)
{
#if QVGFX_X86
    if (DetectedCpuLevel() < CpuLevel::Avx2)
        GTEST_SKIP() << "no AVX2";
    const bool avx512 = DetectedCpuLevel() >= CpuLevel::Avx512;
    const auto inverse = [](uint32_t a) {  // of an odd a, modulo 65536
        uint32_t x = a;
        for (int i = 0; i < 4; ++i)
            x *= 2 - a * x;
        return x & 0xFFFF;
    };
    std::mt19937 rng(5);
    for (uint32_t fy = 0; fy < 256; ++fy) {
        int16_t t[64], b[64], t256[64], b256[64];
        uint8_t want[64], values[64], rests[64], values256[64], rests256[64];
        for (int u = 0; u < 64; ++u) {
            // Unbiased sums up to 255 * 255; every other byte at an edge, one of the two sums
            // solved for it by the inverse of its weight (one of 255 - fy and fy is odd).
            uint32_t tt = rng() % 65026, bb = rng() % 65026;
            const uint32_t edge = u % 4 == 0 ? 0xFFFF : 0;
            while (u % 2 == 0) {
                if ((255 - fy) % 2 == 1)
                    tt = (edge - bb * fy) * inverse(255 - fy) & 0xFFFF;
                else
                    bb = (edge - tt * (255 - fy)) * inverse(fy) & 0xFFFF;
                if (tt <= 65025 && bb <= 65025)
                    break;
                tt = rng() % 65026, bb = rng() % 65026;
            }
            const int32_t x = int32_t(tt * (255 - fy) + bb * fy);
            const int s = BilinearDown::kSlotOf[size_t(u)];
            t[s] = t256[u] = int16_t(int32_t(tt) - BilinearDown::kBias),
            b[s] = b256[u] = int16_t(int32_t(bb) - BilinearDown::kBias);
            want[u] = uint8_t(x >> 16);
        }
        const BilinearDown op{int32_t((255 - fy) | fy << 16)};
        LaneValues256(op, t256, b256, values256, rests256);
        LaneValues256(op, t256 + 32, b256 + 32, values256 + 32, rests256 + 32);
        if (avx512)
            LaneValues(op, t, b, values, rests);
        for (int u = 0; u < 64; ++u) {
            ASSERT_EQ(values256[u], want[u]) << "256 bits, fy " << fy << " byte " << u;
            ASSERT_EQ(rests256[u], 255 - want[u]) << "256 bits, fy " << fy << " byte " << u;
            ASSERT_TRUE(!avx512 || values[u] == want[u]) << "fy " << fy << " byte " << u;
            ASSERT_TRUE(!avx512 || rests[u] == 255 - want[u]) << "fy " << fy << " byte " << u;
        }
    }
#else
    GTEST_SKIP() << "x86 only";
#endif
}

}  // namespace
