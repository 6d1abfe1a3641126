// Findings of the hostile sessions that teach something, kept as named cases.
#include "LoadedModule.h"
#include "TestHost.h"

namespace {

using FindingsTest = HostTest;

// A converter that gave a narrow destination a wider target format would leave a surface that
// claims more bytes than its memory holds, and the next call trusting it would overrun: such a
// call is refused, with or without pixels to convert.
TEST_F(FindingsTest, ConverterKeepsAFormatItsPixelsCouldNotHold)
{
    for (uint32_t id : {133u, 128u, 129u, 11134u, 132u, 11133u, 11137u}) {
        SCOPED_TRACE(id);
        ObjectPtr<CQVSurfaceConverter> c = Create<CQVSurfaceConverter>(id);
        TestSurface empty("RGBA", 0, 5), mask("R", 22, 1), narrow("R", 2, 1);
        mask.Fill(3);
        std::vector<uint8_t> before = mask.Bytes();
        c->Convert(&empty.surface, &mask.surface, Format("RGBA"));
        c->Convert(&narrow.surface, &mask.surface, Format("RGBA"));
        EXPECT_EQ(mask.surface.GetFormat().m_Kind, 0);
        EXPECT_EQ(mask.Bytes(), before);
        if (id != 11134) {  // which refuses a target lacking the source's codes, even empty
            c->Convert(&empty.surface, &mask.surface, Format("G"));  // as wide as before: taken
            EXPECT_EQ(mask.surface.GetFormat().m_Codes[0], 'G');
        }
    }
}

}  // namespace
