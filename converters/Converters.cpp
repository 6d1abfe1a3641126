#include "Converters.h"

// Conversion arrives with the converter work; until then a call writes nothing.
void Jwx_8_8_8_8To_8_8_8SurfaceConverter::Convert(CQVSurface*, CQVSurface*, const CQVFormat&) {}
void Jwx_8_8_8_8To_8SurfaceConverter::Convert(CQVSurface*, CQVSurface*, const CQVFormat&) {}
void Jwx_8_8_8To_8SurfaceConverter::Convert(CQVSurface*, CQVSurface*, const CQVFormat&) {}
void Jwx_8_8_8To_8_8_8_8SurfaceConverter::Convert(CQVSurface*, CQVSurface*, const CQVFormat&) {}
void Jwx_8To_8_8_8_8MaskConverter::Convert(CQVSurface*, CQVSurface*, const CQVFormat&) {}
