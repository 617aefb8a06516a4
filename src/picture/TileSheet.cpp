// Tile sheets read back into tile graphics: a picture laid out as the tile sheet renderer draws
// it, checked whole, then encoded 16 bytes a tile.
#include "TileSheet.h"

#include "Render.h"
#include "SheetPng.h"
#include "base/Hex.h"
#include "rom/RomLayout.h"
#include "rom/TileGraphics.h"

#include <limits>

namespace TileSheet {
namespace {

constexpr int kTilePixels = TileGraphics::kTilePixels;
constexpr int kColumns = Render::kSheetColumns;

// The shade 0..3 whose colour is nearest rgb, by squared distance in RGB; ties go to the
// lighter shade.
int nearestShade(QRgb rgb)
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int shade = 0; shade < TileGraphics::kShadeCount; ++shade) {
        const QRgb to = TileGraphics::argbOf(TileGraphics::kShades[shade]);
        const int r = qRed(rgb) - qRed(to), g = qGreen(rgb) - qGreen(to),
                  b = qBlue(rgb) - qBlue(to);
        const int distance = r * r + g * g + b * b;
        if (distance < bestDistance) {
            best = shade;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

Status layout(const QSize &size, int givenScale, int &scale, int &tiles)
{
    const int rowWidth = kColumns * kTilePixels;
    const QString found
        = QStringLiteral("the picture is %1 x %2 pixels").arg(size.width()).arg(size.height());
    scale = givenScale;
    if (scale == 0 && size.width() % rowWidth == 0)
        scale = size.width() / rowWidth;
    if (scale < 1 || scale > Render::kMaxScale)
        return Status::failure(
            found
            + QStringLiteral("; a tile sheet is %1 x %1 at scale 1 and %2 x %2 at scale 2 "
                             "(%1N x %1N at scale N), or as wide with fewer rows of tiles")
                  .arg(rowWidth)
                  .arg(2 * rowWidth));
    const int tileSize = kTilePixels * scale;
    const int fullHeight = RomLayout::kTileCount / kColumns * tileSize;
    if (size.width() != kColumns * tileSize || size.height() % tileSize != 0
        || size.height() < tileSize || size.height() > fullHeight)
        return Status::failure(
            found
            + QStringLiteral("; at scale %1 a tile sheet is %2 pixels wide and %3 to %4 pixels "
                             "high, a multiple of %3")
                  .arg(scale)
                  .arg(kColumns * tileSize)
                  .arg(tileSize)
                  .arg(fullHeight));
    tiles = size.height() / tileSize * kColumns;
    return {};
}

Status read(const QString &path, int givenScale, QImage &picture)
{
    int paletteSize = -1;
    QImage read;
    const auto fits = [givenScale](QSize size) {
        int scale = 0, tiles = 0;
        return layout(size, givenScale, scale, tiles);
    };
    if (Status loaded = SheetPng::read(path, fits, read, paletteSize); !loaded)
        return loaded;
    for (int y = 0; paletteSize >= 0 && y < read.height(); ++y) {
        for (int x = 0; x < read.width(); ++x) {
            if (const int index = read.pixelIndex(x, y); index >= paletteSize)
                return Status::failure(
                    QStringLiteral("pixel (%1, %2) has palette index %3, past the end of its "
                                   "%4-colour palette")
                        .arg(x)
                        .arg(y)
                        .arg(index)
                        .arg(paletteSize));
        }
    }
    picture = std::move(read);
    return {};
}

Status shadesOf(const QImage &picture, bool nearest, std::vector<std::uint8_t> &shades,
                qsizetype &moved)
{
    shades.assign(static_cast<std::size_t>(picture.width()) * picture.height(), 0);
    moved = 0;
    for (int y = 0; y < picture.height(); ++y) {
        // Indexed pictures are read through their colour table, grey ones as grey RGB: only the
        // colour a pixel shows counts, never the index an editor happened to store it under.
        // A row at a time, so that a 16-bit sheet is never held twice.
        const QImage row
            = picture.copy(0, y, picture.width(), 1).convertToFormat(QImage::Format_ARGB32);
        const auto *line = reinterpret_cast<const QRgb *>(row.constScanLine(0));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = line[x];
            const auto where = [x, y] {
                return QStringLiteral("pixel (%1, %2)").arg(x).arg(y);
            };
            if (qAlpha(pixel) != 255)
                return Status::failure(
                    QStringLiteral("%1 has alpha %2; every pixel must be opaque (alpha 255)")
                        .arg(where())
                        .arg(qAlpha(pixel)));
            int shade = 0;
            while (shade < TileGraphics::kShadeCount
                   && pixel != TileGraphics::argbOf(TileGraphics::kShades[shade]))
                ++shade;
            if (shade == TileGraphics::kShadeCount) {
                if (!nearest)
                    return Status::failure(
                        QStringLiteral("%1 has colour #%2, which is none of the four shades")
                            .arg(where(), Hex::digits(pixel & 0xFFFFFF, 6)));
                shade = nearestShade(pixel);
                ++moved;
            }
            shades[static_cast<std::size_t>(y) * picture.width() + x]
                = static_cast<std::uint8_t>(shade);
        }
    }
    return {};
}

Status encode(const std::vector<std::uint8_t> &shades, int width, int scale, int count,
              QByteArray &tiles)
{
    tiles.clear();
    for (int tile = 0; tile < count; ++tile) {
        TileGraphics::TileBytes bytes {};
        const int left = tile % kColumns * kTilePixels * scale;
        const int top = tile / kColumns * kTilePixels * scale;
        for (int row = 0; row < kTilePixels; ++row) {
            for (int column = 0; column < kTilePixels; ++column) {
                const int x = left + column * scale, y = top + row * scale;
                const auto at = [&](int dx, int dy) {
                    return shades[static_cast<std::size_t>(y + dy) * width + x + dx];
                };
                for (int dy = 0; dy < scale; ++dy) {
                    for (int dx = 0; dx < scale; ++dx) {
                        if (at(dx, dy) != at(0, 0))
                            return Status::failure(
                                QStringLiteral("the %1 x %1 block from (%2, %3) to (%4, %5), "
                                               "column %6, row %7 of tile %8, is not all one "
                                               "shade: at scale %1 each tile pixel is a %1 x %1 "
                                               "block")
                                    .arg(scale)
                                    .arg(x)
                                    .arg(y)
                                    .arg(x + scale - 1)
                                    .arg(y + scale - 1)
                                    .arg(column)
                                    .arg(row)
                                    .arg(Hex::digits(tile, 2)));
                    }
                }
                TileGraphics::setPixelValue(bytes, row, column, at(0, 0));
            }
        }
        tiles.append(reinterpret_cast<const char *>(bytes.data()), RomLayout::kTileBytes);
    }
    return {};
}

} // namespace TileSheet
