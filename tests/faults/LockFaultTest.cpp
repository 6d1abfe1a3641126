// Host exceptions inside every operation of every class: the host's Lock throws on the first and
// on the second call; the exception must pass through, every lock taken before it must be
// released in the reverse order, and no object, string or table may be left behind.
#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "LoadedModule.h"
#include "TestHost.h"

namespace {

enum class Family { Converter, Colour, Surface };

// The surfaces and the object one operation runs on; made afresh for every run.
struct Rig {
    std::unique_ptr<TestSurface> source;
    std::unique_ptr<TestSurface> destination;
    CQVFactoryObject* object = nullptr;
    LinCombSource record = {};
    ColorRecord color = {0, 0x40302010u};
};

struct Case {
    std::string name;
    uint32_t id;
    Family family;
    uint32_t minLocks;  // what the operation takes once the class draws
    std::function<void(Rig&)> call;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

// Layout letters per class: source, destination.
struct Layouts {
    const char* source;
    const char* destination;
};

Layouts LayoutsOf(uint32_t id)
{
    switch (id) {
    case 133: return {"BGRA", "RGBA"};
    case 128: return {"BGRA", "RGB"};
    case 129: return {"BGRA", "R"};
    case 11134: return {"BGR", "RGBA"};
    case 132: return {"BGR", "RGB"};
    case 11133: return {"BGR", "R"};
    case 11137: return {"A", "RGBA"};
    case 124: case 125: case 126: case 127: return {"BGRA", "BGRA"};
    case 130: case 131: return {"BGR", "BGR"};
    default: return {"A", "A"};
    }
}

void Build(Rig& rig, const Case& c, bool withSource)
{
    Layouts l = LayoutsOf(c.id);
    bool converter = c.family == Family::Converter;
    rig.source = std::make_unique<TestSurface>(l.source, converter ? 5 : 8, converter ? 4 : 6, 0);
    rig.destination = std::make_unique<TestSurface>(l.destination, converter ? 5 : 12,
                                                    converter ? 4 : 10, converter ? 0 : 3);
    rig.source->Fill(7);
    rig.destination->Fill(9);
    if (auto* canvas = dynamic_cast<CQVCanvas*>(rig.object))
        canvas->SetDestination(&rig.destination->surface);
    if (auto* p = dynamic_cast<CQVPrimitiveCanvas*>(rig.object))
        p->SetColor(&rig.color);
    auto* t = dynamic_cast<CQVTransformationCanvas*>(rig.object);
    if (t && withSource) {
        rig.record = {&rig.source->surface, 0.75f, 0.5f};
        t->SetSource(c.id == 130 ? reinterpret_cast<CQVSurface*>(&rig.record) : &rig.source->surface);
    }
}

std::vector<Case> AllCases()
{
    std::vector<Case> cases;
    auto add = [&](const char* name, uint32_t id, Family f, uint32_t minLocks,
                   std::function<void(Rig&)> call) {
        cases.push_back({std::string(name) + "_" + std::to_string(id), id, f, minLocks, call});
    };
    for (uint32_t id : {133u, 128u, 129u, 11134u, 132u, 11133u, 11137u}) {
        auto conv = [](Rig& r) { return dynamic_cast<CQVSurfaceConverter*>(r.object); };
        add("Convert", id, Family::Converter, 2, [conv, id](Rig& r) {
            CQVFormat target = Format(LayoutsOf(id).destination == std::string("R") ? "B"
                                      : LayoutsOf(id).destination == std::string("RGB") ? "BGR"
                                                                                         : "RGBA");
            conv(r)->Convert(&r.source->surface, &r.destination->surface, target);
        });
        add("ConvertToOwnFormat", id, Family::Converter, 2, [conv](Rig& r) {
            conv(r)->Convert(&r.source->surface, &r.destination->surface,
                             r.destination->surface.GetFormat());
        });
    }
    for (uint32_t id : {124u, 125u}) {
        auto p = [](Rig& r) { return dynamic_cast<CQVPrimitiveCanvas*>(r.object); };
        add("SetColor", id, Family::Colour, 0, [p](Rig& r) { p(r)->SetColor(&r.color); });
        add("DrawPixel", id, Family::Colour, 1, [p](Rig& r) { p(r)->DrawPixel(3, 4); });
        add("DrawHorizontalLine", id, Family::Colour, 1, [p](Rig& r) { p(r)->DrawHorizontalLine(1, 5, 9); });
        add("DrawVerticalLine", id, Family::Colour, 1, [p](Rig& r) { p(r)->DrawVerticalLine(2, 1, 8); });
        add("DrawRectangle", id, Family::Colour, 1, [p](Rig& r) { p(r)->DrawRectangle(1, 1, 6, 5); });
        add("DrawCircle", id, Family::Colour, 2, [p](Rig& r) { p(r)->DrawCircle(6, 5, 3); });
        add("DrawEllipse", id, Family::Colour, 2, [p](Rig& r) { p(r)->DrawEllipse(6, 5, 4, 2); });
        add("DrawLine", id, Family::Colour, 2, [p](Rig& r) { p(r)->DrawLine(0, 0, 9, 7); });
    }
    for (uint32_t id : {126u, 127u, 130u, 131u, 11135u, 11136u, 11138u}) {
        auto t = [](Rig& r) { return dynamic_cast<CQVTransformationCanvas*>(r.object); };
        add("SetSource", id, Family::Surface, 0, [t, id](Rig& r) {
            r.record = {&r.source->surface, 0.5f, 0.5f};
            t(r)->SetSource(id == 130 ? reinterpret_cast<CQVSurface*>(&r.record) : &r.source->surface);
        });
        add("Blit", id, Family::Surface, 2, [t](Rig& r) { t(r)->Blit(0, 0, 8, 6, 2, 2); });
        add("BlitClipped", id, Family::Surface, 2, [t](Rig& r) { t(r)->Blit(-2, -1, 20, 20, 7, 6); });
        add("TransformBlitUnscaled", id, Family::Surface, 2,
            [t](Rig& r) { t(r)->TransformBlit(0, 0, 8, 6, 1, 1, 8, 6); });
        add("TransformBlitBox", id, Family::Surface, 2,
            [t](Rig& r) { t(r)->TransformBlit(0, 0, 8, 6, 0, 0, 4, 3); });
        add("TransformBlitBilinear", id, Family::Surface, 2,
            [t](Rig& r) { t(r)->TransformBlit(0, 0, 8, 6, 0, 0, 12, 10); });
        add("TransformBlitNegativeSize", id, Family::Surface, 2,
            [t](Rig& r) { t(r)->TransformBlit(0, 0, 8, 6, 0, 0, -1, 5); });
    }
    return cases;
}

// What the host must see when the n-th lock of a run that took `full` throws: the events before
// that lock, then the unlocks of the locks still held, latest first.
std::vector<CQVLockEvent> Interrupted(const std::vector<CQVLockEvent>& full, uint32_t n)
{
    std::vector<CQVLockEvent> seen, held;
    uint32_t locks = 0;
    for (const CQVLockEvent& e : full) {
        if (!e.unlock && ++locks == n)
            break;
        seen.push_back(e);
        if (e.unlock)
            held.pop_back();
        else
            held.push_back(e);
    }
    for (auto e = held.rbegin(); e != held.rend(); ++e)
        seen.push_back({e->surface, true, e->write});
    return seen;
}

void Exercise(const Case& c, CQVFactoryObject* object)
{
    bool withSource = c.name.rfind("SetSource", 0) != 0;

    // A run without faults gives the locks the operation takes, with the same surfaces rebuilt.
    std::vector<CQVLockEvent> full;
    {
        Rig rig;
        rig.object = object;
        Build(rig, c, withSource);
        LockLog log;
        c.call(rig);
        full = log.Events();
    }
    uint32_t locks = 0;
    for (const CQVLockEvent& e : full)
        locks += !e.unlock;
    if (c.minLocks == 0)
        EXPECT_EQ(locks, 0u) << "an operation without pixels took a lock";
    else if (locks == 0)
        GTEST_SKIP() << "the class takes no lock here yet";
    else
        EXPECT_GE(locks, c.minLocks);

    for (uint32_t n : {1u, 2u}) {
        SCOPED_TRACE("lock " + std::to_string(n) + " throws");
        Rig rig;
        rig.object = object;
        Build(rig, c, withSource);
        LockLog log;
        CQVLockMonitor::ThrowOnLock(n);
        if (n <= locks)
            EXPECT_THROW(c.call(rig), CQVLockError);
        else
            EXPECT_NO_THROW(c.call(rig));
        CQVLockMonitor::ThrowOnLock(0);
        EXPECT_EQ(CQVLockMonitor::LocksHeld(), 0);
        // The rebuilt surfaces live at new addresses: events are compared by their role.
        std::vector<CQVLockEvent> expected = Interrupted(full, n);
        ASSERT_EQ(log.Events().size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const CQVLockEvent& e = log.Events()[i];
            EXPECT_EQ(e.unlock, expected[i].unlock) << "event " << i;
            EXPECT_EQ(e.write, expected[i].write) << "event " << i;
            EXPECT_EQ(e.surface, e.write ? &rig.destination->surface : &rig.source->surface)
                << "event " << i;
        }
    }
}

class LockFaultTest : public HostTest, public ::testing::WithParamInterface<Case> {};

TEST_P(LockFaultTest, RefusedLockPassesThroughAndReleasesInOrder)
{
    int64_t objects = CQVShareable::LiveAllocations();
    int64_t strings = CQVString::LiveCount();
    {
        ObjectPtr<CQVFactoryObject> object(ModuleFactory()->CreateObject(GetParam().id));
        ASSERT_TRUE(object);
        Exercise(GetParam(), object.get());
    }
    EXPECT_EQ(CQVShareable::LiveAllocations(), objects) << "an object was left behind";
    EXPECT_EQ(CQVString::LiveCount(), strings) << "a string was left behind";
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, LockFaultTest, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
