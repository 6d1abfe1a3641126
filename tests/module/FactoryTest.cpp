// The loaded plug-in's export and factory: reference counts, creation by id, allocation failure.
#include <cstring>
#include <set>

#include "LoadedModule.h"
#include "TestHost.h"

namespace {

const uint32_t kIds[] = {124, 125, 126, 127, 133, 128, 129, 11134,
                         130, 131, 132, 11133, 11135, 11136, 11137, 11138};

using FactoryTest = HostTest;

TEST_F(FactoryTest, CreateFactoryHandsOutCountOne)
{
    int64_t live = CQVShareable::LiveAllocations();
    CQVFactory* factory = nullptr;
    EXPECT_TRUE(ModuleEntryPoint()(&factory));
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->GetReferenceCount(), 1);
    EXPECT_EQ(CQVShareable::LiveAllocations(), live + 1);
    EXPECT_EQ(factory->Release(), 0);
    EXPECT_EQ(CQVShareable::LiveAllocations(), live);
}

TEST_F(FactoryTest, FailedFactoryAllocationGivesNullAndTrue)
{
    CQVFactory* factory = reinterpret_cast<CQVFactory*>(&factory);
    uint64_t made = CQVShareable::AllocationCount();
    CQVShareable::FailAllocations(0, 1);
    EXPECT_TRUE(ModuleEntryPoint()(&factory));
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(CQVShareable::AllocationCount(), made);
    EXPECT_TRUE(ModuleEntryPoint()(nullptr));
    EXPECT_EQ(CQVShareable::AllocationCount(), made);
}

TEST_F(FactoryTest, EveryIdCreatesDistinctObjectsAnsweringItsId)
{
    int64_t live = CQVShareable::LiveAllocations();
    for (uint32_t id : kIds) {
        SCOPED_TRACE(id);
        CQVFactoryObject* a = ModuleFactory()->CreateObject(id);
        CQVFactoryObject* b = ModuleFactory()->CreateObject(id);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_NE(a, b);
        EXPECT_EQ(a->GetReferenceCount(), 1);
        EXPECT_EQ(b->GetReferenceCount(), 1);
        EXPECT_EQ(a->GetClassID(), id);
        EXPECT_EQ(b->GetClassID(), id);
        EXPECT_EQ(a->Release(), 0);
        EXPECT_EQ(b->Release(), 0);
    }
    EXPECT_EQ(CQVShareable::LiveAllocations(), live);
}

TEST_F(FactoryTest, ObjectsHaveTheirHostBasesAndEmptyCanvasState)
{
    std::set<uint32_t> converters = {133, 128, 129, 11134, 132, 11133, 11137};
    std::set<uint32_t> primitive = {124, 125};
    for (uint32_t id : kIds) {
        SCOPED_TRACE(id);
        ObjectPtr<CQVFactoryObject> o(ModuleFactory()->CreateObject(id));
        auto* canvas = dynamic_cast<CQVCanvas*>(o.get());
        EXPECT_EQ(dynamic_cast<CQVSurfaceConverter*>(o.get()) != nullptr, converters.count(id) == 1);
        EXPECT_EQ(dynamic_cast<CQVPrimitiveCanvas*>(o.get()) != nullptr, primitive.count(id) == 1);
        auto* transform = dynamic_cast<CQVTransformationCanvas*>(o.get());
        EXPECT_EQ(transform != nullptr, converters.count(id) + primitive.count(id) == 0);
        if (canvas) {
            EXPECT_EQ(canvas->GetDestination(), nullptr);
        }
        if (transform) {
            EXPECT_EQ(transform->GetSource(), nullptr);
        }
    }
}

TEST_F(FactoryTest, UnknownIdsAllocateNothing)
{
    uint64_t made = CQVShareable::AllocationCount();
    for (uint32_t id : {0u, 1u, 123u, 134u, 11132u, 11139u, 0xFFFFFFFFu, 124u + (1u << 16)})
        EXPECT_EQ(ModuleFactory()->CreateObject(id), nullptr) << id;
    EXPECT_EQ(CQVShareable::AllocationCount(), made);
}

TEST_F(FactoryTest, FailedObjectAllocationGivesNull)
{
    for (uint32_t id : kIds) {
        uint64_t made = CQVShareable::AllocationCount();
        CQVShareable::FailAllocations(0, 1);
        EXPECT_EQ(ModuleFactory()->CreateObject(id), nullptr) << id;
        EXPECT_EQ(CQVShareable::AllocationCount(), made);
    }
}

TEST_F(FactoryTest, ConfigureDoesNothing)
{
    uint64_t made = CQVShareable::AllocationCount();
    ModuleFactory()->Configure(0);
    ModuleFactory()->Configure(0xFFFFFFFFu);
    EXPECT_EQ(CQVShareable::AllocationCount(), made);
    EXPECT_EQ(ModuleFactory()->GetReferenceCount(), 1);
}

}  // namespace
