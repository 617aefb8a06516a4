// Drawing the tile sheet once with DrawTile, then building levels from its tile blocks.
#include "Render.h"

#include "DigitFont.h"
#include "ImageCanvas.h"

#include <cstring>

namespace Render {
namespace {

// The sheets' own colours come first in every palette, then the shades DrawTile used.
const QRgb kBackground = qRgb(0x2E, 0x34, 0x40);
const QRgb kLabel = qRgb(0xEC, 0xEF, 0xF4);
constexpr uchar kBackgroundIndex = 0;
constexpr uchar kLabelIndex = 1;

// The drawn picture with its colours in a palette; every colour is kept exactly.
QImage toPalette(const QImage &picture)
{
    QList<QRgb> palette { kBackground, kLabel };
    QImage indexed(picture.size(), QImage::Format_Indexed8);
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb *from = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        uchar *to = indexed.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb rgb = from[x] | 0xFF000000u;
            qsizetype index = palette.indexOf(rgb);
            if (index < 0) {
                // DrawTile uses four shades; a palette of 256 cannot run out.
                Q_ASSERT(palette.size() < 256);
                index = palette.size();
                palette.append(rgb);
            }
            to[x] = static_cast<uchar>(index);
        }
    }
    indexed.setColorTable(palette);
    return indexed;
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

QImage tileSheet(const CBuffer::TileRun &run, int scale)
{
    Q_ASSERT(run.first() == 0 && run.count() == RomLayout::kTileCount);
    CBuffer::lngShade = CBuffer::kStandardShades;
    const int side = kSheetColumns * kTilePixels;
    ImageCanvas canvas(side, side, scale, kBackground);
    // DrawTile works in the editor's coordinates, two per tile pixel.
    const int editorTile = kTilePixels * kEditorScale;
    for (int tile = 0; tile < RomLayout::kTileCount; ++tile) {
        run.load(tile);
        CBuffer::DrawTile(canvas, tile % kSheetColumns * editorTile,
                          tile / kSheetColumns * editorTile);
    }
    return toPalette(canvas.image());
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
