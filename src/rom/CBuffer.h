// The tile buffer and the four shades, and the procedures that read, decode and draw a tile.
#pragma once

#include "RomLayout.h"
#include "TileGraphics.h"
#include "os/FileAccess.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>

class TileCanvas;

namespace CBuffer {

// The graphics of the tile last read: 16 bytes, two per pixel row.
extern TileGraphics::TileBytes bytTile;

// The screen colour of each pixel value; start-up sets them to TileGraphics::kShades.
extern std::array<std::uint32_t, TileGraphics::kShadeCount> lngShade;

// Reads the 16 bytes of graphics at offset into bytTile. On failure bytTile is unchanged.
Status ReadTile(const QString &path, std::int32_t offset);

// Draws the tile in bytTile at double size with its top-left corner at (x, y): each tile
// pixel becomes a 2 x 2 block; the 16 x 16 area is overwritten and nothing outside it.
void DrawTile(TileCanvas &surface, int x, int y);

// The eight binary digits of b, most significant first: 5 gives "00000101".
QString ByteToBinary(std::uint8_t b);

// The value 0..3 of pixel (row, column) of the tile in bytTile (TileGraphics::pixelValue).
int PixelValue(int row, int column);

// A run of consecutive tiles' graphics read with one access, for the commands that draw many
// tiles at once (the palette, a level). It lives for one command: nothing read from the image
// is kept across commands.
class TileRun
{
public:
    int first() const { return m_first; }
    int count() const { return static_cast<int>(m_bytes.size()) / RomLayout::kTileBytes; }
    bool holds(int tile) const { return tile >= m_first && tile < m_first + count(); }
    // The graphics of all tiles of the run, 16 bytes each, the first tile first.
    QByteArrayView bytes() const { return m_bytes; }

    // Copies tile's graphics into bytTile; the run must hold the tile.
    void copyToBuffer(int tile) const;

private:
    friend Status ReadTiles(const QString &, int, int, TileRun &);
    int m_first = 0;
    QByteArray m_bytes;
};

// Reads the graphics of tiles first .. first + count - 1 into run, in one access. On failure
// run is unchanged.
Status ReadTiles(const QString &path, int first, int count, TileRun &run);

} // namespace CBuffer
