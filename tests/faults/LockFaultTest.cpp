// Host exceptions inside every operation of every class: the host's Lock throws on the first and
// on the second call; the exception must pass through, every lock taken before it must be
// released in the reverse order, and no object, string or table may be left behind.
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/LoadedModule.h"
#include "tests/support/TestHost.h"

namespace {

enum Family { kConverter, kColour, kSurface };

// Layout letters of the surfaces each class works on, and a converter's target format.
struct Class { uint32_t id; Family family; const char *source, *destination, *target; };
void PrintTo(const Class& c, std::ostream* out) { *out << c.id; }

const Class kClasses[] = {
    {133, kConverter, "BGRA", "RGBA", "RGBA"}, {128, kConverter, "BGRA", "RGB", "BGR"},
    {129, kConverter, "BGRA", "R", "B"},       {11134, kConverter, "BGR", "RGBA", "RGBA"},
    {132, kConverter, "BGR", "RGB", "BGR"},    {11133, kConverter, "BGR", "R", "B"},
    {11137, kConverter, "A", "RGBA", "RGBA"},  {124, kColour, "BGRA", "BGRA", ""},
    {125, kColour, "BGRA", "BGRA", ""},        {126, kSurface, "BGRA", "BGRA", ""},
    {127, kSurface, "BGRA", "BGRA", ""},       {130, kSurface, "BGR", "BGR", ""},
    {131, kSurface, "BGR", "BGR", ""},         {11135, kSurface, "A", "A", ""},
    {11136, kSurface, "A", "A", ""},           {11138, kSurface, "A", "A", ""},
};

// The object and fresh surfaces one run of an operation works on: destination set, colour set,
// source set unless the operation sets it itself.
struct Rig {
    Rig(const Class& c, CQVFactoryObject* o, bool withSource)
        : cls(c), object(o), source(c.source, 8, 6),
          destination(c.destination, c.family ? 12 : 8, c.family ? 10 : 6, c.family ? 3 : 0)  // padded for canvases
    {
        source.Fill(7);
        destination.Fill(9);
        if (auto* canvas = As<CQVCanvas>())
            canvas->SetDestination(&destination.surface);
        if (auto* p = As<CQVPrimitiveCanvas>())
            p->SetColor(&color);
        if (withSource && As<CQVTransformationCanvas>())
            SetSource();
    }
    template <class T>
    T* As() const { return dynamic_cast<T*>(object); }
    CQVPrimitiveCanvas* Primitive() const { return As<CQVPrimitiveCanvas>(); }
    CQVTransformationCanvas* Transformation() const { return As<CQVTransformationCanvas>(); }
    // The weighted-sum canvas takes a record naming the source and its weights.
    void SetSource()
    {
        record = {&source.surface, 0.75f, 0.5f};
        Transformation()->SetSource(cls.id == 130 ? reinterpret_cast<CQVSurface*>(&record) : &source.surface);
    }

    const Class& cls;
    CQVFactoryObject* object;
    TestSurface source, destination;
    LinCombSource record = {};
    ColorRecord color = {0, 0};  // colour 0 changes nothing but must lock all the same
};

// An operation, the family of classes offering it, and the locks it takes (0: none at all; for a
// colour canvas's shape, the fewest).
struct Operation { const char* name; Family family; uint32_t locks; void (*call)(Rig&); };

const Operation kOperations[] = {
    {"Convert", kConverter, 2,
     [](Rig& r) { r.As<CQVSurfaceConverter>()->Convert(&r.source.surface, &r.destination.surface, Format(r.cls.target)); }},
    {"SetColor", kColour, 0, [](Rig& r) { r.Primitive()->SetColor(&r.color); }},
    {"DrawPixel", kColour, 1, [](Rig& r) { r.Primitive()->DrawPixel(3, 4); }},
    {"DrawHorizontalLine", kColour, 1, [](Rig& r) { r.Primitive()->DrawHorizontalLine(1, 5, 9); }},
    {"DrawVerticalLine", kColour, 1, [](Rig& r) { r.Primitive()->DrawVerticalLine(2, 1, 8); }},
    {"DrawRectangle", kColour, 1, [](Rig& r) { r.Primitive()->DrawRectangle(1, 1, 6, 5); }},
    {"DrawCircle", kColour, 2, [](Rig& r) { r.Primitive()->DrawCircle(6, 5, 3); }},
    {"DrawEllipse", kColour, 2, [](Rig& r) { r.Primitive()->DrawEllipse(6, 5, 4, 2); }},
    {"DrawLine", kColour, 2, [](Rig& r) { r.Primitive()->DrawLine(0, 0, 9, 7); }},
    {"SetSource", kSurface, 0, [](Rig& r) { r.SetSource(); }},
    {"Blit", kSurface, 2, [](Rig& r) { r.Transformation()->Blit(-2, -1, 20, 20, 7, 6); }},
    {"TransformBlitBox", kSurface, 2, [](Rig& r) { r.Transformation()->TransformBlit(0, 0, 8, 6, 0, 0, 4, 3); }},
    {"TransformBlitBilinear", kSurface, 2,
     [](Rig& r) { r.Transformation()->TransformBlit(0, 0, 8, 6, 0, 0, 12, 10); }},
    {"TransformBlitUnscaled", kSurface, 2, [](Rig& r) { r.Transformation()->TransformBlit(0, 0, 3, 3, 1, 1, 3, 3); }},
    {"TransformBlitOneAxis", kSurface, 2, [](Rig& r) { r.Transformation()->TransformBlit(0, 0, 3, 4, 0, 0, 3, 2); }},
    // Calls that draw nothing still take their two locks each.
    {"TransformBlitEmpty", kSurface, 8, [](Rig& r) {
         auto* c = r.Transformation();
         c->TransformBlit(0, 0, 3, 3, 0, 0, 0, 3), c->TransformBlit(0, 0, 3, 0, 0, 0, 3, 3);
         c->TransformBlit(8, 0, 3, 3, 0, 0, 3, 3), c->TransformBlit(0, 0, 3, 3, 12, 0, 3, 3);
     }},
};

// Runs the operation without faults (which gives the locks it takes), then with the first and
// with the second lock refused, each time on the same surfaces rebuilt.
void Exercise(const Class& k, const Operation& op, CQVFactoryObject* object)
{
    bool withSource = std::string(op.name) != "SetSource";
    uint32_t locks = 0;
    for (uint32_t n : {0u, 1u, 2u}) {
        SCOPED_TRACE("lock " + std::to_string(n) + " throws");
        Rig rig(k, object, withSource);
        LockLog log;
        CQVLockMonitor::ThrowOnLock(n);
        if (n > 0 && n <= locks)
            EXPECT_THROW(op.call(rig), CQVLockError);
        else
            EXPECT_NO_THROW(op.call(rig));
        CQVLockMonitor::ThrowOnLock(0);
        EXPECT_EQ(CQVLockMonitor::LocksHeld(), 0);
        // The locks before the refused one, the source's first, each released, the latest first.
        std::vector<const CQVLockEvent*> held;
        uint32_t taken = 0;
        for (const CQVLockEvent& e : log.Events())
            if (e.unlock) {
                ASSERT_TRUE(!held.empty() && held.back()->surface == e.surface && held.back()->write == e.write);
                held.pop_back();
            } else {
                ++taken;
                EXPECT_EQ(e.surface, e.write ? &rig.destination.surface : &rig.source.surface);
                EXPECT_TRUE(held.empty() || (!held.back()->write && e.write)) << "the destination was locked first";
                held.push_back(&e);
            }
        EXPECT_TRUE(held.empty());
        if (n == 0)
            locks = taken;
        EXPECT_EQ(taken, n > 0 && n <= locks ? n - 1 : locks);
    }
    if (op.locks == 0 || op.family != kColour)
        EXPECT_EQ(locks, op.locks) << "0: an operation without pixels took a lock";
    else
        EXPECT_GE(locks, op.locks);
}

class LockFaultTest : public HostTest, public ::testing::WithParamInterface<Class> {};

TEST_P(LockFaultTest, EveryOperationPassesARefusedLockThroughAndReleasesInOrder)
{
    int64_t objects = CQVShareable::LiveAllocations(), strings = CQVString::LiveCount();
    for (const Operation& op : kOperations) {
        if (op.family != GetParam().family)
            continue;
        SCOPED_TRACE(op.name);
        ObjectPtr<CQVFactoryObject> object(ModuleFactory()->CreateObject(GetParam().id));
        ASSERT_TRUE(object);
        Exercise(GetParam(), op, object.get());
    }
    EXPECT_EQ(CQVShareable::LiveAllocations(), objects) << "an object was left behind";
    EXPECT_EQ(CQVString::LiveCount(), strings) << "a string was left behind";
}

INSTANTIATE_TEST_SUITE_P(EveryClass, LockFaultTest, ::testing::ValuesIn(kClasses),
                         [](const ::testing::TestParamInfo<Class>& info) { return std::to_string(info.param.id); });

}  // namespace
