// The numbers a host uses with QVGFX_Basics: class ids, format kinds, canvas codes and type ids,
// and the catalogue of the sixteen classes in registration order. Header only, nothing to link.
#pragma once

#include <cstdint>

namespace qvgfx_basics {

// Format kinds: the values of CQVFormat::m_Kind that the classes serve.
inline constexpr std::uint8_t kKind8 = 0;        // one byte per pixel
inline constexpr std::uint8_t kKind8_8_8 = 1;    // three bytes per pixel
inline constexpr std::uint8_t kKind8_8_8_8 = 2;  // four bytes per pixel

// Canvas codes: CQVCanvasEntry::GetCode(0), GetCode(1) and GetCode(2) of a canvas entry.
// Code 0, the operation:
inline constexpr std::uint32_t kAdd = 1;          // saturating add
inline constexpr std::uint32_t kLinComb = 4;      // weighted sum of source and destination
inline constexpr std::uint32_t kOpaque = 8;       // copy
inline constexpr std::uint32_t kPaintBrush = 10;  // coverage accumulated from the source mask
inline constexpr std::uint32_t kAirBrush = 11;    // the same, weakened by the source's opacity
// Code 1: outlines or filled shapes.
inline constexpr std::uint32_t kDraw = 1;
inline constexpr std::uint32_t kFill = 2;
// Code 2: what is drawn, a solid colour (SetColor) or a source surface (SetSource).
inline constexpr std::uint32_t kColor = 1;
inline constexpr std::uint32_t kSurface = 2;

// Type ids, recorded with each entry (CQVRepositoryEntry::GetTypeId): the host base classes the
// class derives from, from the most general, then the class id itself.
inline constexpr std::uint32_t kTypeFactoryObject = 100;         // CQVFactoryObject: every class
inline constexpr std::uint32_t kTypeCanvas = 125;                // CQVCanvas
inline constexpr std::uint32_t kTypeSurfaceConverter = 140;      // CQVSurfaceConverter
inline constexpr std::uint32_t kTypePrimitiveCanvas = 141;       // CQVPrimitiveCanvas
inline constexpr std::uint32_t kTypeTransformationCanvas = 142;  // CQVTransformationCanvas

// Class ids, for CQVFactory::CreateObject, by registered name.
namespace classes {
inline constexpr std::uint32_t Jwx_8_8_8_8AddDrawColorCanvas = 124;
inline constexpr std::uint32_t Jwx_8_8_8_8AddFillColorCanvas = 125;
inline constexpr std::uint32_t Jwx_8_8_8_8AddFillSurfaceCanvas = 126;
inline constexpr std::uint32_t Jwx_8_8_8_8OpaqueFillSurfaceCanvas = 127;
inline constexpr std::uint32_t Jwx_8_8_8_8SurfaceSwapper = 133;
inline constexpr std::uint32_t Jwx_8_8_8_8To_8_8_8SurfaceConverter = 128;
inline constexpr std::uint32_t Jwx_8_8_8_8To_8SurfaceConverter = 129;
inline constexpr std::uint32_t Jwx_8_8_8To_8_8_8_8SurfaceConverter = 11134;
inline constexpr std::uint32_t Jwx_8_8_8LinCombFillSurfaceCanvas = 130;
inline constexpr std::uint32_t Jwx_8_8_8OpaqueFillSurfaceCanvas = 131;
inline constexpr std::uint32_t Jwx_8_8_8SurfaceSwapper = 132;
inline constexpr std::uint32_t Jwx_8_8_8To_8SurfaceConverter = 11133;
inline constexpr std::uint32_t Jwx_8PaintBrushFillMaskCanvas = 11135;
inline constexpr std::uint32_t Jwx_8OpaqueFillSurfaceCanvas = 11136;
inline constexpr std::uint32_t Jwx_8To_8_8_8_8MaskConverter = 11137;
inline constexpr std::uint32_t Jwx_8AirBrushFillMaskCanvas = 11138;
}  // namespace classes

// The host base of a class: colour canvas, surface canvas or converter.
enum class Base : std::uint8_t { Primitive, Transform, Converter };

inline constexpr int kNoKind = -1;  // a canvas has no source kind

// One class as its entry presents it. AcceptsFormat answers true exactly for these kinds (a
// canvas entry takes the destination format, a converter entry the source and the destination);
// channel codes are never looked at. Converters carry no canvas codes (0 here).
struct ClassInfo {
    std::uint32_t id;
    const char* name;
    Base base;
    int sourceKind;
    int destinationKind;
    std::uint32_t operation;
    std::uint32_t drawOrFill;
    std::uint32_t colorOrSurface;
};

// The sixteen classes in the order RegisterClasses registers them.
inline constexpr ClassInfo kClasses[] = {
    {classes::Jwx_8_8_8_8AddDrawColorCanvas, "Jwx_8_8_8_8AddDrawColorCanvas", Base::Primitive,
     kNoKind, kKind8_8_8_8, kAdd, kDraw, kColor},
    {classes::Jwx_8_8_8_8AddFillColorCanvas, "Jwx_8_8_8_8AddFillColorCanvas", Base::Primitive,
     kNoKind, kKind8_8_8_8, kAdd, kFill, kColor},
    {classes::Jwx_8_8_8_8AddFillSurfaceCanvas, "Jwx_8_8_8_8AddFillSurfaceCanvas", Base::Transform,
     kNoKind, kKind8_8_8_8, kAdd, kFill, kSurface},
    {classes::Jwx_8_8_8_8OpaqueFillSurfaceCanvas, "Jwx_8_8_8_8OpaqueFillSurfaceCanvas",
     Base::Transform, kNoKind, kKind8_8_8_8, kOpaque, kFill, kSurface},
    {classes::Jwx_8_8_8_8SurfaceSwapper, "Jwx_8_8_8_8SurfaceSwapper", Base::Converter, kKind8_8_8_8,
     kKind8_8_8_8, 0, 0, 0},
    {classes::Jwx_8_8_8_8To_8_8_8SurfaceConverter, "Jwx_8_8_8_8To_8_8_8SurfaceConverter",
     Base::Converter, kKind8_8_8_8, kKind8_8_8, 0, 0, 0},
    {classes::Jwx_8_8_8_8To_8SurfaceConverter, "Jwx_8_8_8_8To_8SurfaceConverter", Base::Converter,
     kKind8_8_8_8, kKind8, 0, 0, 0},
    {classes::Jwx_8_8_8To_8_8_8_8SurfaceConverter, "Jwx_8_8_8To_8_8_8_8SurfaceConverter",
     Base::Converter, kKind8_8_8, kKind8_8_8_8, 0, 0, 0},
    {classes::Jwx_8_8_8LinCombFillSurfaceCanvas, "Jwx_8_8_8LinCombFillSurfaceCanvas",
     Base::Transform, kNoKind, kKind8_8_8, kLinComb, kFill, kSurface},
    {classes::Jwx_8_8_8OpaqueFillSurfaceCanvas, "Jwx_8_8_8OpaqueFillSurfaceCanvas", Base::Transform,
     kNoKind, kKind8_8_8, kOpaque, kFill, kSurface},
    {classes::Jwx_8_8_8SurfaceSwapper, "Jwx_8_8_8SurfaceSwapper", Base::Converter, kKind8_8_8,
     kKind8_8_8, 0, 0, 0},
    {classes::Jwx_8_8_8To_8SurfaceConverter, "Jwx_8_8_8To_8SurfaceConverter", Base::Converter,
     kKind8_8_8, kKind8, 0, 0, 0},
    {classes::Jwx_8PaintBrushFillMaskCanvas, "Jwx_8PaintBrushFillMaskCanvas", Base::Transform,
     kNoKind, kKind8, kPaintBrush, kFill, kSurface},
    {classes::Jwx_8OpaqueFillSurfaceCanvas, "Jwx_8OpaqueFillSurfaceCanvas", Base::Transform,
     kNoKind, kKind8, kOpaque, kFill, kSurface},
    {classes::Jwx_8To_8_8_8_8MaskConverter, "Jwx_8To_8_8_8_8MaskConverter", Base::Converter, kKind8,
     kKind8_8_8_8, 0, 0, 0},
    {classes::Jwx_8AirBrushFillMaskCanvas, "Jwx_8AirBrushFillMaskCanvas", Base::Transform, kNoKind,
     kKind8, kAirBrush, kFill, kSurface},
};

}  // namespace qvgfx_basics
