// QVGFX: pixel formats, surfaces, canvases, surface converters and their repository entries.
//
// Stand-in for the host's graphics library. Virtual operations are declared in the host's slot
// order. Members after the "host side" markers serve host applications and tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "QVExport.h"
#include "QVLibrary.h"

// A pixel layout: kind 0 = 8, 1 = 8/8/8, 2 = 8/8/8/8, and four channel codes, the code at
// position i naming the channel held in byte i of a pixel. This host uses the letters 'R', 'G',
// 'B', 'A' for colour channels; any other byte value is a valid code too.
class QVGFX_API CQVFormat {
public:
    CQVFormat() = default;
    CQVFormat(uint8_t kind, uint8_t c0, uint8_t c1 = 0, uint8_t c2 = 0, uint8_t c3 = 0);
    CQVFormat(const CQVFormat& other);
    CQVFormat& operator=(const CQVFormat& other);  // copies the kind, then codes 0 to 3

    uint8_t m_Kind = 0;
    uint8_t m_Codes[4] = {};

    // Channels per kind: 1, 3, 4 for kinds 0, 1, 2; 0 for every other kind value.
    static const uint8_t m_Size[256];
};

class CQVSurface;

// One Lock or Unlock as a test sees it.
struct CQVLockEvent {
    const CQVSurface* surface;
    bool unlock;
    bool write;
};

// Thrown by CQVSurface::Lock when a test has asked for a failure.
class QVGFX_API CQVLockError : public std::runtime_error {
public:
    CQVLockError();
    ~CQVLockError() override;
};

// A pixel surface. Byte 0 of pixel (x, y) lies y * pitch + x * B bytes after the bits, which are
// only valid while the surface is locked (the stand-in hands out null otherwise).
class QVGFX_API CQVSurface {
public:
    // Owns zero-filled pixels: (height - 1) * pitch + width * B bytes, nothing for empty sizes.
    CQVSurface(const CQVFormat& format, int32_t width, int32_t height, int32_t pitch);
    // Wraps caller memory, so that two surfaces can share pixels.
    CQVSurface(const CQVFormat& format, int32_t width, int32_t height, int32_t pitch,
               uint8_t* memory);
    ~CQVSurface();
    CQVSurface(const CQVSurface&) = delete;
    CQVSurface& operator=(const CQVSurface&) = delete;

    void* Lock(bool write);
    void Unlock(bool write);

    CQVFormat& GetFormat() { return m_Format; }
    const CQVFormat& GetFormat() const { return m_Format; }
    int32_t GetWidth() const { return m_Width; }
    int32_t GetHeight() const { return m_Height; }
    int32_t GetPitch() const { return m_Pitch; }
    uint8_t* GetBits() const { return m_Bits; }
    uint8_t GetOpacity() const { return m_Opacity; }

    // Host side.
    void SetOpacity(uint8_t opacity) { m_Opacity = opacity; }
    uint8_t* GetMemory() const { return m_Memory; }  // pixels regardless of locking
    std::size_t GetByteSize() const { return m_ByteSize; }
    uint32_t GetLockCount(bool write) const { return m_Locks[write]; }
    uint32_t GetUnlockCount(bool write) const { return m_Unlocks[write]; }
    uint32_t GetUnpairedUnlocks() const { return m_Unpaired; }
    bool IsLocked() const { return m_Held[0] + m_Held[1] != 0; }
    // Bytes that a surface of this shape spans; 0 for an empty or negative size.
    static std::size_t SpanBytes(uint8_t kind, int32_t width, int32_t height, int32_t pitch);

private:
    CQVFormat m_Format;
    int32_t m_Width;
    int32_t m_Height;
    int32_t m_Pitch;
    uint8_t* m_Bits = nullptr;
    uint8_t m_Opacity = 255;

    uint8_t* m_Memory;
    std::size_t m_ByteSize;
    bool m_Owned;
    uint32_t m_Held[2] = {};
    uint32_t m_Locks[2] = {};
    uint32_t m_Unlocks[2] = {};
    uint32_t m_Unpaired = 0;
};

// Host side: watches every surface's locks.
class QVGFX_API CQVLockMonitor {
public:
    static void Record(std::vector<CQVLockEvent>* log);  // null stops recording
    static void ThrowOnLock(uint32_t n);  // the n-th Lock from now throws CQVLockError; 0: never
    static int64_t LocksHeld();           // over all surfaces
    static uint64_t UnpairedUnlocks();    // over all surfaces
};

class QVGFX_API CQVCanvas : public CQVFactoryObject {
public:
    CQVCanvas();
    ~CQVCanvas() override;

    // Sets the destination and the clip rectangle to the whole surface.
    virtual bool SetDestination(CQVSurface* destination);

    // Host side: the clip rectangle is kept inside the destination.
    void SetClip(int32_t left, int32_t top, int32_t right, int32_t bottom);
    CQVSurface* GetDestination() const { return m_Destination; }
    int32_t GetClipLeft() const { return m_ClipLeft; }
    int32_t GetClipTop() const { return m_ClipTop; }
    int32_t GetClipRight() const { return m_ClipRight; }
    int32_t GetClipBottom() const { return m_ClipBottom; }

protected:
    CQVSurface* m_Destination = nullptr;
    int32_t m_ClipLeft = 0;
    int32_t m_ClipTop = 0;
    int32_t m_ClipRight = -1;
    int32_t m_ClipBottom = -1;
};

// What SetColor receives: a host word the colour canvases do not read, then the four colour bytes
// in the destination's byte order.
struct ColorRecord {
    uint32_t reserved;
    uint32_t color;
};

class QVGFX_API CQVPrimitiveCanvas : public CQVCanvas {
public:
    ~CQVPrimitiveCanvas() override;
    virtual bool SetColor(const ColorRecord* color) = 0;
    virtual void DrawCircle(int32_t x, int32_t y, int32_t radius) = 0;
    virtual void DrawEllipse(int32_t x, int32_t y, int32_t radiusX, int32_t radiusY) = 0;
    virtual void DrawHorizontalLine(int32_t x1, int32_t y, int32_t x2) = 0;
    virtual void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    virtual void DrawPixel(int32_t x, int32_t y) = 0;
    virtual void DrawRectangle(int32_t x, int32_t y, int32_t width, int32_t height) = 0;
    virtual void DrawVerticalLine(int32_t x, int32_t y1, int32_t y2) = 0;
};

// What the weighted-sum canvas's SetSource receives in place of a surface pointer.
struct LinCombSource {
    CQVSurface* surface;
    float sourceWeight;
    float destinationWeight;
};

class QVGFX_API CQVTransformationCanvas : public CQVCanvas {
public:
    CQVTransformationCanvas();
    ~CQVTransformationCanvas() override;
    virtual bool SetSource(CQVSurface* source) = 0;
    virtual void Blit(int32_t sx, int32_t sy, int32_t w, int32_t h, int32_t dx, int32_t dy) = 0;
    virtual void TransformBlit(int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t dx,
                               int32_t dy, int32_t dw, int32_t dh) = 0;

    // Host side.
    CQVSurface* GetSource() const { return m_Source; }

protected:
    CQVSurface* m_Source = nullptr;
};

class QVGFX_API CQVSurfaceConverter : public CQVFactoryObject {
public:
    ~CQVSurfaceConverter() override;
    virtual void Convert(CQVSurface* source, CQVSurface* destination, const CQVFormat& target) = 0;
};

class QVGFX_API CQVCanvasEntry : public CQVRepositoryEntry {
public:
    CQVCanvasEntry(uint32_t classId, CQVString name, CQVString description, CQVString third,
                   uint32_t operation, uint32_t drawOrFill, uint32_t colorOrSurface);
    ~CQVCanvasEntry() override;
    virtual bool AcceptsFormat(const CQVFormat& destination) const = 0;

    // Host side.
    uint32_t GetCode(int i) const { return i >= 0 && i < 3 ? m_Codes[i] : 0; }

private:
    uint32_t m_Codes[3];
};

class QVGFX_API CQVSurfaceConverterEntry : public CQVRepositoryEntry {
public:
    CQVSurfaceConverterEntry(uint32_t classId, CQVString name, CQVString description,
                             CQVString third);
    ~CQVSurfaceConverterEntry() override;
    virtual bool AcceptsFormat(const CQVFormat& source, const CQVFormat& destination) const = 0;
};

// Host side: the registered entries that accept the given formats, in registration order.
QVGFX_API std::vector<CQVCanvasEntry*> CanvasEntriesFor(const CQVFormat& destination);
QVGFX_API std::vector<CQVSurfaceConverterEntry*> ConverterEntriesFor(const CQVFormat& source,
                                                                     const CQVFormat& destination);
