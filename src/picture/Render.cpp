// Decoding the tile sheet once, then building levels from its tile blocks.
#include "Render.h"

#include "DigitFont.h"

#include <cstring>

namespace Render {
namespace {

// The sheets' own colours come first in every palette, then the four shades: pixel value v is
// colour kShadeIndex + v.
const QRgb kBackground = qRgb(0x2E, 0x34, 0x40);
const QRgb kLabel = qRgb(0xEC, 0xEF, 0xF4);
constexpr uchar kBackgroundIndex = 0;
constexpr uchar kLabelIndex = 1;
constexpr uchar kShadeIndex = 2;

QList<QRgb> colourTable()
{
    QList<QRgb> table { kBackground, kLabel };
    for (const std::uint32_t shade : TileGraphics::kShades)
        table.append(TileGraphics::argbOf(shade));
    return table;
}

QImage blank(const QImage &sheet, int width, int height)
{
    QImage picture(width, height, QImage::Format_Indexed8);
    picture.setColorTable(sheet.colorTable());
    picture.fill(kBackgroundIndex);
    return picture;
}

// Copies level map's tile blocks out of the sheet into picture, its top-left corner at (x, y).
void drawLevel(const QImage &sheet, const LevelMap &map, QImage &picture, int x, int y, int scale)
{
    const int size = kTilePixels * scale;
    for (int row = 0; row < RomLayout::kLevelRows; ++row) {
        for (int line = 0; line < size; ++line) {
            uchar *to = picture.scanLine(y + row * size + line) + x;
            for (int column = 0; column < RomLayout::kLevelColumns; ++column) {
                const int tile = map.cellAt(column, row);
                const uchar *from = sheet.constScanLine(tile / kSheetColumns * size + line)
                    + tile % kSheetColumns * size;
                std::memcpy(to + column * size, from, size);
            }
        }
    }
}

} // namespace

QImage tileSheet(QByteArrayView tiles, int scale)
{
    Q_ASSERT(tiles.size() == RomLayout::kTileCount * RomLayout::kTileBytes);
    const int size = kTilePixels * scale;
    const int side = kSheetColumns * size;
    QImage sheet(side, side, QImage::Format_Indexed8);
    sheet.setColorTable(colourTable());
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(tiles.data());
    for (int tile = 0; tile < RomLayout::kTileCount; ++tile) {
        const std::uint8_t *graphics = bytes + tile * RomLayout::kTileBytes;
        const int left = tile % kSheetColumns * size;
        const int top = tile / kSheetColumns * size;
        for (int y = 0; y < size; ++y) {
            uchar *line = sheet.scanLine(top + y) + left;
            for (int x = 0; x < size; ++x)
                line[x] = static_cast<uchar>(
                    kShadeIndex + TileGraphics::pixelValue(graphics, y / scale, x / scale));
        }
    }
    return sheet;
}

QImage level(const QImage &sheet, const LevelMap &map, int scale)
{
    QImage picture = blank(sheet, RomLayout::kLevelColumns * kTilePixels * scale,
                           RomLayout::kLevelRows * kTilePixels * scale);
    drawLevel(sheet, map, picture, 0, 0, scale);
    return picture;
}

QImage contactSheet(const QImage &sheet, const QList<LevelMap> &levels, int scale)
{
    const int levelWidth = RomLayout::kLevelColumns * kTilePixels * scale;
    const int levelHeight = RomLayout::kLevelRows * kTilePixels * scale;
    const int dot = 2 * scale;
    const int labelHeight = (DigitFont::kDigitHeight + 2) * dot;
    const int margin = 4 * scale;
    const int columns = qMin(kContactColumns, qMax(1, static_cast<int>(levels.size())));
    const int rows = static_cast<int>((levels.size() + columns - 1) / columns);
    QImage picture = blank(sheet, margin + columns * (levelWidth + margin),
                           margin + rows * (labelHeight + levelHeight + margin));
    for (int i = 0; i < levels.size(); ++i) {
        const int x = margin + i % columns * (levelWidth + margin);
        const int y = margin + i / columns * (labelHeight + levelHeight + margin);
        DigitFont::draw(picture, x, y + dot / 2, i + 1, dot, kLabelIndex);
        drawLevel(sheet, levels[i], picture, x, y + labelHeight, scale);
    }
    return picture;
}

} // namespace Render
