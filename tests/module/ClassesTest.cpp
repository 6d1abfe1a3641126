// The installed constants header against Catalogue.def, row by row (a renamed class fails to
// build); FactoryTest checks the registered entries' type ids against its own table.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "module/QVGFX_BasicsClasses.h"

using namespace qvgfx_basics;

#define JWX_ROW(id, Cls, desc, base, src, dst, op, df, cs) \
    {classes::Cls == id ? id : 0, #Cls, Base::base, src, dst, op, df, cs},
static constexpr ClassInfo kCatalogueRows[] = {
#include "module/Catalogue.def"
};
#undef JWX_ROW

static auto Fields(const ClassInfo& c)
{
    return std::tuple(c.id, std::string(c.name), int(c.base), c.sourceKind, c.destinationKind,
                      c.operation, c.drawOrFill, c.colorOrSurface);
}

// The type ids the registered entries carry (FactoryTest's table).
static_assert(kTypeFactoryObject == 100 && kTypeCanvas == 125 && kTypeSurfaceConverter == 140 &&
              kTypePrimitiveCanvas == 141 && kTypeTransformationCanvas == 142);

TEST(ClassesHeader, AgreesWithTheCatalogue)
{
    ASSERT_EQ(std::size(kClasses), std::size(kCatalogueRows));
    for (uint32_t i = 0; i < std::size(kClasses); ++i)
        EXPECT_EQ(Fields(kClasses[i]), Fields(kCatalogueRows[i])) << "row " << i;
}
