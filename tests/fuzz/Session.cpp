// A hostile host session over the module's factory and all sixteen classes.
//
// The input is read front to back: surfaces of every layout (and of kinds no layout has), sizes
// from negative to the 32-bit limits, pitches with padding, surfaces sharing pixels with another
// one, then a run of calls with arbitrary 32-bit arguments, arbitrary weights and null pointers.
// Owned pixels are allocated to their exact size, so AddressSanitizer sees any stray byte; bytes
// of a shared buffer that lie outside the written surface are compared before and after.
#include "Session.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "QVGFX.h"
#include "QVGFX_Basics.h"

namespace {

const uint32_t kClassIds[] = {124, 125, 126, 127, 133, 128, 129, 11134,
                              130, 131, 132, 11133, 11135, 11136, 11137, 11138};
const uint32_t kStrangeIds[] = {0, 1, 100, 123, 134, 140, 11132, 11139, 0xFFFFFFFFu, 0x80000000u};
constexpr uint32_t kLinCombId = 130;
constexpr std::size_t kMaxSurfaces = 8;
constexpr std::size_t kMaxObjects = 6;
constexpr int kMaxCalls = 256;
constexpr int32_t kMaxSide = 64;

const char* g_Name = nullptr;

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "hostile session%s%s: %s\n", g_Name ? " " : "", g_Name ? g_Name : "", what);
    std::abort();
}

void Require(bool ok, const char* what)
{
    if (!ok)
        Fail(what);
}

// QVGFX_FUZZ_TRACE=1 prints every call of a session, to turn a finding into a reproducer.
void Note(const char* format, ...)
{
    static const bool trace = std::getenv("QVGFX_FUZZ_TRACE") != nullptr;
    if (!trace)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

bool KnownId(uint32_t id)
{
    return std::find(std::begin(kClassIds), std::end(kClassIds), id) != std::end(kClassIds);
}

// Reads the input front to back; past its end every read gives zero.
class Input {
public:
    Input(const uint8_t* data, std::size_t size) : m_Data(data), m_Left(size) {}

    bool Empty() const { return m_Left == 0; }
    uint8_t Byte()
    {
        if (m_Left == 0)
            return 0;
        --m_Left;
        return *m_Data++;
    }
    uint32_t Word()
    {
        uint32_t w = 0;
        for (int i = 0; i < 4; ++i)
            w = w << 8 | Byte();
        return w;
    }
    bool OneIn(uint8_t n) { return Byte() % n == 0; }

    // Any 32-bit value, mostly around the surfaces, often a limit.
    int32_t Arg()
    {
        static const int32_t kLimits[] = {
            std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min() + 1,
            -(1 << 29), -65536, -32769, -32768, -4097, -65, -1, 0, 1, 2, 63, 64, 65, 32767, 32768,
            65535, 65536, 1 << 29, std::numeric_limits<int32_t>::max() - 1,
            std::numeric_limits<int32_t>::max()};
        uint8_t s = Byte();
        if (s < 160)
            return int32_t(s % 84) - 10;
        if (s < 232)
            return kLimits[s % (sizeof kLimits / sizeof kLimits[0])];
        return int32_t(Word());
    }

    // A radius or a line's extent: the shapes hand every point to a writer, so their size is
    // bounded to keep one call short; where they lie is not.
    int32_t Extent()
    {
        uint8_t s = Byte();
        if (s < 208)
            return int32_t(s % 80) - 8;
        return int32_t(Word() % 8193) - 4096;
    }

    // A surface side: small, or one of the odd values (kept only when the surface is empty).
    int32_t Side()
    {
        static const int32_t kOdd[] = {-1, -2, -64, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max(), 65536, -65536,
                                       46341, -46341, 1 << 20};
        uint8_t s = Byte();
        if (s < 208)
            return s % 66;
        return kOdd[s % (sizeof kOdd / sizeof kOdd[0])];
    }

    float Weight()
    {
        static const float kOdd[] = {0.0f, 0.5f, 1.0f, 1.5f, -0.1f, -1.0f,
                                     std::numeric_limits<float>::quiet_NaN(),
                                     std::numeric_limits<float>::infinity(),
                                     -std::numeric_limits<float>::infinity(), 1e30f, -1e30f,
                                     FLT_MAX, -FLT_MAX, 1e-45f, 255.0f, 3e9f, -3e9f, 4.2e16f};
        uint8_t s = Byte();
        if (s < 128)
            return float(s) / 100.0f;
        if (s < 240)
            return kOdd[s % (sizeof kOdd / sizeof kOdd[0])];
        uint32_t bits = Word();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

    // A kind, mostly one of the three layouts, and codes, mostly colour letters.
    CQVFormat Format()
    {
        static const char kLetters[] = "RGBA";
        CQVFormat f;
        uint8_t k = Byte();
        f.m_Kind = k < 240 ? k % 3 : (k & 1 ? 3 : 255);
        uint8_t how = Byte();
        if (how < 96) {  // a reordering of the four letters
            uint8_t order[4] = {'R', 'G', 'B', 'A'};
            for (int i = 3; i > 0; --i)
                std::swap(order[i], order[how % (i + 1)]);
            std::memcpy(f.m_Codes, order, 4);
        } else {
            for (uint8_t& c : f.m_Codes) {
                uint8_t b = Byte();
                c = b < 224 ? uint8_t(kLetters[b % 4]) : b;
            }
        }
        return f;
    }

private:
    const uint8_t* m_Data;
    std::size_t m_Left;
};

// Where a surface's pixels live: in its own exact allocation, or inside another's.
struct Placed {
    std::unique_ptr<CQVSurface> surface;
    CQVSurface* owner;   // the surface whose memory holds the pixels
    std::size_t offset;  // of byte 0 within the owner's memory
    std::size_t bytes;   // the memory the surface was given
};

uint32_t Bpp(const CQVSurface& s) { return CQVFormat::m_Size[s.GetFormat().m_Kind]; }

class Session {
public:
    Session(CQVFactory* factory, const uint8_t* data, std::size_t size)
        : m_Factory(factory), m_In(data, size)
    {
    }

    void Run()
    {
        int64_t objects = CQVShareable::LiveAllocations();
        int64_t strings = CQVString::LiveCount();
        CQVLockMonitor::Record(&m_Log);
        AddSurface();
        for (int calls = 0; calls < kMaxCalls && !m_In.Empty(); ++calls)
            Step();
        for (CQVFactoryObject* o : m_Objects)
            Require(o->Release() == 0, "an object carried a reference the host did not give it");
        m_Objects.clear();
        CQVRepository::Clear();
        CQVLockMonitor::Record(nullptr);
        Require(CQVShareable::LiveAllocations() == objects, "an object or entry was not freed");
        Require(CQVString::LiveCount() == strings, "a string was not released");
    }

private:
    void Step()
    {
        switch (m_In.Byte() % 24) {
        case 0: AddSurface(); break;
        case 1: case 2: CreateObject(); break;
        case 3: ReleaseObject(); break;
        case 4: case 5: SetDestination(); break;
        case 6: SetClip(); break;
        case 7: case 8: SetSource(); break;
        case 9: SetColor(); break;
        case 10: case 11: DrawWriter(); break;
        case 12: DrawShape(); break;
        case 13: case 14: Blit(); break;
        case 15: case 16: TransformBlit(); break;
        case 17: case 18: Convert(); break;
        case 19: Repaint(); break;
        case 20:
            m_ThrowOnLock = 1 + m_In.Byte() % 3;
            Note("lock %u of the next call throws", m_ThrowOnLock);
            break;
        case 21: Register(); break;
        case 22: CreateFactory(); break;
        default: m_Factory->Configure(m_In.Word()); break;
        }
    }

    // ---- Surfaces

    void AddSurface()
    {
        if (m_Surfaces.size() >= kMaxSurfaces)
            return;
        CQVFormat f = m_In.Format();
        int32_t b = CQVFormat::m_Size[f.m_Kind];
        int32_t w = m_In.Side();
        int32_t h = m_In.Side();
        int32_t pitch;
        if (w > 0 && h > 0) {
            w = std::min(w, kMaxSide);
            h = std::min(h, kMaxSide);
            pitch = w * b + (m_In.OneIn(3) ? m_In.Byte() % 48 : 0);
        } else {
            pitch = m_In.Arg();
        }
        uint8_t share = m_In.Byte();
        if (share < 80 && !m_Surfaces.empty()) {
            const Placed& base = m_Surfaces[m_In.Byte() % m_Surfaces.size()];
            if (base.owner->GetByteSize() > 0) {
                AddView(base, f, w, h, pitch, share < 32);
                return;
            }
        }
        Placed p;
        p.surface = std::make_unique<CQVSurface>(f, w, h, pitch);
        p.owner = p.surface.get();
        p.offset = 0;
        p.surface->SetOpacity(m_In.Byte());
        Fill(*p.surface, m_In.Byte());
        p.bytes = p.surface->GetByteSize();
        Added(p);
        m_Surfaces.push_back(std::move(p));
    }

    // A second surface over pixels that another one owns: its twin (same shape and place, for
    // in-place work), or a shape of its own placed at the start or the end of the memory.
    void AddView(const Placed& base, CQVFormat f, int32_t w, int32_t h, int32_t pitch, bool twin)
    {
        std::size_t bytes = base.owner->GetByteSize();
        Placed p;
        p.owner = base.owner;
        if (twin) {
            const CQVSurface& s = *base.surface;
            f.m_Kind = s.GetFormat().m_Kind;
            p.offset = base.offset;
            p.surface = std::make_unique<CQVSurface>(f, s.GetWidth(), s.GetHeight(), s.GetPitch(),
                                                     base.owner->GetMemory() + p.offset);
        } else {
            std::size_t b = CQVFormat::m_Size[f.m_Kind];
            if (w > 0 && h > 0 && b > 0) {
                if (std::size_t(w) * b > bytes) {
                    w = int32_t(bytes / b);
                    h = 1;
                    pitch = int32_t(w * b);
                } else {
                    h = int32_t(std::min<std::size_t>(h, 1 + (bytes - w * b) / pitch));
                }
            }
            std::size_t span = CQVSurface::SpanBytes(f.m_Kind, w, h, pitch);
            if (span > bytes)
                return;
            p.offset = m_In.OneIn(2) ? 0 : bytes - span;
            p.surface = std::make_unique<CQVSurface>(f, w, h, pitch,
                                                     base.owner->GetMemory() + p.offset);
        }
        p.surface->SetOpacity(m_In.Byte());
        const CQVSurface& v = *p.surface;
        p.bytes = CQVSurface::SpanBytes(v.GetFormat().m_Kind, v.GetWidth(), v.GetHeight(),
                                        v.GetPitch());
        Added(p);
        m_Surfaces.push_back(std::move(p));
    }

    void Added(const Placed& p) const
    {
        const CQVSurface& s = *p.surface;
        const uint8_t* c = s.GetFormat().m_Codes;
        Note("S%zu: kind %d codes %02x %02x %02x %02x, %d x %d, pitch %d, opacity %d, in S%d at %zu",
             m_Surfaces.size(), s.GetFormat().m_Kind, c[0], c[1], c[2], c[3], s.GetWidth(),
             s.GetHeight(), s.GetPitch(), s.GetOpacity(),
             p.owner == p.surface.get() ? int(m_Surfaces.size()) : Index(p.owner), p.offset);
    }

    // The session's number of a surface or an object, -1 for null.
    int Index(const CQVSurface* s) const
    {
        for (std::size_t i = 0; i < m_Surfaces.size(); ++i)
            if (m_Surfaces[i].surface.get() == s)
                return int(i);
        return -1;
    }
    int Index(const CQVFactoryObject* o) const
    {
        for (std::size_t i = 0; i < m_Objects.size(); ++i)
            if (m_Objects[i] == o)
                return int(i);
        return -1;
    }

    static void Fill(CQVSurface& s, uint8_t seed)
    {
        uint32_t x = seed * 2654435761u + 1;
        for (std::size_t i = 0; i < s.GetByteSize(); ++i) {
            x = x * 1664525u + 1013904223u;
            s.GetMemory()[i] = uint8_t(x >> 24);
        }
    }

    void Repaint()
    {
        Placed& p = m_Surfaces[m_In.Byte() % m_Surfaces.size()];
        p.surface->SetOpacity(m_In.Byte());
        if (p.owner == p.surface.get())
            Fill(*p.surface, m_In.Byte());
    }

    // Null now and then, otherwise any surface of the session.
    CQVSurface* PickSurface()
    {
        uint8_t s = m_In.Byte();
        return s < 20 ? nullptr : m_Surfaces[s % m_Surfaces.size()].surface.get();
    }

    const Placed* Find(const CQVSurface* s) const
    {
        for (const Placed& p : m_Surfaces)
            if (p.surface.get() == s)
                return &p;
        return nullptr;
    }

    // ---- Objects

    void CreateObject()
    {
        uint8_t s = m_In.Byte();
        uint32_t id = s < 224 ? kClassIds[s % 16]
                    : s < 240 ? kStrangeIds[s % (sizeof kStrangeIds / sizeof kStrangeIds[0])]
                              : m_In.Word();
        bool failing = m_In.OneIn(8);
        uint64_t made = CQVShareable::AllocationCount();
        if (failing)
            CQVShareable::FailAllocations(0, 1);
        CQVFactoryObject* o = nullptr;
        Checked(nullptr, nullptr, [&] { o = m_Factory->CreateObject(id); });
        CQVShareable::FailAllocations(0, 0);
        if (!KnownId(id) || failing) {
            Require(o == nullptr, "an unknown id or a failed allocation still gave an object");
            Require(CQVShareable::AllocationCount() == made, "an unknown id allocated something");
            return;
        }
        Require(o != nullptr, "a known id gave no object");
        Require(o->GetClassID() == id, "an object answers another class id");
        Require(o->GetReferenceCount() == 1, "a new object's reference count is not 1");
        Note("O%zu = CreateObject(%u)", m_Objects.size(), id);
        if (m_Objects.size() < kMaxObjects)
            m_Objects.push_back(o);
        else
            Require(o->Release() == 0, "an object carried a reference the host did not give it");
    }

    void ReleaseObject()
    {
        if (m_Objects.empty())
            return;
        std::size_t i = m_In.Byte() % m_Objects.size();
        Note("O%zu->Release(), later objects move down", i);
        Require(m_Objects[i]->Release() == 0, "an object carried a reference the host did not give it");
        m_Objects.erase(m_Objects.begin() + i);
    }

    template <class T>
    T* Pick()
    {
        if (m_Objects.empty())
            return nullptr;
        return dynamic_cast<T*>(m_Objects[m_In.Byte() % m_Objects.size()]);
    }

    void CreateFactory()
    {
        bool failing = m_In.OneIn(2);
        if (failing)
            CQVShareable::FailAllocations(0, 1);
        CQVFactory* f = reinterpret_cast<CQVFactory*>(&f);
        bool ok = jwCreateFactory(m_In.OneIn(8) ? nullptr : &f);
        CQVShareable::FailAllocations(0, 0);
        Require(ok, "jwCreateFactory returned false");
        if (f == reinterpret_cast<CQVFactory*>(&f))
            return;
        Require(failing == (f == nullptr), "the factory pointer does not match the allocation");
        if (f) {
            Require(f->GetReferenceCount() == 1, "a new factory's reference count is not 1");
            Require(f->Release() == 0, "the factory carried a reference the host did not give it");
        }
    }

    void Register()
    {
        if (m_Registrations++ >= 2)
            return;
        uint32_t skip = m_In.Byte() % 20;
        uint32_t count = m_In.Byte() % 3;
        CQVShareable::FailAllocations(skip, count);
        CQVRepository::RefuseRegistrations(m_In.OneIn(4));
        Note("RegisterClasses()");
        Checked(nullptr, nullptr, [&] { m_Factory->RegisterClasses(); });
        CQVRepository::RefuseRegistrations(false);
        CQVShareable::FailAllocations(0, 0);
        for (uint32_t i = 0; i < CQVRepository::Count(); ++i) {
            CQVFormat source = m_In.Format();
            CQVFormat destination = m_In.Format();
            CQVRepositoryEntry* e = CQVRepository::EntryAt(i);
            if (auto* c = dynamic_cast<CQVCanvasEntry*>(e))
                c->AcceptsFormat(destination);
            else if (auto* v = dynamic_cast<CQVSurfaceConverterEntry*>(e))
                v->AcceptsFormat(source, destination);
        }
    }

    // ---- Canvas state

    void SetDestination()
    {
        CQVSurface* d = PickSurface();
        if (auto* c = Pick<CQVCanvas>()) {
            Note("O%d->SetDestination(S%d)", Index(c), Index(d));
            Checked(nullptr, nullptr, [&] { c->SetDestination(d); });
        }
    }

    void SetClip()
    {
        int32_t l = m_In.Arg(), t = m_In.Arg(), r = m_In.Arg(), b = m_In.Arg();
        if (auto* c = Pick<CQVCanvas>()) {
            c->SetClip(l, t, r, b);
            Note("O%d->SetClip(%d, %d, %d, %d): clip %d, %d, %d, %d", Index(c), l, t, r, b,
                 c->GetClipLeft(), c->GetClipTop(), c->GetClipRight(), c->GetClipBottom());
        }
    }

    void SetSource()
    {
        CQVSurface* s = PickSurface();
        bool null = m_In.OneIn(10);
        m_Record.surface = s;
        m_Record.sourceWeight = m_In.Weight();
        m_Record.destinationWeight = m_In.Weight();
        auto* c = Pick<CQVTransformationCanvas>();
        if (c == nullptr)
            return;
        // The weighted-sum canvas takes the address of a record where the others take a surface.
        CQVSurface* argument = null ? nullptr
                             : c->GetClassID() == kLinCombId ? reinterpret_cast<CQVSurface*>(&m_Record)
                                                             : s;
        Note("O%d->SetSource(%s S%d, weights %g %g)", Index(c), null ? "null" : "", Index(s),
             double(m_Record.sourceWeight), double(m_Record.destinationWeight));
        bool ok = false;
        Checked(nullptr, nullptr, [&] { ok = c->SetSource(argument); });
        // What the weighted-sum canvas answers for a null record is its own choice.
        Require(ok || (argument == nullptr && c->GetClassID() == kLinCombId), "SetSource returned false");
    }

    void SetColor()
    {
        m_Color.reserved = m_In.Word();
        m_Color.color = m_In.Word();
        bool null = m_In.OneIn(10);
        if (auto* c = Pick<CQVPrimitiveCanvas>()) {
            Note("O%d->SetColor(%s %08x)", Index(c), null ? "null" : "", m_Color.color);
            bool ok = false;
            Checked(nullptr, nullptr, [&] { ok = c->SetColor(null ? nullptr : &m_Color); });
            Require(ok, "SetColor returned false");
        }
    }

    // ---- Drawing

    void DrawWriter()
    {
        uint8_t which = m_In.Byte() % 4;
        int32_t a = m_In.Arg(), b = m_In.Arg(), c = m_In.Arg(), d = m_In.Arg();
        auto* p = Pick<CQVPrimitiveCanvas>();
        if (p == nullptr)
            return;
        static const char* kNames[] = {"DrawPixel", "DrawHorizontalLine", "DrawVerticalLine",
                                       "DrawRectangle"};
        Note("O%d->%s(%d, %d, %d, %d)", Index(p), kNames[which], a, b, c, d);
        Drawn(nullptr, p->GetDestination(), [&] {
            switch (which) {
            case 0: p->DrawPixel(a, b); break;
            case 1: p->DrawHorizontalLine(a, b, c); break;
            case 2: p->DrawVerticalLine(a, b, c); break;
            default: p->DrawRectangle(a, b, c, d); break;
            }
        });
    }

    void DrawShape()
    {
        uint8_t which = m_In.Byte() % 3;
        int32_t x = m_In.Arg(), y = m_In.Arg();
        int32_t rx = m_In.Extent(), ry = m_In.Extent();
        auto* p = Pick<CQVPrimitiveCanvas>();
        if (p == nullptr)
            return;
        // The line's far end is its start moved by the extents, kept inside the 32-bit range.
        auto moved = [](int32_t v, int32_t by) {
            int64_t m = int64_t(v) + by;
            return int32_t(std::clamp<int64_t>(m, std::numeric_limits<int32_t>::min(),
                                                std::numeric_limits<int32_t>::max()));
        };
        static const char* kNames[] = {"DrawCircle", "DrawEllipse", "DrawLine"};
        Note("O%d->%s(%d, %d, %d, %d)", Index(p), kNames[which], x, y,
             which == 2 ? moved(x, rx) : rx, which == 2 ? moved(y, ry) : ry);
        Drawn(nullptr, p->GetDestination(), [&] {
            switch (which) {
            case 0: p->DrawCircle(x, y, rx); break;
            case 1: p->DrawEllipse(x, y, rx, ry); break;
            default: p->DrawLine(x, y, moved(x, rx), moved(y, ry)); break;
            }
        });
    }

    void Blit()
    {
        int32_t a[6];
        for (int32_t& v : a)
            v = m_In.Arg();
        if (auto* c = Pick<CQVTransformationCanvas>()) {
            Note("O%d->Blit(%d, %d, %d, %d, %d, %d)", Index(c), a[0], a[1], a[2], a[3], a[4], a[5]);
            Drawn(c->GetSource(), c->GetDestination(),
                  [&] { c->Blit(a[0], a[1], a[2], a[3], a[4], a[5]); });
        }
    }

    void TransformBlit()
    {
        int32_t a[8];
        for (int32_t& v : a)
            v = m_In.Arg();
        if (auto* c = Pick<CQVTransformationCanvas>()) {
            Note("O%d->TransformBlit(%d, %d, %d, %d, %d, %d, %d, %d)", Index(c), a[0], a[1], a[2],
                 a[3], a[4], a[5], a[6], a[7]);
            Drawn(c->GetSource(), c->GetDestination(), [&] {
                c->TransformBlit(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
            });
        }
    }

    void Convert()
    {
        CQVSurface* s = PickSurface();
        CQVSurface* d = PickSurface();
        CQVFormat own = m_In.Format();
        uint8_t which = m_In.Byte() % 4;
        const CQVFormat* target = which == 1 && d ? &d->GetFormat()
                                : which == 2 && s ? &s->GetFormat()
                                                  : &own;
        if (auto* c = Pick<CQVSurfaceConverter>()) {
            const uint8_t* k = target->m_Codes;
            Note("O%d->Convert(S%d, S%d, %s kind %d codes %02x %02x %02x %02x)", Index(c), Index(s),
                 Index(d), target == &own ? "format" : "own format of a surface", target->m_Kind,
                 k[0], k[1], k[2], k[3]);
            Written(s, d, false, [&] { c->Convert(s, d, *target); });
            if (d)
                CheckFormatFits(*Find(d));
        }
    }

    // ---- Checks

    // A converter gives its destination the target format; the format must not claim more bytes
    // than the surface's memory holds, or every later user of the surface overruns it.
    // QVGFX_FUZZ_REPAIR=1 has the host put the old kind back instead, to look past this.
    void CheckFormatFits(const Placed& p)
    {
        static const bool repair = std::getenv("QVGFX_FUZZ_REPAIR") != nullptr;
        CQVSurface& s = *p.surface;
        std::size_t claimed = CQVSurface::SpanBytes(s.GetFormat().m_Kind, s.GetWidth(),
                                                    s.GetHeight(), s.GetPitch());
        if (claimed <= p.bytes)
            return;
        Note("S%d now claims %zu bytes and holds %zu", Index(&s), claimed, p.bytes);
        if (!repair)
            Fail("a converter gave its destination a format that its pixels cannot hold");
        for (uint8_t kind : {0, 1, 2})
            if (CQVSurface::SpanBytes(kind, s.GetWidth(), s.GetHeight(), s.GetPitch()) <= p.bytes)
                s.GetFormat().m_Kind = kind;
    }

    // A canvas call: besides the lock checks, no byte but the destination's pixels changes.
    template <class F>
    void Drawn(CQVSurface* source, CQVSurface* destination, F&& call)
    {
        Written(source, destination, true, call);
    }

    // Snapshots the memory of both surfaces, makes the call, and requires that only the
    // destination's bytes changed: its pixels for a canvas, its whole span for a converter.
    template <class F>
    void Written(CQVSurface* source, CQVSurface* destination, bool pixelsOnly, F&& call)
    {
        const Placed* d = Find(destination);
        const Placed* s = Find(source);
        CQVSurface* owners[2] = {d ? d->owner : nullptr, s ? s->owner : nullptr};
        if (owners[1] == owners[0])
            owners[1] = nullptr;
        Region writable = RegionOf(d, pixelsOnly);
        for (int i = 0; i < 2; ++i) {
            m_Before[i].clear();
            if (owners[i] && owners[i]->GetByteSize())
                m_Before[i].assign(owners[i]->GetMemory(),
                                   owners[i]->GetMemory() + owners[i]->GetByteSize());
        }
        Checked(source, destination, call);
        for (int i = 0; i < 2; ++i) {
            if (m_Before[i].empty())
                continue;
            const uint8_t* now = owners[i]->GetMemory();
            for (std::size_t k = 0; k < m_Before[i].size(); ++k)
                if (now[k] != m_Before[i][k] && !(i == 0 && writable.Holds(k))) {
                    Note("byte %zu of S%d's memory changed from %d to %d", k, Index(owners[i]),
                         m_Before[i][k], now[k]);
                    Fail("a byte outside the destination surface changed");
                }
        }
    }

    // The bytes of its owner's memory that a call may write into a destination, taken before
    // the call, since a converter changes the destination's format.
    struct Region {
        std::size_t offset = 0, span = 0, pitch = 0, row = 0;
        bool pixelsOnly = false;
        bool Holds(std::size_t k) const
        {
            if (k < offset || k >= offset + span)
                return false;
            return !pixelsOnly || span == row || (k - offset) % pitch < row;
        }
    };

    static Region RegionOf(const Placed* d, bool pixelsOnly)
    {
        Region r;
        if (d == nullptr)
            return r;
        const CQVSurface& s = *d->surface;
        r.offset = d->offset;
        r.span = CQVSurface::SpanBytes(s.GetFormat().m_Kind, s.GetWidth(), s.GetHeight(),
                                       s.GetPitch());
        r.row = r.span ? std::size_t(s.GetWidth()) * Bpp(s) : 0;
        r.pitch = r.span ? std::size_t(std::max(s.GetPitch(), 1)) : 1;
        r.pixelsOnly = pixelsOnly;
        return r;
    }

    // Makes one call with the armed lock failure, then requires: no lock left held, every unlock
    // paired; only `source` locked for reading and `destination` for writing, the source first;
    // unlocks in the reverse order of the locks; a refused lock's exception passed through.
    template <class F>
    void Checked(const CQVSurface* source, const CQVSurface* destination, F&& call)
    {
        uint32_t armed = m_ThrowOnLock;
        m_ThrowOnLock = 0;
        m_Log.clear();
        CQVLockMonitor::ThrowOnLock(armed);
        bool thrown = false;
        try {
            call();
        } catch (const CQVLockError&) {
            thrown = true;
        }
        CQVLockMonitor::ThrowOnLock(0);
        Require(CQVLockMonitor::LocksHeld() == 0, "a surface was left locked");
        Require(CQVLockMonitor::UnpairedUnlocks() == 0, "an unlock had no matching lock");
        const CQVLockEvent* held[2] = {};
        int depth = 0;
        uint32_t locks = 0;
        for (const CQVLockEvent& e : m_Log) {
            if (!e.unlock) {
                ++locks;
                Require(e.surface == (e.write ? destination : source),
                        "a lock on a surface the call does not read or write");
                Require(depth < 2, "more than two locks held at once");
                Require(depth == 0 || (!held[0]->write && e.write),
                        "the destination was locked before the source");
                held[depth++] = &e;
            } else {
                Require(depth > 0 && held[depth - 1]->surface == e.surface &&
                            held[depth - 1]->write == e.write,
                        "unlocks not in the reverse order of the locks");
                --depth;
            }
        }
        Require(depth == 0, "a lock without its unlock");
        if (armed)
            Require(thrown ? locks == armed - 1 : locks < armed,
                    "a refused lock's exception did not pass through");
    }

    CQVFactory* m_Factory;
    Input m_In;
    std::vector<Placed> m_Surfaces;
    std::vector<CQVFactoryObject*> m_Objects;
    std::vector<CQVLockEvent> m_Log;
    std::vector<uint8_t> m_Before[2];
    LinCombSource m_Record = {};
    ColorRecord m_Color = {};
    uint32_t m_ThrowOnLock = 0;
    int m_Registrations = 0;
};

CQVFactory* Factory()
{
    static CQVFactory* factory = [] {
        CQVFactory* f = nullptr;
        jwCreateFactory(&f);
        Require(f != nullptr, "no factory");
        return f;
    }();
    return factory;
}

}  // namespace

void NameSession(const char* name) { g_Name = name; }

void RunSession(const uint8_t* data, std::size_t size)
{
    Session(Factory(), data, size).Run();
}
