// A hostile host session over the module's factory and all sixteen classes.
//
// The input is read front to back: surfaces of every layout (and of kinds no layout has), sizes
// from negative to the 32-bit limits, pitches with padding, surfaces sharing pixels with another
// one, then a run of calls with arbitrary 32-bit arguments, arbitrary weights and null pointers.
// Owned pixels are allocated to their exact size, so AddressSanitizer sees any stray byte; bytes
// of a shared buffer that lie outside the written surface are compared before and after.
#include "tests/fuzz/Session.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "host/QVGFX.h"
#include "module/QVGFX_Basics.h"

namespace {

using Int = std::numeric_limits<int32_t>;
const uint32_t kClassIds[] = {124, 125, 126, 127, 133, 128, 129, 11134,
                              130, 131, 132, 11133, 11135, 11136, 11137, 11138};
constexpr uint32_t kLinCombId = 130;
constexpr std::size_t kMaxSurfaces = 8, kMaxObjects = 6;
constexpr int kMaxCalls = 256;
constexpr int32_t kMaxSide = 64;

const char* g_Name = nullptr;

void Require(bool ok, const char* what)
{
    if (ok)
        return;
    std::fprintf(stderr, "hostile session%s%s: %s\n", g_Name ? " " : "", g_Name ? g_Name : "", what);
    std::abort();
}

template <class T, std::size_t N>
T Of(const T (&table)[N], uint8_t s) { return table[s % N]; }

std::size_t Span(const CQVSurface& s)
{
    return CQVSurface::SpanBytes(s.GetFormat().m_Kind, s.GetWidth(), s.GetHeight(), s.GetPitch());
}

// Reads the input front to back; past its end every read gives zero.
class Input {
public:
    Input(const uint8_t* data, std::size_t size) : m_Data(data), m_Left(size) {}

    bool Empty() const { return m_Left == 0; }
    uint8_t Byte() { return m_Left ? (--m_Left, *m_Data++) : 0; }
    uint32_t Word() { uint32_t w = Byte(); for (int i = 0; i < 3; ++i) w = w << 8 | Byte(); return w; }
    bool OneIn(uint8_t n) { return Byte() % n == 0; }

    // Any 32-bit value, mostly around the surfaces, often a limit.
    int32_t Arg()
    {
        static const int32_t kLimits[] = {Int::min(), Int::min() + 1, -(1 << 29), -65536, -32769, -32768,
                                          -4097, -65, -1, 0, 1, 2, 63, 64, 65, 32767, 32768, 65535, 65536,
                                          1 << 29, Int::max() - 1, Int::max()};
        uint8_t s = Byte();
        return s < 160 ? int32_t(s % 84) - 10 : s < 232 ? Of(kLimits, s) : int32_t(Word());
    }

    // A radius or a line's extent: the shapes hand every point to a writer, so their size is
    // bounded to keep one call short; where they lie is not.
    int32_t Extent() { uint8_t s = Byte(); return s < 208 ? int32_t(s % 80) - 8 : int32_t(Word() % 8193) - 4096; }

    // A surface side: small, or one of the odd values (kept only when the surface is empty).
    int32_t Side()
    {
        static const int32_t kOdd[] = {-1, -2, -64, Int::min(), Int::max(), 65536, -65536, 46341, -46341, 1 << 20};
        uint8_t s = Byte();
        return s < 208 ? s % 66 : Of(kOdd, s);
    }

    float Weight()
    {
        using F = std::numeric_limits<float>;
        static const float kOdd[] = {0.0f, 0.5f, 1.0f, 1.5f, -0.1f, -1.0f, F::quiet_NaN(), F::infinity(),
                                     -F::infinity(), 1e30f, -1e30f, FLT_MAX, -FLT_MAX, 1e-45f, 255.0f,
                                     3e9f, -3e9f, 4.2e16f};
        uint8_t s = Byte();
        return s < 128 ? float(s) / 100.0f : s < 240 ? Of(kOdd, s) : std::bit_cast<float>(Word());
    }

    // A kind, mostly one of the three layouts, and codes, mostly colour letters.
    CQVFormat Format()
    {
        CQVFormat f;
        uint8_t k = Byte();
        f.m_Kind = k < 240 ? k % 3 : (k & 1 ? 3 : 255);
        uint8_t how = Byte();
        if (how < 96) {  // a reordering of the four letters
            std::memcpy(f.m_Codes, "RGBA", 4);
            for (int i = 3; i > 0; --i)
                std::swap(f.m_Codes[i], f.m_Codes[how % (i + 1)]);
        } else {  // through a local array: GCC 12 at -O3 misreads the loop over the member
            uint8_t codes[4];
            for (uint8_t& c : codes)
                c = Letter(Byte());
            std::memcpy(f.m_Codes, codes, 4);
        }
        return f;
    }

private:
    static uint8_t Letter(uint8_t b) { return b < 224 ? uint8_t("RGBA"[b % 4]) : b; }
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

class Session {
public:
    Session(CQVFactory* factory, const uint8_t* data, std::size_t size) : m_Factory(factory), m_In(data, size) {}

    void Run()
    {
        int64_t objects = CQVShareable::LiveAllocations(), strings = CQVString::LiveCount();
        CQVLockMonitor::Record(&m_Log);
        AddSurface();
        for (int calls = 0; calls < kMaxCalls && !m_In.Empty(); ++calls)
            Step();
        for (CQVFactoryObject* o : m_Objects)
            Drop(o);
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
        case 10: case 11: Draw(false); break;
        case 12: Draw(true); break;
        case 13: case 14: Transfer(6); break;
        case 15: case 16: Transfer(8); break;
        case 17: case 18: Convert(); break;
        case 20: m_ThrowOnLock = 1 + m_In.Byte() % 3; break;
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
        int32_t w = m_In.Side(), h = m_In.Side(), pitch;
        if (w > 0 && h > 0) {
            w = std::min(w, kMaxSide), h = std::min(h, kMaxSide);
            pitch = w * b + (m_In.OneIn(3) ? m_In.Byte() % 48 : 0);
        } else {
            pitch = m_In.Arg();
        }
        uint8_t share = m_In.Byte();
        if (share < 80 && !m_Surfaces.empty()) {
            const Placed& base = m_Surfaces[m_In.Byte() % m_Surfaces.size()];
            if (base.owner->GetByteSize() > 0)
                return AddView(base, f, w, h, pitch, share < 32);
        }
        auto s = std::make_unique<CQVSurface>(f, w, h, pitch);
        s->SetOpacity(m_In.Byte());
        Fill(*s, m_In.Byte());
        Add(std::move(s), nullptr, 0);
    }

    // A second surface over pixels that another one owns: its twin (same shape and place, for
    // in-place work), or a shape of its own placed at the start or the end of the memory.
    void AddView(const Placed& base, CQVFormat f, int32_t w, int32_t h, int32_t pitch, bool twin)
    {
        std::size_t bytes = base.owner->GetByteSize(), offset = base.offset;
        if (twin) {
            const CQVSurface& s = *base.surface;
            f.m_Kind = s.GetFormat().m_Kind;
            w = s.GetWidth(), h = s.GetHeight(), pitch = s.GetPitch();
        } else {
            std::size_t b = CQVFormat::m_Size[f.m_Kind];
            if (w > 0 && h > 0 && b > 0) {
                if (std::size_t(w) * b > bytes)
                    w = int32_t(bytes / b), h = 1, pitch = int32_t(w * b);
                else
                    h = int32_t(std::min<std::size_t>(h, 1 + (bytes - w * b) / pitch));
            }
            std::size_t span = CQVSurface::SpanBytes(f.m_Kind, w, h, pitch);
            if (span > bytes)
                return;
            offset = m_In.OneIn(2) ? 0 : bytes - span;
        }
        auto s = std::make_unique<CQVSurface>(f, w, h, pitch, base.owner->GetMemory() + offset);
        s->SetOpacity(m_In.Byte());
        Add(std::move(s), base.owner, offset);
    }

    // Keeps a new surface; a null owner means it owns its pixels.
    void Add(std::unique_ptr<CQVSurface> s, CQVSurface* owner, std::size_t offset)
    {
        CQVSurface* o = owner ? owner : s.get();
        std::size_t bytes = s->GetByteSize();
        m_Surfaces.push_back({std::move(s), o, offset, bytes});
    }

    static void Fill(CQVSurface& s, uint8_t seed)
    {
        uint32_t x = seed * 2654435761u + 1;
        for (std::size_t i = 0; i < s.GetByteSize(); ++i) {
            x = x * 1664525u + 1013904223u;
            s.GetMemory()[i] = uint8_t(x >> 24);
        }
    }

    // Null now and then, otherwise any surface of the session.
    CQVSurface* PickSurface() { uint8_t s = m_In.Byte(); return s < 20 ? nullptr : m_Surfaces[s % m_Surfaces.size()].surface.get(); }

    const Placed* Find(const CQVSurface* s) const
    {
        for (const Placed& p : m_Surfaces)
            if (p.surface.get() == s)
                return &p;
        return nullptr;
    }

    // ---- Objects

    static void Drop(CQVFactoryObject* o) { Require(o->Release() == 0, "an object carried a reference the host did not give it"); }

    void CreateObject()
    {
        uint8_t s = m_In.Byte();
        uint32_t id = s < 224 ? kClassIds[s % 16] : m_In.Word();  // now and then an unknown one
        bool failing = m_In.OneIn(8);
        uint64_t made = CQVShareable::AllocationCount();
        CQVShareable::FailAllocations(0, failing);
        CQVFactoryObject* o = nullptr;
        Checked(nullptr, nullptr, [&] { o = m_Factory->CreateObject(id); });
        CQVShareable::FailAllocations(0, 0);
        if (failing || std::find(std::begin(kClassIds), std::end(kClassIds), id) == std::end(kClassIds)) {
            Require(o == nullptr, "an unknown id or a failed allocation still gave an object");
            Require(CQVShareable::AllocationCount() == made, "an unknown id allocated something");
            return;
        }
        Require(o != nullptr, "a known id gave no object");
        Require(o->GetClassID() == id, "an object answers another class id");
        Require(o->GetReferenceCount() == 1, "a new object's reference count is not 1");
        m_Objects.size() < kMaxObjects ? m_Objects.push_back(o) : Drop(o);
    }

    void ReleaseObject()
    {
        if (m_Objects.empty())
            return;
        std::size_t i = m_In.Byte() % m_Objects.size();
        Drop(m_Objects[i]);
        m_Objects.erase(m_Objects.begin() + i);
    }

    template <class T>
    T* Pick()
    {
        return m_Objects.empty() ? nullptr : dynamic_cast<T*>(m_Objects[m_In.Byte() % m_Objects.size()]);
    }

    // ---- Canvas state

    void SetDestination()
    {
        CQVSurface* d = PickSurface();
        if (auto* c = Pick<CQVCanvas>())
            Checked(nullptr, nullptr, [&] { c->SetDestination(d); });
    }

    void SetClip()
    {
        int32_t l = m_In.Arg(), t = m_In.Arg(), r = m_In.Arg(), b = m_In.Arg();
        if (auto* c = Pick<CQVCanvas>())
            c->SetClip(l, t, r, b);
    }

    void SetSource()
    {
        CQVSurface* s = PickSurface();
        bool null = m_In.OneIn(10);
        m_Record.surface = s;
        m_Record.sourceWeight = m_In.Weight(), m_Record.destinationWeight = m_In.Weight();
        auto* c = Pick<CQVTransformationCanvas>();
        if (c == nullptr)
            return;
        // The weighted-sum canvas takes the address of a record where the others take a surface.
        bool record = c->GetClassID() == kLinCombId;
        CQVSurface* argument = null ? nullptr : record ? reinterpret_cast<CQVSurface*>(&m_Record) : s;
        bool ok = false;
        Checked(nullptr, nullptr, [&] { ok = c->SetSource(argument); });
        // What the weighted-sum canvas answers for a null record is its own choice.
        Require(ok || (null && record), "SetSource returned false");
    }

    void SetColor()
    {
        m_Color.reserved = m_In.Word(), m_Color.color = m_In.Word();
        bool null = m_In.OneIn(10);
        if (auto* c = Pick<CQVPrimitiveCanvas>()) {
            bool ok = false;
            Checked(nullptr, nullptr, [&] { ok = c->SetColor(null ? nullptr : &m_Color); });
            Require(ok, "SetColor returned false");
        }
    }

    // ---- Drawing

    // The writer's four calls take four arguments, the shapes a centre or start and two extents;
    // a line's far end is its start moved by the extents, kept inside the 32-bit range.
    void Draw(bool shape)
    {
        uint8_t which = shape ? 4 + m_In.Byte() % 3 : m_In.Byte() % 4;
        int32_t a = m_In.Arg(), b = m_In.Arg();
        int32_t c = shape ? m_In.Extent() : m_In.Arg(), d = shape ? m_In.Extent() : m_In.Arg();
        auto* p = Pick<CQVPrimitiveCanvas>();
        if (p == nullptr)
            return;
        auto moved = [](int32_t v, int32_t by) { return int32_t(std::clamp<int64_t>(int64_t(v) + by, Int::min(), Int::max())); };
        if (which == 6)
            c = moved(a, c), d = moved(b, d);
        Written(nullptr, p->GetDestination(), true, [&] {
            switch (which) {
            case 0: p->DrawPixel(a, b); break;
            case 1: p->DrawHorizontalLine(a, b, c); break;
            case 2: p->DrawVerticalLine(a, b, c); break;
            case 3: p->DrawRectangle(a, b, c, d); break;
            case 4: p->DrawCircle(a, b, c); break;
            case 5: p->DrawEllipse(a, b, c, d); break;
            default: p->DrawLine(a, b, c, d); break;
            }
        });
    }

    // Blit with 6 arguments, TransformBlit with 8.
    void Transfer(int n)
    {
        int32_t a[8] = {};
        for (int i = 0; i < n; ++i)
            a[i] = m_In.Arg();
        auto* c = Pick<CQVTransformationCanvas>();
        if (c == nullptr)
            return;
        Written(c->GetSource(), c->GetDestination(), true, [&] {
            if (n == 6)
                c->Blit(a[0], a[1], a[2], a[3], a[4], a[5]);
            else
                c->TransformBlit(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]);
        });
    }

    void Convert()
    {
        CQVSurface *s = PickSurface(), *d = PickSurface();
        CQVFormat own = m_In.Format();
        uint8_t which = m_In.Byte() % 4;
        const CQVFormat* target = which == 1 && d ? &d->GetFormat() : which == 2 && s ? &s->GetFormat() : &own;
        auto* c = Pick<CQVSurfaceConverter>();
        if (c == nullptr)
            return;
        Written(s, d, false, [&] { c->Convert(s, d, *target); });
        // The destination takes the target format, which must not claim more bytes than its memory
        // holds, or every later user of the surface overruns it.
        Require(!d || Span(*d) <= Find(d)->bytes, "a converter gave its destination a format that its pixels cannot hold");
    }

    // ---- Checks

    // Snapshots the memory behind both surfaces, makes the call, and requires that only the
    // destination's bytes changed: its pixels for a canvas, its whole span for a converter
    // (worked out before the call, since a converter changes the destination's format).
    template <class F>
    void Written(CQVSurface* source, CQVSurface* destination, bool pixelsOnly, F&& call)
    {
        const Placed* d = Find(destination);
        const Placed* s = Find(source);
        CQVSurface* owners[2] = {d ? d->owner : nullptr, s && (!d || s->owner != d->owner) ? s->owner : nullptr};
        std::size_t offset = d ? d->offset : 0, span = d ? Span(*d->surface) : 0, row = 0, pitch = 1;
        if (span) {
            row = std::size_t(d->surface->GetWidth()) * CQVFormat::m_Size[d->surface->GetFormat().m_Kind];
            pitch = std::size_t(std::max(d->surface->GetPitch(), 1));
        }
        auto writable = [&](std::size_t k) {
            return k >= offset && k < offset + span && (!pixelsOnly || span == row || (k - offset) % pitch < row);
        };
        for (int i = 0; i < 2; ++i) {
            m_Before[i].clear();
            if (owners[i] && owners[i]->GetByteSize())
                m_Before[i].assign(owners[i]->GetMemory(), owners[i]->GetMemory() + owners[i]->GetByteSize());
        }
        Checked(source, destination, call);
        for (int i = 0; i < 2; ++i)
            for (std::size_t k = 0; k < m_Before[i].size(); ++k)
                Require(owners[i]->GetMemory()[k] == m_Before[i][k] || (i == 0 && writable(k)),
                        "a byte outside the destination surface changed");
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
            if (e.unlock) {
                Require(depth > 0 && held[depth - 1]->surface == e.surface && held[depth - 1]->write == e.write,
                        "unlocks not in the reverse order of the locks");
                --depth;
                continue;
            }
            ++locks;
            Require(e.surface == (e.write ? destination : source), "a lock on a surface the call does not read or write");
            Require(depth < 2, "more than two locks held at once");
            Require(depth == 0 || (!held[0]->write && e.write), "the destination was locked before the source");
            held[depth++] = &e;
        }
        Require(depth == 0, "a lock without its unlock");
        Require(!armed || (thrown ? locks == armed - 1 : locks < armed), "a refused lock's exception did not pass through");
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
};

}  // namespace

void NameSession(const char* name) { g_Name = name; }

void RunSession(const uint8_t* data, std::size_t size)
{
    static CQVFactory* factory = [] {
        CQVFactory* f = nullptr;
        jwCreateFactory(&f);
        Require(f != nullptr, "no factory");
        return f;
    }();
    Session(factory, data, size).Run();
}
