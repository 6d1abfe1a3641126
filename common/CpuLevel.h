// Which vector code the fast loops may use, found once from the processor's features. Every fast
// loop has a plain twin that gives the same bytes; the level only picks the faster one.
#pragma once

#include <cstdint>

// Avx512: the 512-bit byte and word operations, the byte permutes and the word multiply-adds
// into sums (F, BW, VBMI and VNNI).
enum class CpuLevel : int { Plain = 0, Sse2 = 1, Ssse3 = 2, Avx2 = 3, Avx512 = 4 };

// The highest level this processor supports (Plain on processors other than x86).
CpuLevel DetectedCpuLevel();

// The level in use: the detected one, or a lower one chosen with CapCpuLevel.
CpuLevel ActiveCpuLevel();

// Limits the level in use, so that each lower level can be exercised on this machine.
void CapCpuLevel(CpuLevel cap);

inline bool CpuAtLeast(CpuLevel level) { return int(ActiveCpuLevel()) >= int(level); }

// Destinations of at least this many bytes, which no cache near the core holds, are written with
// streaming stores where whole vectors of them are copied or converted: their lines are not read
// in before being written over, which leaves more of the memory's bandwidth to the work. Smaller
// ones go through the caches, where the host will read them next.
constexpr uint64_t kStreamBytes = uint64_t(1) << 20;

#if defined(__i386__) || defined(__x86_64__)
#define QVGFX_X86 1
#else
#define QVGFX_X86 0
#endif

// What a function of each level may use, on top of the level the whole module is built for.
#define QVGFX_SSE2 __attribute__((target("sse2")))
#define QVGFX_SSSE3 __attribute__((target("ssse3")))
#define QVGFX_AVX2 __attribute__((target("avx2")))
#define QVGFX_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vnni")))
