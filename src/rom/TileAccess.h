// Reading tile graphics out of the ROM image, for code that draws tiles without the main
// window's tile buffer (the commands' pictures and tile sheets).
#pragma once

#include "base/Status.h"

#include <QByteArray>
#include <QString>

namespace TileAccess {

// Reads the graphics of tiles first .. first + count - 1, 16 bytes each, in one access. On
// failure bytes is unchanged; the reason names no file.
Status readTiles(const QString &path, int first, int count, QByteArray &bytes);

} // namespace TileAccess
