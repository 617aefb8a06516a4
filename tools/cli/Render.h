// Pictures of tiles and levels, drawn with the editor's own tile drawing (CBuffer::DrawTile).
#pragma once

#include "rom/CBuffer.h"
#include "rom/LevelMap.h"

#include <QImage>
#include <QList>

namespace Render {

// The editor shows every tile pixel as a 2 x 2 block: a level is then 320 x 272 pixels.
inline constexpr int kEditorScale = 2;
// All levels at the editor's size would make a picture too large to take in at a glance.
inline constexpr int kContactSheetScale = 1;
// Beyond this a single level would be larger than a PNG anyone wants to open.
inline constexpr int kMaxScale = 16;
// Tiles per row of the tile sheet and levels per row of the contact sheet.
inline constexpr int kSheetColumns = 16;
inline constexpr int kContactColumns = 8;
// The tile width and height in tile pixels.
inline constexpr int kTilePixels = 8;

// The pictures are 8-bit palette images: they hold a handful of colours, and a palette makes
// them a quarter of the size in memory and PNG writing several times faster.

// The 256 tiles of run (which must hold tiles 0 .. 255) in a 16 x 16 grid, tile t at column
// t % 16 and row t / 16. Every tile is drawn by CBuffer::DrawTile in the standard shades,
// which this sets in CBuffer::lngShade.
QImage tileSheet(const CBuffer::TileRun &run, int scale);

// A level as the editor draws it, tile (c, r) at (8c, 8r) x scale; sheet is tileSheet() at the
// same scale.
QImage level(const QImage &sheet, const LevelMap &map, int scale);

// All given levels, eight to a row, each under a label with its number (1 upwards).
QImage contactSheet(const QImage &sheet, const QList<LevelMap> &levels, int scale);

} // namespace Render
