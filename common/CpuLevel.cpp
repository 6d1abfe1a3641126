#include "common/CpuLevel.h"

#include <cstdlib>
#include <cstring>

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
