// Scope guard for a host surface lock: locks when made, unlocks with the same flag when its scope
// ends, also when an exception passes. Declare the source's guard before the destination's, so
// that leaving the scope unlocks the destination first.
#pragma once

#include <cstdint>

#include "host/QVGFX.h"

// A surface whose format kind gives at least B bytes per pixel and whose rows do not overlap:
// only then may a canvas of B bytes per pixel address its pixels.
inline bool HoldsPixelsOf(const CQVSurface& s, int B)
{
    const int64_t size = CQVFormat::m_Size[s.GetFormat().m_Kind];
    return size >= B && int64_t(s.GetPitch()) >= int64_t(s.GetWidth()) * size;
}

class SurfaceLock {
public:
    SurfaceLock(CQVSurface* surface, bool write) : m_Surface(surface), m_Write(write)
    {
        m_Surface->Lock(write);
    }
    ~SurfaceLock() { m_Surface->Unlock(m_Write); }
    SurfaceLock(const SurfaceLock&) = delete;
    SurfaceLock& operator=(const SurfaceLock&) = delete;

    // The pixels, read after locking; the value Lock returned is not used.
    uint8_t* Bits() const { return m_Surface->GetBits(); }

private:
    CQVSurface* m_Surface;
    bool m_Write;
};
