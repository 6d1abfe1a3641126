// Stand-in implementation of the host's graphics library.
#include "QVGFX.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

struct MonitorState {
    std::vector<CQVLockEvent>* log = nullptr;
    uint32_t throwIn = 0;
    int64_t held = 0;
    uint64_t unpaired = 0;
};

MonitorState& Monitor()
{
    static MonitorState state;
    return state;
}

}  // namespace

// ---- CQVFormat

const uint8_t CQVFormat::m_Size[256] = {1, 3, 4};

CQVFormat::CQVFormat(uint8_t kind, uint8_t c0, uint8_t c1, uint8_t c2, uint8_t c3)
    : m_Kind(kind), m_Codes{c0, c1, c2, c3}
{}

CQVFormat::CQVFormat(const CQVFormat& other) : m_Kind(other.m_Kind)
{
    std::memcpy(m_Codes, other.m_Codes, sizeof m_Codes);
}

CQVFormat& CQVFormat::operator=(const CQVFormat& other)
{
    m_Kind = other.m_Kind;
    for (int i = 0; i < 4; ++i)
        m_Codes[i] = other.m_Codes[i];
    return *this;
}

// ---- CQVLockError

CQVLockError::CQVLockError() : std::runtime_error("surface lock refused") {}
CQVLockError::~CQVLockError() = default;

// ---- CQVSurface

std::size_t CQVSurface::SpanBytes(uint8_t kind, int32_t width, int32_t height, int32_t pitch)
{
    if (width <= 0 || height <= 0)
        return 0;
    uint64_t span = uint64_t(height - 1) * uint64_t(pitch < 0 ? 0 : pitch) +
                    uint64_t(width) * CQVFormat::m_Size[kind];
    if (span > SIZE_MAX / 2)
        throw std::bad_alloc();
    return static_cast<std::size_t>(span);
}

CQVSurface::CQVSurface(const CQVFormat& format, int32_t width, int32_t height, int32_t pitch)
    : m_Format(format), m_Width(width), m_Height(height), m_Pitch(pitch), m_Owned(true)
{
    if (width > 0 && height > 0 &&
        int64_t(pitch) < int64_t(width) * CQVFormat::m_Size[format.m_Kind])
        throw std::invalid_argument("surface pitch below its row");
    m_ByteSize = SpanBytes(format.m_Kind, width, height, pitch);
    m_Memory = m_ByteSize ? static_cast<uint8_t*>(std::calloc(m_ByteSize, 1)) : nullptr;
    if (m_ByteSize && m_Memory == nullptr)
        throw std::bad_alloc();
}

CQVSurface::CQVSurface(const CQVFormat& format, int32_t width, int32_t height, int32_t pitch,
                       uint8_t* memory)
    : m_Format(format), m_Width(width), m_Height(height), m_Pitch(pitch), m_Memory(memory),
      m_ByteSize(SpanBytes(format.m_Kind, width, height, pitch)), m_Owned(false)
{}

CQVSurface::~CQVSurface()
{
    if (m_Owned)
        std::free(m_Memory);
}

void* CQVSurface::Lock(bool write)
{
    MonitorState& m = Monitor();
    if (m.throwIn > 0 && --m.throwIn == 0)
        throw CQVLockError();
    ++m_Held[write];
    ++m_Locks[write];
    ++m.held;
    m_Bits = m_Memory;
    if (m.log)
        m.log->push_back({this, false, write});
    return m_Bits;
}

void CQVSurface::Unlock(bool write)
{
    MonitorState& m = Monitor();
    if (m.log)
        m.log->push_back({this, true, write});
    if (m_Held[write] == 0) {
        ++m_Unpaired;
        ++m.unpaired;
        return;
    }
    --m_Held[write];
    ++m_Unlocks[write];
    --m.held;
    if (!IsLocked())
        m_Bits = nullptr;
}

// ---- CQVLockMonitor

void CQVLockMonitor::Record(std::vector<CQVLockEvent>* log) { Monitor().log = log; }
void CQVLockMonitor::ThrowOnLock(uint32_t n) { Monitor().throwIn = n; }
int64_t CQVLockMonitor::LocksHeld() { return Monitor().held; }
uint64_t CQVLockMonitor::UnpairedUnlocks() { return Monitor().unpaired; }

// ---- Canvases and converters

CQVCanvas::CQVCanvas() = default;
CQVCanvas::~CQVCanvas() = default;

bool CQVCanvas::SetDestination(CQVSurface* destination)
{
    m_Destination = destination;
    m_ClipLeft = 0;
    m_ClipTop = 0;
    m_ClipRight = destination && destination->GetWidth() > 0 ? destination->GetWidth() - 1 : -1;
    m_ClipBottom = destination && destination->GetHeight() > 0 ? destination->GetHeight() - 1 : -1;
    if (m_ClipRight < 0 || m_ClipBottom < 0)
        m_ClipRight = m_ClipBottom = -1;
    return true;
}

void CQVCanvas::SetClip(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    CQVSurface* d = m_Destination;
    if (d == nullptr || d->GetWidth() <= 0 || d->GetHeight() <= 0) {
        m_ClipLeft = m_ClipTop = 0;
        m_ClipRight = m_ClipBottom = -1;
        return;
    }
    m_ClipLeft = std::max(left, int32_t(0));
    m_ClipTop = std::max(top, int32_t(0));
    m_ClipRight = std::min(right, d->GetWidth() - 1);
    m_ClipBottom = std::min(bottom, d->GetHeight() - 1);
}

CQVPrimitiveCanvas::~CQVPrimitiveCanvas() = default;
CQVTransformationCanvas::CQVTransformationCanvas() = default;
CQVTransformationCanvas::~CQVTransformationCanvas() = default;
CQVSurfaceConverter::~CQVSurfaceConverter() = default;

// ---- Entries

CQVCanvasEntry::CQVCanvasEntry(uint32_t classId, CQVString name, CQVString description,
                               CQVString third, uint32_t operation, uint32_t drawOrFill,
                               uint32_t colorOrSurface)
    : CQVRepositoryEntry(classId, name, description, third), m_Codes{operation, drawOrFill,
                                                                     colorOrSurface}
{
    m_Kind = Kind::Canvas;
}

CQVCanvasEntry::~CQVCanvasEntry() = default;

CQVSurfaceConverterEntry::CQVSurfaceConverterEntry(uint32_t classId, CQVString name,
                                                   CQVString description, CQVString third)
    : CQVRepositoryEntry(classId, name, description, third)
{
    m_Kind = Kind::Converter;
}

CQVSurfaceConverterEntry::~CQVSurfaceConverterEntry() = default;

std::vector<CQVCanvasEntry*> CanvasEntriesFor(const CQVFormat& destination)
{
    std::vector<CQVCanvasEntry*> found;
    for (uint32_t i = 0; i < CQVRepository::Count(); ++i) {
        CQVRepositoryEntry* e = CQVRepository::EntryAt(i);
        if (e->GetKind() == CQVRepositoryEntry::Kind::Canvas) {
            auto* c = static_cast<CQVCanvasEntry*>(e);
            if (c->AcceptsFormat(destination))
                found.push_back(c);
        }
    }
    return found;
}

std::vector<CQVSurfaceConverterEntry*> ConverterEntriesFor(const CQVFormat& source,
                                                           const CQVFormat& destination)
{
    std::vector<CQVSurfaceConverterEntry*> found;
    for (uint32_t i = 0; i < CQVRepository::Count(); ++i) {
        CQVRepositoryEntry* e = CQVRepository::EntryAt(i);
        if (e->GetKind() == CQVRepositoryEntry::Kind::Converter) {
            auto* c = static_cast<CQVSurfaceConverterEntry*>(e);
            if (c->AcceptsFormat(source, destination))
                found.push_back(c);
        }
    }
    return found;
}
