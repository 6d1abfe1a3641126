// The five layout-changing converters and the two swappers.
#pragma once

#include "ClassId.h"
#include "QVGFX.h"

class Jwx_8_8_8_8To_8_8_8SurfaceConverter final : public WithClassId<CQVSurfaceConverter, 128> {
public:
    void Convert(CQVSurface* source, CQVSurface* destination, const CQVFormat& target) override;
};

class Jwx_8_8_8_8To_8SurfaceConverter final : public WithClassId<CQVSurfaceConverter, 129> {
public:
    void Convert(CQVSurface* source, CQVSurface* destination, const CQVFormat& target) override;
};

class Jwx_8_8_8To_8SurfaceConverter final : public WithClassId<CQVSurfaceConverter, 11133> {
public:
    void Convert(CQVSurface* source, CQVSurface* destination, const CQVFormat& target) override;
};

class Jwx_8_8_8To_8_8_8_8SurfaceConverter final : public WithClassId<CQVSurfaceConverter, 11134> {
public:
    void Convert(CQVSurface* source, CQVSurface* destination, const CQVFormat& target) override;
};

class Jwx_8To_8_8_8_8MaskConverter final : public WithClassId<CQVSurfaceConverter, 11137> {
public:
    void Convert(CQVSurface* source, CQVSurface* destination, const CQVFormat& target) override;
};

class Jwx_8_8_8_8SurfaceSwapper final : public WithClassId<CQVSurfaceConverter, 133> {
public:
    void Convert(CQVSurface* source, CQVSurface* destination, const CQVFormat& target) override;
};

class Jwx_8_8_8SurfaceSwapper final : public WithClassId<CQVSurfaceConverter, 132> {
public:
    void Convert(CQVSurface* source, CQVSurface* destination, const CQVFormat& target) override;
};
