// The loaded plug-in's factory: its export, creation by id, and RegisterClasses walking the
// catalogue (order, names, descriptions, type ids, codes, formats), also when allocations fail.
#include <string>
#include <vector>

#include "tests/support/LoadedModule.h"
#include "tests/support/TestHost.h"

namespace {

struct Row {
    uint32_t id;
    const char* name;
    const char* description;
    std::vector<uint32_t> typeIds;
    std::vector<uint32_t> codes;  // empty for converters
    int src;                      // -1 for canvases
    int dst;
};

const Row kRows[] = {
    {124, "Jwx_8_8_8_8AddDrawColorCanvas", "8/8/8/8 add draw color canvas", {100, 125, 141, 124}, {1, 1, 1}, -1, 2},
    {125, "Jwx_8_8_8_8AddFillColorCanvas", "8/8/8/8 add fill color canvas", {100, 125, 141, 125}, {1, 2, 1}, -1, 2},
    {126, "Jwx_8_8_8_8AddFillSurfaceCanvas", "8/8/8/8 add fill surface canvas", {100, 125, 142, 126}, {1, 2, 2}, -1, 2},
    {127, "Jwx_8_8_8_8OpaqueFillSurfaceCanvas", "8/8/8/8 opaque fill surface canvas", {100, 125, 142, 127}, {8, 2, 2}, -1, 2},
    {133, "Jwx_8_8_8_8SurfaceSwapper", "8/8/8/8 swapper", {100, 140, 133}, {}, 2, 2},
    {128, "Jwx_8_8_8_8To_8_8_8SurfaceConverter", "8/8/8/8 to 8/8/8 converter", {100, 140, 128}, {}, 2, 1},
    {129, "Jwx_8_8_8_8To_8SurfaceConverter", "8/8/8/8 to 8 converter", {100, 140, 129}, {}, 2, 0},
    {11134, "Jwx_8_8_8To_8_8_8_8SurfaceConverter", "8/8/8 to 8/8/8/8 converter", {100, 140, 11134}, {}, 1, 2},
    {130, "Jwx_8_8_8LinCombFillSurfaceCanvas", "8/8/8 lincomb fill surface canvas", {100, 125, 142, 130}, {4, 2, 2}, -1, 1},
    {131, "Jwx_8_8_8OpaqueFillSurfaceCanvas", "8/8/8 opaque fill surface canvas", {100, 125, 142, 131}, {8, 2, 2}, -1, 1},
    {132, "Jwx_8_8_8SurfaceSwapper", "8/8/8 swapper", {100, 140, 132}, {}, 1, 1},
    {11133, "Jwx_8_8_8To_8SurfaceConverter", "8/8/8 to 8 converter", {100, 140, 11133}, {}, 1, 0},
    {11135, "Jwx_8PaintBrushFillMaskCanvas", "8 paintbrush mask canvas", {100, 125, 142, 11135}, {10, 2, 2}, -1, 0},
    {11136, "Jwx_8OpaqueFillSurfaceCanvas", "8 opaque fill surface canvas", {100, 125, 142, 11136}, {8, 2, 2}, -1, 0},
    {11137, "Jwx_8To_8_8_8_8MaskConverter", "8 to 8/8/8/8 mask converter", {100, 140, 11137}, {}, 0, 2},
    {11138, "Jwx_8AirBrushFillMaskCanvas", "8 airbrush mask canvas", {100, 125, 142, 11138}, {11, 2, 2}, -1, 0},
};

class FactoryTest : public HostTest {
protected:
    void SetUp() override
    {
        HostTest::SetUp();
        CQVRepository::Clear();
    }
    void TearDown() override
    {
        CQVRepository::RefuseRegistrations(false);
        CQVRepository::Clear();
        HostTest::TearDown();
    }
};

// The entry point hands out a factory of count 1, or null when its allocation fails.
TEST_F(FactoryTest, EntryPointAndCreationGiveCountOneOrNull)
{
    const int64_t live = CQVShareable::LiveAllocations();
    CQVFactory* factory = nullptr;
    EXPECT_TRUE(ModuleEntryPoint()(&factory));
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->GetReferenceCount(), 1);
    EXPECT_EQ(CQVShareable::LiveAllocations(), live + 1);
    EXPECT_EQ(factory->Release(), 0);
    EXPECT_EQ(CQVShareable::LiveAllocations(), live);
    const uint64_t made = CQVShareable::AllocationCount();
    CQVShareable::FailAllocations(0, 1);
    EXPECT_TRUE(ModuleEntryPoint()(&factory));  // factory still holds the released pointer
    EXPECT_EQ(factory, nullptr);
    EXPECT_TRUE(ModuleEntryPoint()(nullptr));
    // Unknown ids and failed allocations give null; neither, nor the empty operation, allocates.
    for (uint32_t id : {0u, 1u, 123u, 134u, 11132u, 11139u, 0xFFFFFFFFu, 124u + (1u << 16)})
        EXPECT_EQ(ModuleFactory()->CreateObject(id), nullptr) << id;
    for (const Row& row : kRows) {
        CQVShareable::FailAllocations(0, 1);
        EXPECT_EQ(ModuleFactory()->CreateObject(row.id), nullptr) << row.id;
    }
    ModuleFactory()->Configure(0);
    ModuleFactory()->Configure(0xFFFFFFFFu);
    EXPECT_EQ(CQVShareable::AllocationCount(), made);
    EXPECT_EQ(ModuleFactory()->GetReferenceCount(), 1);
}

// Entries accept formats by kind only: channel codes of any value are ignored, kinds 3 and above
// always refused. Every id creates an object of count 1, answering the id, with the host base its
// type ids name (140 converter, 141 primitive canvas, 142 transformation canvas), nothing attached.
TEST_F(FactoryTest, RegistersSixteenRowsInOrderAndCreatesEach)
{
    const uint8_t kinds[] = {0, 1, 2, 3, 4, 255};
    ModuleFactory()->RegisterClasses();
    const int64_t live = CQVShareable::LiveAllocations();
    EXPECT_EQ(CQVRepository::RegisterCalls(), 16u);
    ASSERT_EQ(CQVRepository::Count(), 16u);
    for (uint32_t i = 0; i < 16; ++i) {
        const Row& row = kRows[i];
        SCOPED_TRACE(row.name);
        CQVRepositoryEntry* e = CQVRepository::EntryAt(i);
        EXPECT_EQ(CQVRepository::FactoryAt(i), ModuleFactory());
        EXPECT_EQ(e->GetClassID(), row.id);
        EXPECT_STREQ(e->GetName(), row.name);
        EXPECT_STREQ(e->GetDescription(), row.description);
        EXPECT_STREQ(e->GetThird(), "");
        std::vector<uint32_t> typeIds;
        for (uint32_t k = 0; k < e->GetTypeIdCount(); ++k)
            typeIds.push_back(e->GetTypeId(k));
        EXPECT_EQ(typeIds, row.typeIds);
        if (row.codes.empty()) {
            ASSERT_EQ(e->GetKind(), CQVRepositoryEntry::Kind::Converter);
        } else {
            ASSERT_EQ(e->GetKind(), CQVRepositoryEntry::Kind::Canvas);
            auto* c = static_cast<CQVCanvasEntry*>(e);
            EXPECT_EQ((std::vector<uint32_t>{c->GetCode(0), c->GetCode(1), c->GetCode(2)}), row.codes);
        }
        for (uint8_t dk : kinds)
            for (uint8_t sk : kinds) {
                CQVFormat src(sk, 0, 255, 'A', 'A'), dst(dk, 'x', 'y', 'z', uint8_t(dk * 7));
                if (row.src < 0)
                    EXPECT_EQ(static_cast<CQVCanvasEntry*>(e)->AcceptsFormat(dst), dk == row.dst) << int(dk);
                else
                    EXPECT_EQ(static_cast<CQVSurfaceConverterEntry*>(e)->AcceptsFormat(src, dst), sk == row.src && dk == row.dst)
                        << int(sk) << " to " << int(dk);
            }
        for (uint32_t k = i + 1; k < 16; ++k)
            EXPECT_NE(e, CQVRepository::EntryAt(k));
        ObjectPtr<CQVFactoryObject> a(ModuleFactory()->CreateObject(row.id));
        ASSERT_TRUE(a);
        EXPECT_EQ(std::pair(a->GetReferenceCount(), a->GetClassID()), std::pair(uint16_t(1), row.id));
        auto* transform = dynamic_cast<CQVTransformationCanvas*>(a.get());
        EXPECT_EQ(dynamic_cast<CQVSurfaceConverter*>(a.get()) != nullptr, row.typeIds[1] == 140);
        EXPECT_EQ(dynamic_cast<CQVPrimitiveCanvas*>(a.get()) != nullptr, row.typeIds[2] == 141);
        EXPECT_EQ(transform != nullptr, row.typeIds[2] == 142);
        auto* canvas = dynamic_cast<CQVCanvas*>(a.get());
        EXPECT_TRUE(!canvas || !canvas->GetDestination());
        EXPECT_TRUE(!transform || !transform->GetSource());
    }
    EXPECT_EQ(CQVShareable::LiveAllocations(), live);
}

// Every call registers again, each entry keeping its three strings; an entry that cannot be
// allocated is skipped; registrations the host refuses leave nothing behind.
TEST_F(FactoryTest, RegistrationsRepeatSkipFailuresAndLeaveNothingBehind)
{
    int64_t strings = CQVString::LiveCount();
    int64_t live = CQVShareable::LiveAllocations();
    ModuleFactory()->RegisterClasses();
    ModuleFactory()->RegisterClasses();
    EXPECT_EQ(CQVRepository::Count(), 32u);
    EXPECT_EQ(CQVRepository::EntryAt(16)->GetClassID(), 124u);
    EXPECT_NE(CQVRepository::EntryAt(0), CQVRepository::EntryAt(16));
    EXPECT_EQ(CQVString::LiveCount(), strings + 32 * 3);  // each entry keeps its three strings
    EXPECT_EQ(CQVShareable::LiveAllocations(), live + 32);
    CQVRepository::Clear();
    EXPECT_EQ(CQVString::LiveCount(), strings);
    EXPECT_EQ(CQVShareable::LiveAllocations(), live);
    for (uint32_t failed : {0u, 7u, 15u}) {
        CQVRepository::Clear();
        CQVShareable::FailAllocations(failed, 1);
        ModuleFactory()->RegisterClasses();
        ASSERT_EQ(CQVRepository::Count(), 15u) << failed;
        for (uint32_t i = 0; i < 15; ++i)
            EXPECT_EQ(CQVRepository::EntryAt(i)->GetClassID(), kRows[i < failed ? i : i + 1].id) << failed;
    }
    CQVRepository::Clear();
    CQVRepository::RefuseRegistrations(true);
    ModuleFactory()->RegisterClasses();
    EXPECT_EQ(CQVRepository::RegisterCalls(), 16u);
    EXPECT_EQ(CQVRepository::Count(), 0u);
    EXPECT_EQ(CQVShareable::LiveAllocations(), live);
}

}  // namespace
