#include "common/CpuLevel.h"

#include <cstdlib>
#include <cstring>

#if QVGFX_X86 && defined(__GNUC__)
#include <cpuid.h>
#endif

namespace {

CpuLevel Detect()
{
#if QVGFX_X86 && defined(__GNUC__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vnni"))
        return CpuLevel::Avx512;
    if (__builtin_cpu_supports("avx2"))
        return CpuLevel::Avx2;
    if (__builtin_cpu_supports("ssse3"))
        return CpuLevel::Ssse3;
    if (__builtin_cpu_supports("sse2"))
        return CpuLevel::Sse2;
#endif
    return CpuLevel::Plain;
}

// The bytes of the data (or unified) cache of the given level, 0 for the last, on AMD processors
// that describe their caches (the topology extensions' leaf 0x8000001D: ways x partitions x line x
// sets); 0 elsewhere or where the processor describes no such cache.
uint64_t AmdCacheBytes(unsigned level)
{
#if QVGFX_X86 && defined(__GNUC__)
    unsigned a, b, c, d;
    if (!__get_cpuid(0, &a, &b, &c, &d) || b != 0x68747541 || d != 0x69746e65 || c != 0x444d4163)
        return 0;  // not "AuthenticAMD"
    if (unsigned(__get_cpuid_max(0x80000000, nullptr)) < 0x8000001Du ||
        !__get_cpuid(0x80000001, &a, &b, &c, &d) || !(c & (1u << 22)))
        return 0;  // no topology extensions
    uint64_t bytes = 0;
    for (unsigned i = 0; i < 8; ++i) {
        __cpuid_count(0x8000001D, i, a, b, c, d);
        if ((a & 31) == 0)  // no more caches
            break;
        if ((a & 31) != 2 && (level == 0 || (a >> 5 & 7) == level))  // not instructions
            bytes = uint64_t((b >> 22) + 1) * (((b >> 12) & 1023) + 1) * ((b & 4095) + 1) *
                    (uint64_t(c) + 1);
    }
    return bytes;
#else
    (void)level;
    return 0;
#endif
}

uint64_t g_StreamBytes = DetectedStreamBytes();
uint64_t g_HalvesBytes = DetectedHalvesBytes();

#if QVGFX_CPU_LEVEL_FROM_ENV
// Benchmark builds only: QVGFX_CPU_LEVEL (plain, sse2, ssse3, avx2) caps the level from the start,
// so that the lower levels' speed can be measured on one processor.
CpuLevel CapFromEnvironment()
{
    static const char* const names[] = {"plain", "sse2", "ssse3", "avx2", "avx512"};
    if (const char* v = std::getenv("QVGFX_CPU_LEVEL"))
        for (int l = 0; l < 5; ++l)
            if (std::strcmp(v, names[l]) == 0)
                return CpuLevel(l);
    return CpuLevel::Avx512;
}
CpuLevel g_Cap = CapFromEnvironment();
#else
CpuLevel g_Cap = CpuLevel::Avx512;
#endif

}  // namespace

CpuLevel DetectedCpuLevel()
{
    static const CpuLevel detected = Detect();
    return detected;
}

CpuLevel ActiveCpuLevel()
{
    CpuLevel d = DetectedCpuLevel();
    return int(g_Cap) < int(d) ? g_Cap : d;
}

void CapCpuLevel(CpuLevel cap) { g_Cap = cap; }

uint64_t DetectedStreamBytes()
{
    static const uint64_t detected = AmdCacheBytes(0) / 2;  // half the last-level cache
    return detected;
}

void SetStreamBytes(uint64_t bytes) { g_StreamBytes = bytes; }

uint64_t DetectedHalvesBytes()
{
    static const uint64_t detected = AmdCacheBytes(2);
    return detected;
}

void SetHalvesBytes(uint64_t bytes) { g_HalvesBytes = bytes; }

bool LoadsInHalves(uint64_t bytes) { return g_HalvesBytes != 0 && bytes >= g_HalvesBytes; }

bool StreamsPastCaches(uint64_t written, uint64_t read)
{
    return written >= uint64_t(1) << 20 && written + read >= g_StreamBytes;
}
