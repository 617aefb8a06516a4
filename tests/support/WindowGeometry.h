// The main window's fixed geometry as the tests and the end-to-end checker expect it.
#pragma once

#include <QSize>

namespace WindowGeometry {

// The client area below the menu bar, in pixels.
inline constexpr QSize kClientSize(528, 389);

} // namespace WindowGeometry
