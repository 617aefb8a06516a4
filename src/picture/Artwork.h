// Dorrik's own pictures: the window icon and the About window's banner, drawn in code.
#pragma once

#include <QIcon>
#include <QImage>

namespace Artwork {

// The main window's 32 x 32 icon.
QIcon windowIcon();

// The About window's 394 x 129, 24-bit banner on white.
QImage aboutBanner();

} // namespace Artwork
