#include "common/CpuLevel.h"

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

CpuLevel g_Cap = CpuLevel::Avx512;

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
