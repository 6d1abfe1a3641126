// Layouts named by their channel letters, and conversion between them through the module.
#pragma once

#include <memory>
#include <string>

#include "host/QVGFX.h"

class Plugin;

// "RGBA", "BGR", "G", ... (different letters of R, G, B, A) or "mask"; throws Failure otherwise.
CQVFormat ParseLayout(const std::string& text);

// A new surface holding `source` converted to `target` by the converter the repository offers for
// the two layouts. `mask` asks for the 8 to 8/8/8/8 mask converter. Throws Failure when the
// module has no converter for the pair or the source lacks a channel that `target` names.
std::unique_ptr<CQVSurface> ConvertSurface(Plugin& plugin, CQVSurface& source,
                                           const CQVFormat& target, bool mask = false);
