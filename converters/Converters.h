// The five layout-changing converters and the two swappers.
#pragma once

#include "common/ClassId.h"
#include "host/QVGFX.h"

// Each converter is a class of its own; like every registered class it takes its id from
// WithClassId, and the macro adds only its Convert.
#define JWX_CONVERTER(Cls, id)                                      \
    class Cls final : public WithClassId<CQVSurfaceConverter, id> { \
    public:                                                         \
        void Convert(CQVSurface* source, CQVSurface* destination,   \
                     const CQVFormat& target) override;             \
    };

JWX_CONVERTER(Jwx_8_8_8_8To_8_8_8SurfaceConverter, 128)
JWX_CONVERTER(Jwx_8_8_8_8To_8SurfaceConverter, 129)
JWX_CONVERTER(Jwx_8_8_8To_8SurfaceConverter, 11133)
JWX_CONVERTER(Jwx_8_8_8To_8_8_8_8SurfaceConverter, 11134)
JWX_CONVERTER(Jwx_8To_8_8_8_8MaskConverter, 11137)
JWX_CONVERTER(Jwx_8_8_8_8SurfaceSwapper, 133)
JWX_CONVERTER(Jwx_8_8_8SurfaceSwapper, 132)

#undef JWX_CONVERTER
