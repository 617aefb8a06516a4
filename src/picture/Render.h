// Pictures of tiles and levels in the editor's shades, decoded straight from the tile bytes.
#pragma once

#include "rom/LevelMap.h"
#include "rom/TileGraphics.h"

#include <QByteArrayView>
#include <QImage>
#include <QList>

namespace Render {

// The editor shows every tile pixel as a 2 x 2 block: a level is then 320 x 272 pixels.
inline constexpr int kEditorScale = TileGraphics::kScreenScale;
// All levels at the editor's size would make a picture too large to take in at a glance.
inline constexpr int kContactSheetScale = 1;
// Beyond this a single level would be larger than a PNG anyone wants to open.
inline constexpr int kMaxScale = 16;
// Tiles per row of the tile sheet and levels per row of the contact sheet.
inline constexpr int kSheetColumns = 16;
inline constexpr int kContactColumns = 8;
inline constexpr int kTilePixels = TileGraphics::kTilePixels;

// The pictures are 8-bit palette images: they hold a handful of colours, and a palette makes
// them a quarter of the size in memory and PNG writing several times faster.

// The 256 tiles whose graphics are tiles (16 bytes each, tile 0 first) in a 16 x 16 grid, tile t
// at column t % 16 and row t / 16, every pixel a scale x scale block of its shade.
QImage tileSheet(QByteArrayView tiles, int scale);

// A level as the editor draws it, tile (c, r) at (8c, 8r) x scale; sheet is tileSheet() at the
// same scale.
QImage level(const QImage &sheet, const LevelMap &map, int scale);

// All given levels, eight to a row, each under a label with its number (1 upwards).
QImage contactSheet(const QImage &sheet, const QList<LevelMap> &levels, int scale);

} // namespace Render
