// "tiles import": a tile sheet as "tiles" draws it, edited in any pixel editor, written back
// into the image's tile graphics.
#include "CommandSupport.h"
#include "Commands.h"
#include "base/Hex.h"
#include "os/FileAccess.h"
#include "picture/Render.h"
#include "picture/TileSheet.h"
#include "rom/TileAccess.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <vector>

using namespace CommandSupport;

namespace Commands {
namespace {

const QString kFirst = QStringLiteral("first");
const QString kNearest = QStringLiteral("nearest");
const QString kScale = QStringLiteral("scale");

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

} // namespace

Commands::Outcome tilesImport(const QStringList &arguments)
{
    CommandParser command(
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
    if (Status read = TileSheet::read(picturePath, givenScale, picture); !read)
        return failure(aboutFile(picturePath, read.error));
    int scale = 0;
    int count = 0;
    if (Status fits = TileSheet::layout(picture.size(), givenScale, scale, count); !fits)
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
    if (Status mapped = TileSheet::shadesOf(picture, parser.isSet(kNearest), shades, moved);
        !mapped)
        return failure(aboutFile(picturePath, mapped.error));
    QByteArray tiles;
    if (Status encoded = TileSheet::encode(shades, picture.width(), scale, count, tiles); !encoded)
        return failure(aboutFile(picturePath, encoded.error));

    // One read of the tiles the sheet covers, however large the image.
    QByteArray graphics;
    if (Status read = TileAccess::readTiles(imagePath, first, count, graphics); !read)
        return failure(aboutFile(imagePath, read.error));
    QStringList changed;
    int firstChanged = -1, lastChanged = -1;
    for (int i = 0; i < count; ++i) {
        const qsizetype at = qsizetype { i } * RomLayout::kTileBytes;
        if (QByteArrayView(tiles).sliced(at, RomLayout::kTileBytes)
            == QByteArrayView(graphics).sliced(at, RomLayout::kTileBytes))
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
