// The installed constants header against Catalogue.def, row by row (a renamed class fails to
// build), and its type ids against the entries the loaded module registers.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "LoadedModule.h"
#include "QVGFX_BasicsClasses.h"

using namespace qvgfx_basics;

#define JWX_ROW(id, Cls, desc, base, src, dst, op, df, cs) \
    {classes::Cls == id ? id : 0, #Cls, Base::base, src, dst, op, df, cs},
static constexpr ClassInfo kCatalogueRows[] = {
#include "Catalogue.def"
};
#undef JWX_ROW

static auto Fields(const ClassInfo& c)
{
    return std::tuple(c.id, std::string(c.name), int(c.base), c.sourceKind, c.destinationKind,
                      c.operation, c.drawOrFill, c.colorOrSurface);
}

TEST(ClassesHeader, AgreesWithTheCatalogueAndTheRegisteredTypeIds)
{
    ASSERT_EQ(std::size(kClasses), std::size(kCatalogueRows));
    CQVRepository::Clear();
    ModuleFactory()->RegisterClasses();
    for (uint32_t i = 0; i < std::size(kClasses); ++i) {
        const ClassInfo& c = kClasses[i];
        EXPECT_EQ(Fields(c), Fields(kCatalogueRows[i])) << "row " << i;
        const bool converter = c.base == Base::Converter;
        std::vector<uint32_t> want = {kTypeFactoryObject, converter ? kTypeSurfaceConverter : kTypeCanvas}, got;
        if (!converter)
            want.push_back(c.base == Base::Primitive ? kTypePrimitiveCanvas : kTypeTransformationCanvas);
        want.push_back(c.id);
        for (uint32_t j = 0; j < CQVRepository::EntryAt(i)->GetTypeIdCount(); ++j)
            got.push_back(CQVRepository::EntryAt(i)->GetTypeId(j));
        EXPECT_EQ(got, want) << c.name;
    }
    CQVRepository::Clear();
}
