// Tests of the sample ROM image that dorrik-demo-image writes: layout, artwork and levels.
#include "DemoArt.h"
#include "rom/CBuffer.h"
#include "rom/CartridgeHeader.h"
#include "rom/RomLayout.h"

#include <QFile>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

using Pixels = std::array<std::array<int, 8>, 8>;

// Decodes with the editor's own decoder, so the artwork is checked as the editor will show it.
Pixels decode(const QByteArray &bytes)
{
    std::memcpy(CBuffer::bytTile.data(), bytes.constData(), CBuffer::bytTile.size());
    Pixels pixels {};
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column)
            pixels[row][column] = CBuffer::PixelValue(row, column);
    }
    return pixels;
}

QSet<int> shadesOf(const Pixels &pixels)
{
    QSet<int> shades;
    for (const auto &row : pixels) {
        for (const int value : row)
            shades.insert(value);
    }
    return shades;
}

int inkIn(const Pixels &pixels, int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    int ink = 0;
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column)
            ink += pixels[row][column] != 0;
    }
    return ink;
}

} // namespace

class TstDemoImage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void encodesRowsTheWayTheEditorDecodesThem();
    void imageHoldsOnlyTheRegionsTitleAndMarkers();
    void imageIsTheSameEveryTime();
    void toolWritesTheBuiltImage();

    void tilesAreDistinctAndDrawn();
    void glyphsAreReadableBlackOnWhite();

    void levelsAreFramedAndTitled_data();
    void levelsAreFramedAndTitled();
    void levelsDifferInTheirLayout();

private:
    QByteArray tileBytes(int tile) const
    {
        return m_image.mid(RomLayout::tileOffset(tile), RomLayout::kTileBytes);
    }
    QByteArray levelBytes(int level) const
    {
        return m_image.mid(RomLayout::levelOffset(level), RomLayout::kLevelBytes);
    }

    QByteArray m_image;
};

void TstDemoImage::initTestCase()
{
    m_image = DemoArt::buildImage();
    QCOMPARE(m_image.size(), DemoArt::kImageSize);
    QCOMPARE(m_image.size(), 131072);
}

void TstDemoImage::encodesRowsTheWayTheEditorDecodesThem()
{
    // Every shade in every column, and rows that tell top from bottom.
    const std::array<std::string_view, 8> rows { "#+o.#+o.", ".o+#.o+#", "########", "........",
                                                 "+.......", ".......o", "oooo++++", "#......." };
    DemoArt::TileBytes bytes {};
    QVERIFY(DemoArt::encodeTile(rows, bytes));
    QCOMPARE(bytes[0], 0xCC); // low bits of "#+o.#+o."
    QCOMPARE(bytes[1], 0xAA); // high bits
    const Pixels pixels
        = decode(QByteArray(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column)
            QCOMPARE(pixels[row][column], TileGraphics::shadeOf(rows[row][column]));
    }

    // A slip in a drawing is refused and leaves the output alone.
    const DemoArt::TileBytes before = bytes;
    std::array<std::string_view, 8> shortRow = rows;
    shortRow[3] = ".......";
    QVERIFY(!DemoArt::encodeTile(shortRow, bytes));
    std::array<std::string_view, 8> strayCharacter = rows;
    strayCharacter[5] = "...x....";
    QVERIFY(!DemoArt::encodeTile(strayCharacter, bytes));
    QCOMPARE(bytes, before);
}

void TstDemoImage::imageHoldsOnlyTheRegionsTitleAndMarkers()
{
    const char title[] = "DORRIK DEMO";
    QCOMPARE(m_image.mid(0x134, sizeof title - 1), QByteArray(title));

    // The markers just outside each region show a write that strays by one byte.
    const std::array<qsizetype, 4> markers { RomLayout::kTileRegionStart - 1,
                                             RomLayout::kTileRegionEnd,
                                             RomLayout::kLevelRegionStart - 1,
                                             RomLayout::kLevelRegionEnd };
    for (const qsizetype at : markers)
        QCOMPARE(static_cast<std::uint8_t>(m_image[at]), DemoArt::kMarker);
    QCOMPARE(static_cast<std::uint8_t>(m_image[0x11000]), 0xA5);
    QCOMPARE(static_cast<std::uint8_t>(m_image[0x14000]), 0xA5);

    // Everything else outside the regions is zero: nothing was written out of place.
    for (qsizetype at = 0; at < m_image.size(); ++at) {
        const bool inTiles = at >= RomLayout::kTileRegionStart && at < RomLayout::kTileRegionEnd;
        const bool inLevels = at >= RomLayout::kLevelRegionStart && at < RomLayout::kLevelRegionEnd;
        const bool inTitle = at >= 0x134 && at < 0x134 + qsizetype(sizeof title - 1);
        const bool isChecksum
            = at >= CartridgeHeader::kHeaderChecksumAt && at < CartridgeHeader::kHeaderEnd;
        const bool isMarker = std::find(markers.begin(), markers.end(), at) != markers.end();
        if (!inTiles && !inLevels && !inTitle && !isChecksum && !isMarker && m_image[at] != 0)
            QFAIL(qPrintable(QStringLiteral("stray byte at 0x%1").arg(at, 0, 16)));
    }
    // Both checksums hold for the finished image, so emulators take it as it is.
    QVERIFY(CartridgeHeader::headerChecksum(m_image).valid());
    QVERIFY(CartridgeHeader::globalChecksum(m_image).valid());
    // And the regions were filled: the last tile and the last level are not left empty.
    QVERIFY(tileBytes(RomLayout::kTileCount - 1).count('\0') < RomLayout::kTileBytes);
    QVERIFY(levelBytes(RomLayout::kLevelCount).count('\0') < RomLayout::kLevelBytes);
}

void TstDemoImage::imageIsTheSameEveryTime()
{
    QCOMPARE(DemoArt::buildImage(), m_image);
    QCOMPARE(DemoArt::buildImage(), m_image);
}

void TstDemoImage::toolWritesTheBuiltImage()
{
    const QString path = qEnvironmentVariable("DORRIK_DEMO_IMAGE");
    if (path.isEmpty())
        QSKIP("DORRIK_DEMO_IMAGE is not set; run the suite through ctest");
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path + ": " + file.errorString()));
    QCOMPARE(file.readAll(), m_image);
}

void TstDemoImage::tilesAreDistinctAndDrawn()
{
    QSet<QByteArray> seen;
    QSet<int> terrainShades;
    for (int tile = 0; tile < RomLayout::kTileCount; ++tile) {
        const QByteArray bytes = tileBytes(tile);
        QVERIFY2(!seen.contains(bytes), qPrintable(QStringLiteral("tile %1 repeats").arg(tile)));
        seen.insert(bytes);

        const QSet<int> shades = shadesOf(decode(bytes));
        if (tile == DemoArt::kBlank) {
            QCOMPARE(shades, QSet<int> { 0 }); // the empty cell is plain white
            continue;
        }
        QVERIFY2(shades.size() >= 2,
                 qPrintable(QStringLiteral("tile %1 is a single shade").arg(tile)));
        if (tile < DemoArt::kTerrainCount)
            terrainShades.unite(shades);
    }
    QCOMPARE(terrainShades, (QSet<int> { 0, 1, 2, 3 }));
}

void TstDemoImage::glyphsAreReadableBlackOnWhite()
{
    // A glyph's tile number is its character code.
    QSet<QByteArray> glyphs;
    for (int code = '!'; code < DemoArt::kPaletteTiles; ++code) {
        const Pixels pixels = decode(tileBytes(code));
        QVERIFY2(shadesOf(pixels) == (QSet<int> { 0, 3 }),
                 qPrintable(QStringLiteral("glyph '%1' is not black on white").arg(QChar(code))));
        glyphs.insert(tileBytes(code));
    }
    QCOMPARE(glyphs.size(), DemoArt::kPaletteTiles - '!');

    // Upright and unmirrored: an L carries its ink on the left and at the foot, a 7 at the top
    // and an F on the left and at the top.
    const Pixels l = decode(tileBytes('L'));
    QVERIFY(inkIn(l, 0, 7, 0, 3) > inkIn(l, 0, 7, 4, 7));
    QVERIFY(inkIn(l, 4, 7, 0, 7) > inkIn(l, 0, 3, 0, 7));
    const Pixels seven = decode(tileBytes('7'));
    QVERIFY(inkIn(seven, 0, 3, 0, 7) > inkIn(seven, 4, 7, 0, 7));
    const Pixels f = decode(tileBytes('F'));
    QVERIFY(inkIn(f, 0, 7, 0, 3) > inkIn(f, 0, 7, 4, 7));
    QVERIFY(inkIn(f, 0, 3, 0, 7) > inkIn(f, 4, 7, 0, 7));
}

void TstDemoImage::levelsAreFramedAndTitled_data()
{
    QTest::addColumn<int>("level");
    for (int level = 1; level <= RomLayout::kLevelCount; ++level)
        QTest::addRow("level %d", level) << level;
}

void TstDemoImage::levelsAreFramedAndTitled()
{
    QFETCH(int, level);
    const QByteArray cells = levelBytes(level);
    const auto cell = [&](int column, int row) {
        return static_cast<std::uint8_t>(cells[RomLayout::cellIndex(column, row)]);
    };
    constexpr int lastColumn = RomLayout::kLevelColumns - 1;
    constexpr int lastRow = RomLayout::kLevelRows - 1;

    int players = 0;
    int ladders = 0;
    int doors = 0;
    for (int row = 0; row <= lastRow; ++row) {
        for (int column = 0; column <= lastColumn; ++column) {
            const std::uint8_t tile = cell(column, row);
            QVERIFY2(tile < DemoArt::kPaletteTiles,
                     qPrintable(QStringLiteral("tile %1 at (%2, %3) is beyond the palette")
                                    .arg(tile)
                                    .arg(column)
                                    .arg(row)));
            if (column == 0 || row == 0 || column == lastColumn || row == lastRow)
                QCOMPARE(tile, DemoArt::kBrick);
            players += tile == DemoArt::kPlayer;
            ladders += tile == DemoArt::kLadder;
            if (tile == DemoArt::kDoorTop) {
                QVERIFY(row < lastRow);
                QCOMPARE(cell(column, row + 1), DemoArt::kDoorBottom);
                ++doors;
            }
        }
    }
    QCOMPARE(players, 1);
    QCOMPARE(doors, 1);
    QVERIFY(ladders > 0);

    // "LEVEL nn" in glyph tiles near the top, with a blank tile between word and number.
    QByteArray title = QStringLiteral("LEVEL %1").arg(level, 2, 10, QLatin1Char('0')).toLatin1();
    title.replace(' ', '\0');
    bool titled = false;
    for (int row = 1; row <= 2 && !titled; ++row)
        titled = cells.mid(RomLayout::cellIndex(1, row), lastColumn - 1).contains(title);
    QVERIFY2(titled, title.constData());
}

void TstDemoImage::levelsDifferInTheirLayout()
{
    QSet<QByteArray> maps;
    QSet<QByteArray> layouts;
    for (int level = 1; level <= RomLayout::kLevelCount; ++level) {
        QByteArray cells = levelBytes(level);
        maps.insert(cells);
        // Below the title row, so the level numbers alone cannot make them differ.
        layouts.insert(cells.mid(RomLayout::cellIndex(0, 2)));
    }
    QCOMPARE(maps.size(), RomLayout::kLevelCount);
    QCOMPARE(layouts.size(), RomLayout::kLevelCount);
}

QTEST_APPLESS_MAIN(TstDemoImage)

#include "tst_demoimage.moc"
