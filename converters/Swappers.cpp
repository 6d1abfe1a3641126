#include "Converters.h"

void Jwx_8_8_8_8SurfaceSwapper::Convert(CQVSurface*, CQVSurface*, const CQVFormat&) {}
void Jwx_8_8_8SurfaceSwapper::Convert(CQVSurface*, CQVSurface*, const CQVFormat&) {}
