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

// Whether a call that writes `written` bytes and reads `read` bytes stores its whole vectors with
// streaming stores, past the caches: their lines are not read in before being written over, which
// leaves more of the memory's bandwidth to the work, but the host then finds none of them in a
// cache. From 1 MiB written on, and, on processors whose last-level cache takes a whole call faster
// than memory takes streaming stores (DetectedStreamBytes), only once the call outgrows it.
bool StreamsPastCaches(uint64_t written, uint64_t read);

// The bytes written and read together below which a call keeps to the caches however much it
// writes: half the last-level cache on AMD processors (on those measured, a 1920x1080 copy that
// stays in their L3 ran at 1.8 times the rate of streaming stores), 0 elsewhere (on the Intel
// processors measured, streaming stores outran copies through the L3 from 1 MiB on).
uint64_t DetectedStreamBytes();

// Replaces that threshold, so that the streaming loops can be exercised on any processor.
void SetStreamBytes(uint64_t bytes);

// Whether a loop over a run that reads and writes `bytes` together loads its 64-byte vectors as
// two 32-byte halves: only on processors that give DetectedHalvesBytes, once the run reaches it.
bool LoadsInHalves(uint64_t bytes);

// The second-level cache's bytes on AMD processors, 0 (never) elsewhere. On the AMD processor
// measured, the converters' 512-bit loops over bytes from the L3 (1920x1080 surfaces) ran 1.05 to
// 1.18 times faster with their loads in 32-byte halves, and 1/2 box copies of 1-byte pixels 1.08
// times; over bytes in the second-level cache (256x256) the converters ran 0.97 to 0.99 times as
// fast. On other processors whole loads stay, halves not having been measured there.
uint64_t DetectedHalvesBytes();

// Replaces that threshold (0: never), so that both kinds of loads can be exercised anywhere.
void SetHalvesBytes(uint64_t bytes);

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
