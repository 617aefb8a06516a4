// Reading Game Boy tile graphics from the image and drawing them at double size.
#include "CBuffer.h"

#include "TileAccess.h"
#include "base/TileCanvas.h"

#include <cstring>

namespace CBuffer {

TileGraphics::TileBytes bytTile {};
std::array<std::uint32_t, TileGraphics::kShadeCount> lngShade {};

Status ReadTile(const QString &path, std::int32_t offset)
{
    TileGraphics::TileBytes bytes {};
    Status result = FileAccess::readAt(path, offset, bytes);
    if (result)
        bytTile = bytes;
    return result;
}

int PixelValue(int row, int column)
{
    return TileGraphics::pixelValue(bytTile.data(), row, column);
}

void DrawTile(TileCanvas &surface, int x, int y)
{
    constexpr int kScale = TileGraphics::kScreenScale;
    static_assert(kScale == 2, "each tile pixel is the four writes below");
    for (int i = 0; i < TileGraphics::kTilePixels; ++i) {
        for (int j = 0; j < TileGraphics::kTilePixels; ++j) {
            const std::uint32_t colour = lngShade[PixelValue(i, j)];
            const int px = x + kScale * j;
            const int py = y + kScale * i;
            surface.setPixel(px, py, colour);
            surface.setPixel(px + 1, py, colour);
            surface.setPixel(px, py + 1, colour);
            surface.setPixel(px + 1, py + 1, colour);
        }
    }
    surface.refresh();
}

QString ByteToBinary(std::uint8_t b)
{
    QString text(8, QLatin1Char('0'));
    for (int bit = 0; bit < 8; ++bit) {
        if (b & (0x80 >> bit))
            text[bit] = QLatin1Char('1');
    }
    return text;
}

void TileRun::copyToBuffer(int tile) const
{
    const auto offset = static_cast<qsizetype>(tile - m_first) * RomLayout::kTileBytes;
    Q_ASSERT(holds(tile));
    std::memcpy(bytTile.data(), m_bytes.constData() + offset, bytTile.size());
}

Status ReadTiles(const QString &path, int first, int count, TileRun &run)
{
    QByteArray bytes;
    Status result = TileAccess::readTiles(path, first, count, bytes);
    if (result) {
        run.m_first = first;
        run.m_bytes = std::move(bytes);
    }
    return result;
}

} // namespace CBuffer
