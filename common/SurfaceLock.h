// Scope guard for a host surface lock: locks when made, unlocks with the same flag when its scope
// ends, also when an exception passes. Declare the source's guard before the destination's, so
// that leaving the scope unlocks the destination first.
#pragma once

#include "QVGFX.h"

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
