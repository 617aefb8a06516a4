// Checks what an editing session on a real X server left behind: the saved file and a screenshot.
//
//   e2e_check tile SHOT IMAGE TILE X Y
//       the 16 x 16 pixels at (X, Y) of the screenshot show TILE of IMAGE
//   e2e_check screen SHOT WIDTHxHEIGHT IMAGE LEVEL TILE PALETTE CELLS...
//       the window's screenshot shows LEVEL of IMAGE with CELLS ("column,row") painted with TILE,
//       the palette from tile PALETTE on, and TILE as the current and left tile
//   e2e_check all ORIGINAL EDITED SHOT WIDTHxHEIGHT LEVEL TILE PALETTE CELLS...
//       both: EDITED differs from ORIGINAL in exactly CELLS of LEVEL, each now TILE, and the
//       screenshot as for "screen", with ORIGINAL's tiles and map
//   e2e_check played SAVED PLAYED LEVEL GESTURES...
//       PLAYED is SAVED with LEVEL's map, as GESTURES left it, in level 1's place and its own;
//       the gestures, replayed in order on SAVED's map of LEVEL, are "fill:C,R:TILE" (the area
//       around cell (C,R)), "replace:C,R:TILE" (every cell holding (C,R)'s tile) and
//       "paste:C,R,W,H:C2,R2" (the W x H cells from (C,R) copied to (C2,R2), clipped at the edges)
//
// Exits 0 when everything matches, 1 with one line per mismatch otherwise, 2 on bad arguments.
#include "TestImages.h"
#include "WindowGeometry.h"
#include "rom/LevelAreas.h"
#include "rom/LevelMap.h"
#include "rom/RomLayout.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

// Where the checked surfaces' insides lie in the client area (WindowGeometry::kClientSize),
// each surface's one-pixel border left out.
constexpr QPoint kEditorInside(172 + 16 + 1, 0 + 24 + 1);
constexpr QPoint kPaletteInside(4 + 16 + 1, 0 + 32 + 1);
constexpr QPoint kCurrentInside(4 + 112 + 1, 112 + 1);
constexpr QPoint kLeftInside(4 + 112 + 1, 136 + 1);
constexpr QPoint kRightInside(4 + 112 + 1, 160 + 1);
constexpr int kCell = 16;
constexpr int kPaletteSlots = 18;
constexpr int kShownMismatches = 8;

using Cell = std::pair<int, int>; // column, row

void say(const QString &line)
{
    std::fprintf(stderr, "e2e_check: %s\n", qPrintable(line));
}

std::optional<int> number(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 0);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<Cell> cell(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    const std::optional<int> column = number(parts[0]);
    const std::optional<int> row = number(parts[1]);
    if (!column || !row || !LevelMap::inRange(*column, *row))
        return std::nullopt;
    return Cell(*column, *row);
}

std::optional<std::set<Cell>> cells(const QStringList &texts)
{
    std::set<Cell> result;
    for (const QString &text : texts) {
        const std::optional<Cell> one = cell(text);
        if (!one)
            return std::nullopt;
        result.insert(*one);
    }
    if (result.empty())
        return std::nullopt;
    return result;
}

std::optional<QSize> size(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('x'));
    if (parts.size() != 2)
        return std::nullopt;
    const std::optional<int> width = number(parts[0]);
    const std::optional<int> height = number(parts[1]);
    if (!width || !height)
        return std::nullopt;
    return QSize(*width, *height);
}

QString colourText(QRgb colour)
{
    return QStringLiteral("(%1,%2,%3)").arg(qRed(colour)).arg(qGreen(colour)).arg(qBlue(colour));
}

QString cellText(const Cell &cell)
{
    return QStringLiteral("(%1,%2)").arg(cell.first).arg(cell.second);
}

bool readImage(const QString &path, QByteArray &bytes)
{
    bytes = TestImages::read(path);
    if (bytes.size() < RomLayout::kLevelRegionEnd) {
        say(QStringLiteral("%1: cannot read it, or it is too short for a ROM image (%2 bytes)")
                .arg(path)
                .arg(bytes.size()));
        return false;
    }
    return true;
}

bool readShot(const QString &path, QImage &shot)
{
    shot = QImage(path);
    if (shot.isNull()) {
        say(QStringLiteral("%1: cannot read the screenshot").arg(path));
        return false;
    }
    shot = shot.convertToFormat(QImage::Format_RGB32);
    return true;
}

QImage tilePicture(const QByteArray &image, int tile)
{
    return TestImages::expectedTile(TestImages::tileBytesOf(image, tile));
}

std::uint8_t levelCell(const QByteArray &image, int level, int column, int row)
{
    return static_cast<std::uint8_t>(
        image.at(RomLayout::levelOffset(level) + RomLayout::cellIndex(column, row)));
}

// The pixels of a rectangle of the screenshot that differ from expected, which is drawn with
// its top-left at `at`; rows listed in skipRows are not compared. Returns how many differ and
// describes the first one.
int differences(const QImage &shot, QPoint at, const QImage &expected, QString *first = nullptr,
                const std::set<int> &skipRows = {})
{
    int count = 0;
    for (int y = 0; y < expected.height(); ++y) {
        if (skipRows.count(y))
            continue;
        for (int x = 0; x < expected.width(); ++x) {
            const QPoint pixel = at + QPoint(x, y);
            const QRgb want = expected.pixel(x, y) & 0xFFFFFF;
            const QRgb have = shot.valid(pixel) ? (shot.pixel(pixel) & 0xFFFFFF) : 0xFF000000;
            if (want == have)
                continue;
            if (count == 0 && first) {
                *first
                    = QStringLiteral("pixel (%1,%2) of the screenshot is %3, expected %4")
                          .arg(pixel.x())
                          .arg(pixel.y())
                          .arg(have == 0xFF000000 ? QStringLiteral("outside it") : colourText(have))
                          .arg(colourText(want));
            }
            ++count;
        }
    }
    return count;
}

// The editor's picture: the level's tiles, with the painted cells showing the painted tile.
QImage expectedEditor(const QByteArray &image, int level, int tile, const std::set<Cell> &painted)
{
    QImage picture(RomLayout::kLevelColumns * kCell, RomLayout::kLevelRows * kCell,
                   QImage::Format_RGB32);
    for (int row = 0; row < RomLayout::kLevelRows; ++row) {
        for (int column = 0; column < RomLayout::kLevelColumns; ++column) {
            const int shown
                = painted.count({ column, row }) ? tile : levelCell(image, level, column, row);
            const QImage cell = tilePicture(image, shown);
            for (int y = 0; y < kCell; ++y) {
                for (int x = 0; x < kCell; ++x)
                    picture.setPixel(kCell * column + x, kCell * row + y, cell.pixel(x, y));
            }
        }
    }
    return picture;
}

// Whether the rectangle of the screenshot at `at` shows expected exactly.
bool matches(const QImage &shot, QPoint at, const QImage &expected)
{
    if (!shot.rect().contains(QRect(at, expected.size())))
        return false;
    for (int y = 0; y < expected.height(); ++y) {
        const auto *have = reinterpret_cast<const QRgb *>(shot.constScanLine(at.y() + y)) + at.x();
        const auto *want = reinterpret_cast<const QRgb *>(expected.constScanLine(y));
        for (int x = 0; x < expected.width(); ++x) {
            if ((have[x] & 0xFFFFFF) != (want[x] & 0xFFFFFF))
                return false;
        }
    }
    return true;
}

// Finds where the editor's picture is in the screenshot, if anywhere, by the first two rows of
// cells that hold no painted cell: they place the picture even when the painting went wrong.
std::optional<QPoint> findEditor(const QImage &shot, const QImage &editor,
                                 const std::set<Cell> &painted)
{
    int first = 0;
    for (const Cell &cell : painted) {
        if (cell.second == first || cell.second == first + 1)
            first = cell.second + 1;
    }
    if (first + 2 > RomLayout::kLevelRows)
        return std::nullopt;
    const QImage rows = editor.copy(0, kCell * first, editor.width(), 2 * kCell);
    for (int y = 0; y + editor.height() <= shot.height(); ++y) {
        for (int x = 0; x + editor.width() <= shot.width(); ++x) {
            if (matches(shot, { x, y + kCell * first }, rows))
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

bool checkScreen(const QImage &shot, QSize window, const QByteArray &image, int level, int tile,
                 int paletteFirst, const std::set<Cell> &painted)
{
    bool ok = true;
    if (shot.size() != window) {
        say(QStringLiteral("the screenshot is %1x%2, but the window is %3x%4")
                .arg(shot.width())
                .arg(shot.height())
                .arg(window.width())
                .arg(window.height()));
        return false;
    }
    // The client area fills the window below the menu bar.
    const int menuBar = window.height() - WindowGeometry::kClientSize.height();
    if (window.width() != WindowGeometry::kClientSize.width() || menuBar <= 0 || menuBar > 100) {
        say(QStringLiteral("the window is %1x%2; a %3x%4 client area under a menu bar cannot be "
                           "in it")
                .arg(window.width())
                .arg(window.height())
                .arg(WindowGeometry::kClientSize.width())
                .arg(WindowGeometry::kClientSize.height()));
        return false;
    }
    const QPoint client(0, menuBar);

    // A cell that already held the tile, or a tile the palette did not show, would let a
    // broken session pass.
    for (const Cell &cell : painted) {
        if (levelCell(image, level, cell.first, cell.second) == tile) {
            say(QStringLiteral("cell %1 of level %2 already holds tile %3: painting it proves "
                               "nothing")
                    .arg(cellText(cell))
                    .arg(level)
                    .arg(tile));
            ok = false;
        }
    }
    if (tile < paletteFirst || tile >= paletteFirst + kPaletteSlots) {
        say(QStringLiteral("tile %1 is not on the palette that starts at tile %2")
                .arg(tile)
                .arg(paletteFirst));
        ok = false;
    }

    const QImage editor = expectedEditor(image, level, tile, painted);
    const QPoint editorAt = client + kEditorInside;
    if (const std::optional<QPoint> found = findEditor(shot, editor, painted); !found) {
        say(QStringLiteral("level %1's picture is nowhere in the screenshot").arg(level));
    } else if (*found != editorAt) {
        say(QStringLiteral("the level's picture is at (%1,%2) of the window, expected (%3,%4)")
                .arg(found->x())
                .arg(found->y())
                .arg(editorAt.x())
                .arg(editorAt.y()));
        ok = false;
    }
    int wrong = 0;
    for (int row = 0; row < RomLayout::kLevelRows; ++row) {
        for (int column = 0; column < RomLayout::kLevelColumns; ++column) {
            const QPoint at = editorAt + QPoint(kCell * column, kCell * row);
            QString first;
            const int count = differences(
                shot, at, editor.copy(kCell * column, kCell * row, kCell, kCell), &first);
            if (count == 0)
                continue;
            if (++wrong <= kShownMismatches) {
                const bool isPainted = painted.count({ column, row }) > 0;
                say(QStringLiteral("editor cell %1 should show %2 tile %3, but %4 of its pixels "
                                   "differ; the first: %5")
                        .arg(cellText({ column, row }))
                        .arg(isPainted ? QStringLiteral("the painted") : QStringLiteral("level's"))
                        .arg(isPainted ? tile : levelCell(image, level, column, row))
                        .arg(count)
                        .arg(first));
            }
        }
    }
    if (wrong > kShownMismatches)
        say(QStringLiteral("... %1 editor cells differ in all").arg(wrong));
    ok = ok && wrong == 0;

    // The palette's grid lines cover the top row of every slot but the first.
    for (int slot = 0; slot < kPaletteSlots; ++slot) {
        const std::set<int> skip = slot > 0 ? std::set<int> { 0 } : std::set<int> {};
        QString first;
        const int count = differences(shot, client + kPaletteInside + QPoint(0, kCell * slot),
                                      tilePicture(image, paletteFirst + slot), &first, skip);
        if (count != 0) {
            say(QStringLiteral("palette slot %1 should show tile %2, but %3 pixels differ; the "
                               "first: %4")
                    .arg(slot)
                    .arg(paletteFirst + slot)
                    .arg(count)
                    .arg(first));
            ok = false;
        }
    }

    const struct
    {
        const char *name;
        QPoint inside;
        int tile;
    } previews[] = { { "current", kCurrentInside, tile },
                     { "left", kLeftInside, tile },
                     { "right", kRightInside, 0 } };
    for (const auto &preview : previews) {
        QString first;
        const int count
            = differences(shot, client + preview.inside, tilePicture(image, preview.tile), &first);
        if (count != 0) {
            say(QStringLiteral("the %1 tile's preview should show tile %2, but %3 pixels "
                               "differ; the first: %4")
                    .arg(QLatin1String(preview.name))
                    .arg(preview.tile)
                    .arg(count)
                    .arg(first));
            ok = false;
        }
    }
    return ok;
}

bool checkFiles(const QByteArray &original, const QByteArray &edited, int level, int tile,
                const std::set<Cell> &painted)
{
    if (original.size() != edited.size()) {
        say(QStringLiteral("the saved image has %1 bytes, the original %2")
                .arg(edited.size())
                .arg(original.size()));
        return false;
    }
    std::set<qsizetype> cellOffsets;
    for (const Cell &cell : painted)
        cellOffsets.insert(RomLayout::levelOffset(level)
                           + RomLayout::cellIndex(cell.first, cell.second));
    int wrong = 0;
    for (qsizetype offset = 0; offset < original.size(); ++offset) {
        const auto was = static_cast<std::uint8_t>(original.at(offset));
        const auto now = static_cast<std::uint8_t>(edited.at(offset));
        const bool isPainted = cellOffsets.count(offset) > 0;
        const int want = isPainted ? tile : was;
        if (now == want)
            continue;
        if (++wrong <= kShownMismatches) {
            say(QStringLiteral("byte 0x%1 (%2) is 0x%3, expected 0x%4")
                    .arg(offset, 5, 16, QLatin1Char('0'))
                    .arg(isPainted ? QStringLiteral("a painted cell of level %1").arg(level)
                                   : QStringLiteral("not painted, so as in the original"))
                    .arg(now, 2, 16, QLatin1Char('0'))
                    .arg(want, 2, 16, QLatin1Char('0')));
        }
    }
    if (wrong > kShownMismatches)
        say(QStringLiteral("... %1 bytes differ in all").arg(wrong));
    return wrong == 0;
}

// Replays one gesture on map; returns how many cells it changed, or nothing when the gesture's
// text is malformed.
std::optional<int> replay(LevelMap &map, const QString &gesture)
{
    const QStringList parts = gesture.split(QLatin1Char(':'));
    const QString kind = parts.value(0);
    int changed = 0;
    const auto put = [&](int column, int row, int tile) {
        if (LevelMap::inRange(column, row) && map.cellAt(column, row) != tile) {
            map.setCell(column, row, tile);
            ++changed;
        }
    };
    if ((kind == QLatin1String("fill") || kind == QLatin1String("replace")) && parts.size() == 3) {
        const std::optional<Cell> at = cell(parts[1]);
        const std::optional<int> tile = number(parts[2]);
        if (!at || !tile || *tile < 0 || *tile >= RomLayout::kTileCount)
            return std::nullopt;
        const auto index = static_cast<std::uint16_t>(RomLayout::cellIndex(at->first, at->second));
        const std::vector<std::uint16_t> area = kind == QLatin1String("fill")
            ? LevelAreas::connectedArea(map, index)
            : LevelAreas::sameTile(map, index);
        for (const std::uint16_t each : area)
            put(each % RomLayout::kLevelColumns, each / RomLayout::kLevelColumns, *tile);
        return changed;
    }
    const QStringList rect = parts.value(1).split(QLatin1Char(','));
    const std::optional<Cell> from = cell(rect.mid(0, 2).join(QLatin1Char(',')));
    const std::optional<int> columns = number(rect.value(2));
    const std::optional<int> rows = number(rect.value(3));
    const std::optional<Cell> to = cell(parts.value(2));
    if (kind != QLatin1String("paste") || parts.size() != 3 || rect.size() != 4 || !from || !columns
        || !rows || !to || *columns < 1 || *rows < 1
        || !LevelMap::inRange(from->first + *columns - 1, from->second + *rows - 1))
        return std::nullopt;
    const LevelMap copied = map;
    for (int row = 0; row < *rows; ++row) {
        for (int column = 0; column < *columns; ++column)
            put(to->first + column, to->second + row,
                copied.cellAt(from->first + column, from->second + row));
    }
    return changed;
}

// Whether played is saved with map in level 1's place and in level's.
bool checkPlayed(const QByteArray &saved, const QByteArray &played, int level, const LevelMap &map)
{
    if (played.size() != saved.size()) {
        say(QStringLiteral("the played copy has %1 bytes, the saved image %2")
                .arg(played.size())
                .arg(saved.size()));
        return false;
    }
    int wrong = 0;
    for (qsizetype offset = 0; offset < saved.size(); ++offset) {
        int want = static_cast<std::uint8_t>(saved.at(offset));
        QString what = QStringLiteral("outside the played places, so as saved");
        for (const int place : { 1, level }) {
            const qsizetype index = offset - RomLayout::levelOffset(place);
            if (index >= 0 && index < RomLayout::kLevelBytes) {
                want = map.bytes().at(std::size_t(index));
                what = QStringLiteral("cell (%1,%2) of level %3")
                           .arg(index % RomLayout::kLevelColumns)
                           .arg(index / RomLayout::kLevelColumns)
                           .arg(place);
            }
        }
        const int now = static_cast<std::uint8_t>(played.at(offset));
        if (now != want && ++wrong <= kShownMismatches) {
            say(QStringLiteral("byte 0x%1 (%2) of the played copy is 0x%3, expected 0x%4")
                    .arg(offset, 5, 16, QLatin1Char('0'))
                    .arg(what)
                    .arg(now, 2, 16, QLatin1Char('0'))
                    .arg(want, 2, 16, QLatin1Char('0')));
        }
    }
    if (wrong > kShownMismatches)
        say(QStringLiteral("... %1 bytes differ in all").arg(wrong));
    return wrong == 0;
}

int usage()
{
    say(QStringLiteral(
        "usage: e2e_check tile SHOT IMAGE TILE X Y\n"
        "       e2e_check screen SHOT WIDTHxHEIGHT IMAGE LEVEL TILE PALETTE CELL...\n"
        "       e2e_check all ORIGINAL EDITED SHOT WIDTHxHEIGHT LEVEL TILE PALETTE CELL...\n"
        "       e2e_check played SAVED PLAYED LEVEL GESTURE..."));
    return 2;
}

bool validLevelAndTiles(int level, int tile, int paletteFirst)
{
    return level >= 1 && level <= RomLayout::kLevelCount && tile >= 0
        && tile < RomLayout::kTileCount && paletteFirst >= 0
        && paletteFirst + kPaletteSlots <= RomLayout::kTileCount;
}

int runTile(const QStringList &args)
{
    if (args.size() != 5)
        return usage();
    const std::optional<int> tile = number(args[2]);
    const std::optional<int> x = number(args[3]);
    const std::optional<int> y = number(args[4]);
    if (!tile || !x || !y || *tile < 0 || *tile >= RomLayout::kTileCount)
        return usage();
    QImage shot;
    QByteArray image;
    if (!readShot(args[0], shot) || !readImage(args[1], image))
        return 1;
    QString first;
    const int count = differences(shot, { *x, *y }, tilePicture(image, *tile), &first);
    if (count != 0) {
        say(QStringLiteral("the 16x16 square at (%1,%2) does not show tile %3: %4 pixels differ; "
                           "the first: %5")
                .arg(*x)
                .arg(*y)
                .arg(*tile)
                .arg(count)
                .arg(first));
        return 1;
    }
    return 0;
}

int runScreen(const QStringList &args)
{
    if (args.size() < 7)
        return usage();
    const std::optional<QSize> window = size(args[1]);
    const std::optional<int> level = number(args[3]);
    const std::optional<int> tile = number(args[4]);
    const std::optional<int> paletteFirst = number(args[5]);
    const std::optional<std::set<Cell>> painted = cells(args.mid(6));
    if (!window || !level || !tile || !paletteFirst || !painted
        || !validLevelAndTiles(*level, *tile, *paletteFirst))
        return usage();
    QImage shot;
    QByteArray image;
    if (!readShot(args[0], shot) || !readImage(args[2], image))
        return 1;
    return checkScreen(shot, *window, image, *level, *tile, *paletteFirst, *painted) ? 0 : 1;
}

int runAll(const QStringList &args)
{
    if (args.size() < 8)
        return usage();
    const std::optional<QSize> window = size(args[3]);
    const std::optional<int> level = number(args[4]);
    const std::optional<int> tile = number(args[5]);
    const std::optional<int> paletteFirst = number(args[6]);
    const std::optional<std::set<Cell>> painted = cells(args.mid(7));
    if (!window || !level || !tile || !paletteFirst || !painted
        || !validLevelAndTiles(*level, *tile, *paletteFirst))
        return usage();
    QByteArray original;
    QByteArray edited;
    QImage shot;
    if (!readImage(args[0], original) || !readImage(args[1], edited) || !readShot(args[2], shot))
        return 1;
    const bool filesOk = checkFiles(original, edited, *level, *tile, *painted);
    if (!filesOk)
        say(QStringLiteral("the saved file is not the original with the painted cells changed"));
    const bool screenOk
        = checkScreen(shot, *window, original, *level, *tile, *paletteFirst, *painted);
    if (!screenOk)
        say(QStringLiteral("the screenshot is not what the session should have left on screen"));
    return filesOk && screenOk ? 0 : 1;
}

int runPlayed(const QStringList &args)
{
    const std::optional<int> level = args.size() >= 4 ? number(args[2]) : std::nullopt;
    if (!level || *level < 1 || *level > RomLayout::kLevelCount)
        return usage();
    QByteArray saved;
    QByteArray played;
    if (!readImage(args[0], saved) || !readImage(args[1], played))
        return 1;
    LevelMap map;
    const auto start = saved.constBegin() + RomLayout::levelOffset(*level);
    std::copy(start, start + RomLayout::kLevelBytes, map.bytes().begin());
    bool ok = true;
    for (const QString &gesture : args.mid(3)) {
        const std::optional<int> changed = replay(map, gesture);
        if (!changed)
            return usage();
        // A gesture that changes nothing would pass even when the editor ignored it.
        if (*changed == 0) {
            say(QStringLiteral("%1 changes no cell: it proves nothing").arg(gesture));
            ok = false;
        }
    }
    return ok && checkPlayed(saved, played, *level, map) ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Checks the saved file and the screenshot an editing session left behind."));
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("COMMAND"),
        QStringLiteral("tile, screen, all or played; see the usage line."));
    parser.addPositionalArgument(QStringLiteral("ARGUMENTS"), QStringLiteral("The command's."),
                                 QStringLiteral("ARGUMENTS..."));
    // Painted cells and offsets are plain words; no option follows the command.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(QCoreApplication::arguments()))
        return usage();
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    if (command == QLatin1String("tile"))
        return runTile(args);
    if (command == QLatin1String("screen"))
        return runScreen(args);
    if (command == QLatin1String("all"))
        return runAll(args);
    if (command == QLatin1String("played"))
        return runPlayed(args);
    return usage();
}
