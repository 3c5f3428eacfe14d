#pragma once
// Colour reduction for the picture tools: median cut over the picture's distinct
// colours, weighted by how often each appears. Deterministic: the same picture
// always gives the same palette and the same pixels.
#include "graphics/surface.h"

namespace qvl {

// Returns the picture with at most maxColours distinct colours (each pixel replaced
// by the nearest palette entry). A picture that already fits comes back unchanged.
Surface reduceColours(const Surface& picture, int maxColours);

}  // namespace qvl
