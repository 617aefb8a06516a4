// "tiles import": a tile sheet as "tiles" draws it, edited in any pixel editor, written back
// into the image's tile graphics.
#include "CommandSupport.h"
#include "Commands.h"
#include "Render.h"
#include "SheetPng.h"
#include "base/Hex.h"
#include "os/FileAccess.h"
#include "os/WholeFile.h"
#include "rom/CBuffer.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <limits>
#include <vector>

using namespace CommandSupport;

namespace Commands {
namespace {

const QString kFirst = QStringLiteral("first");
const QString kNearest = QStringLiteral("nearest");
const QString kScale = QStringLiteral("scale");

constexpr int kTilePixels = TileGraphics::kTilePixels;
constexpr int kColumns = Render::kSheetColumns;

// A tile number as the tool prints it: two capital hex digits.
QString tileName(int tile)
{
    return Hex::digits(tile, 2);
}

// Tile numbers are hex everywhere else in the tool, so --first takes 0x41 as well as 65. A
// leading zero does not make the number octal: 010 is ten.
Status parseFirst(const QString &text, int &first)
{
    static const QRegularExpression form(QStringLiteral("^(0[xX][0-9A-Fa-f]+|[0-9]+)$"));
    bool ok = false;
    int number = -1;
    if (form.match(text).hasMatch())
        number = text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)
            ? text.mid(2).toInt(&ok, 16)
            : text.toInt(&ok, 10);
    if (!ok || number < 0 || number >= RomLayout::kTileCount)
        return Status::failure(QStringLiteral("\"%1\" is no tile number; use 0 to %2 or 0x00 to "
                                              "0x%3")
                                   .arg(text)
                                   .arg(RomLayout::kTileCount - 1)
                                   .arg(tileName(RomLayout::kTileCount - 1)));
    first = number;
    return {};
}

// The sheet's scale and number of tiles, told from its size. Every row holds 16 tiles, so the
// width alone gives the scale (128 pixels a scale step) and no size fits two scales; --scale,
// when given, must agree. The height is whole rows of tiles, at most the 16 of a full sheet.
Status sheetLayout(const QSize &size, int givenScale, int &scale, int &tiles)
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

// Reads the sheet, refusing it for its declared size before any pixel is decoded.
Status readPicture(const QString &path, int givenScale, QImage &picture)
{
    int paletteSize = -1;
    QImage read;
    const auto fits = [givenScale](QSize size) {
        int scale = 0, tiles = 0;
        return sheetLayout(size, givenScale, scale, tiles);
    };
    if (Status loaded = SheetPng::read(path, fits, read, paletteSize); !loaded)
        return Status::failure(aboutFile(path, loaded.error));
    for (int y = 0; paletteSize >= 0 && y < read.height(); ++y) {
        for (int x = 0; x < read.width(); ++x) {
            if (const int index = read.pixelIndex(x, y); index >= paletteSize)
                return Status::failure(aboutFile(
                    path,
                    QStringLiteral("pixel (%1, %2) has palette index %3, past the end of its "
                                   "%4-colour palette")
                        .arg(x)
                        .arg(y)
                        .arg(index)
                        .arg(paletteSize)));
        }
    }
    picture = std::move(read);
    return {};
}

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

// Every pixel of the picture as its shade 0..3, row after row. Fails at the first pixel, in
// reading order, that is not opaque or (unless nearest) not exactly one of the four shades;
// moved counts the pixels nearest changed.
Status shadesOf(const QString &path, const QImage &picture, bool nearest,
                std::vector<std::uint8_t> &shades, qsizetype &moved)
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
                return Status::failure(aboutFile(
                    path,
                    QStringLiteral("%1 has alpha %2; every pixel must be opaque (alpha 255)")
                        .arg(where())
                        .arg(qAlpha(pixel))));
            int shade = 0;
            while (shade < TileGraphics::kShadeCount
                   && pixel != TileGraphics::argbOf(TileGraphics::kShades[shade]))
                ++shade;
            if (shade == TileGraphics::kShadeCount) {
                if (!nearest)
                    return Status::failure(aboutFile(
                        path,
                        QStringLiteral("%1 has colour #%2, which is none of the four shades")
                            .arg(where(), Hex::digits(pixel & 0xFFFFFF, 6))));
                shade = nearestShade(pixel);
                ++moved;
            }
            shades[static_cast<std::size_t>(y) * picture.width() + x]
                = static_cast<std::uint8_t>(shade);
        }
    }
    return {};
}

// The graphics of the sheet's tiles, 16 bytes each, in sheet order. At a scale above 1 every
// tile pixel is a scale x scale block of one shade; the first block that is not fails.
Status encodeTiles(const QString &path, const std::vector<std::uint8_t> &shades, int width,
                   int scale, int count, QByteArray &tiles)
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
                            return Status::failure(aboutFile(
                                path,
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
                                    .arg(tileName(tile))));
                    }
                }
                TileGraphics::setPixelValue(bytes, row, column, at(0, 0));
            }
        }
        tiles.append(reinterpret_cast<const char *>(bytes.data()), RomLayout::kTileBytes);
    }
    return {};
}

} // namespace

Commands::Outcome tilesImport(const QStringList &arguments)
{
    CommandLine command(
        QStringLiteral("tiles import"),
        QStringLiteral("IMAGE FILE.png [--first N] [--nearest] [--scale N]"),
        QStringLiteral(
            "Writes the tiles of a PNG laid out as \"tiles\" draws it (16 tiles a row, "
            "the first at the top left) into IMAGE's tile graphics. The scale is told "
            "from the width; a sheet with fewer rows writes only the tiles it holds. "
            "Pixels must be exactly one of the four shades (RGB, grey or indexed, "
            "opaque), unless --nearest. The whole picture is checked first and nothing is "
            "written if any of it is wrong; then the changed tiles are written in one piece, and "
            "no other byte of IMAGE changes."));
    QCommandLineParser &parser = command.parser();
    parser.addPositionalArgument(QStringLiteral("IMAGE"),
                                 QStringLiteral("The ROM image to change."));
    parser.addPositionalArgument(QStringLiteral("FILE.png"), QStringLiteral("The tile sheet."));
    parser.addOption({ kFirst,
                       QStringLiteral("Put the sheet's first tile at tile N, 0 to 255 or 0x00 to "
                                      "0xFF (default 0)."),
                       QStringLiteral("N") });
    parser.addOption(
        { kNearest,
          QStringLiteral("Move every other colour to the nearest of the four "
                         "shades (by squared RGB distance) instead of refusing it.") });
    parser.addOption({ kScale,
                       QStringLiteral("Refuse the sheet unless it is drawn at scale N, 1 to %1.")
                           .arg(Render::kMaxScale),
                       QStringLiteral("N") });
    if (auto done = command.parse(arguments, 2, 2))
        return *done;
    const QString imagePath = parser.positionalArguments().at(0);
    const QString picturePath = parser.positionalArguments().at(1);
    int first = 0;
    if (parser.isSet(kFirst)) {
        if (Status parsed = parseFirst(parser.value(kFirst), first); !parsed)
            return failure(parsed.error);
    }
    int givenScale = 0;
    if (parser.isSet(kScale)) {
        if (Status parsed = parseScale(parser.value(kScale), givenScale); !parsed)
            return failure(parsed.error);
    }

    // Everything about the picture is checked before the image is even read.
    QImage picture;
    if (Status read = readPicture(picturePath, givenScale, picture); !read)
        return failure(read.error);
    int scale = 0;
    int count = 0;
    if (Status fits = sheetLayout(picture.size(), givenScale, scale, count); !fits)
        return failure(aboutFile(picturePath, fits.error));
    if (first + count > RomLayout::kTileCount)
        return failure(aboutFile(
            picturePath,
            QStringLiteral("its %1 tiles from tile %2 would end at tile %3, past the last tile %4")
                .arg(count)
                .arg(tileName(first), Hex::digits(first + count - 1, 2),
                     tileName(RomLayout::kTileCount - 1))));
    std::vector<std::uint8_t> shades;
    qsizetype moved = 0;
    if (Status mapped = shadesOf(picturePath, picture, parser.isSet(kNearest), shades, moved);
        !mapped)
        return failure(mapped.error);
    QByteArray tiles;
    if (Status encoded = encodeTiles(picturePath, shades, picture.width(), scale, count, tiles);
        !encoded)
        return failure(encoded.error);

    // One read of the tiles the sheet covers, however large the image.
    CBuffer::TileRun run;
    if (Status read = CBuffer::ReadTiles(imagePath, first, count, run); !read)
        return failure(aboutFile(imagePath, read.error));
    QStringList changed;
    int firstChanged = -1, lastChanged = -1;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = qsizetype { i } * RomLayout::kTileBytes;
        if (QByteArrayView(tiles).sliced(at, RomLayout::kTileBytes)
            == run.bytes().sliced(at, RomLayout::kTileBytes))
            continue;
        changed.append(tileName(first + i));
        if (firstChanged < 0)
            firstChanged = i;
        lastChanged = i;
    }

    QString report;
    if (parser.isSet(kNearest))
        report += QStringLiteral("moved %1 pixel%2 of %3 to the nearest shade\n")
                      .arg(moved)
                      .arg(moved == 1 ? "" : "s", QFileInfo(picturePath).fileName());
    const QString imageName = QFileInfo(imagePath).fileName();
    if (changed.isEmpty())
        return success((report
                        + QStringLiteral("no tile changed in %1: tiles %2 to %3 of %4 match it, "
                                         "nothing written\n")
                              .arg(imageName, tileName(first), tileName(first + count - 1),
                                   QFileInfo(picturePath).fileName()))
                           .toUtf8());
    // Unchanged tiles between the changed ones are written with their own bytes: one write
    // of the span, which writeAt first checks lies inside the image.
    const QByteArrayView span = QByteArrayView(tiles).sliced(
        qsizetype { firstChanged } * RomLayout::kTileBytes,
        qsizetype { lastChanged - firstChanged + 1 } * RomLayout::kTileBytes);
    Status written = FileAccess::writeAt(imagePath, RomLayout::tileOffset(first + firstChanged),
                                         { reinterpret_cast<const std::uint8_t *>(span.data()),
                                           static_cast<std::size_t>(span.size()) },
                                         FileAccess::Flush::ToDisk);
    if (!written)
        return failure(aboutFile(imagePath,
                                 QStringLiteral("writing tiles %1 to %2: %3")
                                     .arg(tileName(first + firstChanged),
                                          tileName(first + lastChanged), written.error)));
    report += QStringLiteral("wrote %1 changed tile%2 into %3: %4\n")
                  .arg(changed.size())
                  .arg(changed.size() == 1 ? "" : "s", imageName, changed.join(u", "));
    return success(report.toUtf8());
}

} // namespace Commands
