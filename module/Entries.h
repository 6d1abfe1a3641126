// The sixteen repository entry classes, one per catalogue row, named after their class + "Entry".
#pragma once

#include "host/QVGFX.h"

namespace jwx {

// A converter entry accepts exactly one pair of format kinds; channel codes are not looked at.
template <int Src, int Dst>
class ConverterEntryFor : public CQVSurfaceConverterEntry {
public:
    ConverterEntryFor(uint32_t id, CQVString name, CQVString description, CQVString third)
        : CQVSurfaceConverterEntry(id, name, description, third)
    {}
    bool AcceptsFormat(const CQVFormat& source, const CQVFormat& destination) const override
    {
        return source.m_Kind == Src && destination.m_Kind == Dst;
    }
};

// A canvas entry accepts exactly one destination kind and carries the row's three codes.
template <int Dst, uint32_t Op, uint32_t DrawOrFill, uint32_t ColorOrSurface>
class CanvasEntryFor : public CQVCanvasEntry {
public:
    CanvasEntryFor(uint32_t id, CQVString name, CQVString description, CQVString third)
        : CQVCanvasEntry(id, name, description, third, Op, DrawOrFill, ColorOrSurface)
    {}
    bool AcceptsFormat(const CQVFormat& destination) const override
    {
        return destination.m_Kind == Dst;
    }
};

}  // namespace jwx

#define JWX_ENTRY_BASE_Primitive(src, dst, op, df, cs) jwx::CanvasEntryFor<dst, op, df, cs>
#define JWX_ENTRY_BASE_Transform(src, dst, op, df, cs) jwx::CanvasEntryFor<dst, op, df, cs>
#define JWX_ENTRY_BASE_Converter(src, dst, op, df, cs) jwx::ConverterEntryFor<src, dst>

// Entry constructors take the class id and the three strings, and pass them on unchanged.
#define JWX_ROW(id, Cls, desc, base, src, dst, op, df, cs)                        \
    class Cls##Entry final : public JWX_ENTRY_BASE_##base(src, dst, op, df, cs) { \
        using Base = JWX_ENTRY_BASE_##base(src, dst, op, df, cs);                 \
                                                                                  \
    public:                                                                       \
        using Base::Base;                                                         \
    };
#include "module/Catalogue.def"
#undef JWX_ROW
