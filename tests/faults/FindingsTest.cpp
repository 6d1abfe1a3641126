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

// The colour canvases write four bytes per pixel: a destination of another layout, whose clip
// rectangle may well be inside its own width, would take writes past its pixels. Nothing is drawn
// and nothing is locked.
TEST_F(FindingsTest, ColourCanvasLeavesOtherLayoutsAlone)
{
    for (uint32_t id : {124u, 125u}) {
        ObjectPtr<CQVPrimitiveCanvas> c = Create<CQVPrimitiveCanvas>(id);
        for (const char* codes : {"R", "RGB"}) {
            SCOPED_TRACE(codes);
            TestSurface d(codes, 5, 3);
            d.Fill(9);
            std::vector<uint8_t> before = d.Bytes();
            const ColorRecord color = {0, 0x01010101};
            c->SetColor(&color);
            c->SetDestination(&d.surface);
            c->DrawPixel(4, 2), c->DrawHorizontalLine(0, 2, 4), c->DrawVerticalLine(4, 0, 2);
            c->DrawRectangle(0, 0, 5, 3), c->DrawCircle(2, 1, 2), c->DrawEllipse(2, 1, 2, 1), c->DrawLine(0, 0, 4, 2);
            EXPECT_EQ(d.Bytes(), before);
            EXPECT_EQ(d.surface.GetLockCount(true), 0u);
        }
    }
}

}  // namespace
