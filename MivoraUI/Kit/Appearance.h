#pragma once

#include <QPalette>

namespace mivora::Appearance {

// The palette of the light or the dark desktop theme, for drawing a view in either appearance without a
// desktop (the renderer and the widget tests).
QPalette palette(bool dark);

} // namespace mivora::Appearance
