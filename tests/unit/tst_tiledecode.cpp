// Decoding Game Boy tile graphics and drawing them at double size in the four shades.
#include "base/TileCanvas.h"
#include "rom/CBuffer.h"

#include <QTest>

#include <map>
#include <utility>

namespace {

// The standard shades' own values are pinned by the start-up test; here they are named.
constexpr std::uint32_t kWhite = TileGraphics::kShades[0];
constexpr std::uint32_t kLight = TileGraphics::kShades[1];
constexpr std::uint32_t kDark = TileGraphics::kShades[2];
constexpr std::uint32_t kBlack = TileGraphics::kShades[3];
constexpr std::uint32_t kUntouched = 0x123456;

// Records every pixel write and refresh, on a 64 x 64 area prefilled with a marker colour.
class RecordingCanvas : public TileCanvas
{
public:
    RecordingCanvas() { pixels.fill(kUntouched); }
    void setPixel(int x, int y, std::uint32_t colour) override
    {
        ++writes;
        if (x >= 0 && y >= 0 && x < 64 && y < 64)
            pixels[static_cast<std::size_t>(y * 64 + x)] = colour;
    }
    void refresh() override { ++refreshes; }
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * 64 + x)]; }

    std::array<std::uint32_t, 64 * 64> pixels {};
    int writes = 0;
    int refreshes = 0;
};

using Bytes = std::array<std::uint8_t, 16>;

// Draws bytes at (8, 4) and returns the canvas.
RecordingCanvas draw(const Bytes &bytes, int x = 8, int y = 4)
{
    CBuffer::lngShade = TileGraphics::kShades;
    CBuffer::bytTile = bytes;
    RecordingCanvas canvas;
    CBuffer::DrawTile(canvas, x, y);
    return canvas;
}

} // namespace

class TileDecodeTest : public QObject
{
    Q_OBJECT

private slots:
    void byteToBinary_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("digits");
        QTest::newRow("zero keeps eight digits") << 0 << "00000000";
        QTest::newRow("one is the last digit") << 1 << "00000001";
        QTest::newRow("five") << 5 << "00000101";
        QTest::newRow("top bit") << 128 << "10000000";
        QTest::newRow("all") << 255 << "11111111";
        QTest::newRow("mixed") << 0xA6 << "10100110";
    }
    void byteToBinary()
    {
        QFETCH(int, value);
        QFETCH(QString, digits);
        QCOMPARE(CBuffer::ByteToBinary(static_cast<std::uint8_t>(value)), digits);
    }

    // A whole tile of one shade, and a row pair in each of the four shades.
    void solidShades_data()
    {
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<quint32>("colour");
        QTest::newRow("value 0 is white") << 0x00 << 0x00 << quint32(kWhite);
        QTest::newRow("low bits alone are light grey") << 0xFF << 0x00 << quint32(kLight);
        QTest::newRow("high bits alone are dark grey") << 0x00 << 0xFF << quint32(kDark);
        QTest::newRow("both bits are black") << 0xFF << 0xFF << quint32(kBlack);
    }
    void solidShades()
    {
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(quint32, colour);
        Bytes bytes {};
        for (int row = 0; row < 8; ++row) {
            bytes[2 * row] = static_cast<std::uint8_t>(low);
            bytes[2 * row + 1] = static_cast<std::uint8_t>(high);
        }
        const RecordingCanvas canvas = draw(bytes);
        for (int y = 4; y < 20; ++y) {
            for (int x = 8; x < 24; ++x)
                QCOMPARE(canvas.at(x, y), colour);
        }
    }

    // Single set bits land in the right 2 x 2 block: the corners pin down bit order, row order
    // and which byte of a pair is the low one.
    void singleBits_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("blockX");
        QTest::addColumn<int>("blockY");
        QTest::addColumn<quint32>("colour");
        QTest::newRow("bit 7 of byte 0: top-left, light") << 0 << 0x80 << 0 << 0 << quint32(kLight);
        QTest::newRow("bit 0 of byte 0: top-right") << 0 << 0x01 << 14 << 0 << quint32(kLight);
        QTest::newRow("bit 7 of byte 1: top-left, dark") << 1 << 0x80 << 0 << 0 << quint32(kDark);
        QTest::newRow("bit 0 of byte 15: bottom-right, dark")
            << 15 << 0x01 << 14 << 14 << quint32(kDark);
        QTest::newRow("bit 7 of byte 14: bottom-left, light")
            << 14 << 0x80 << 0 << 14 << quint32(kLight);
        QTest::newRow("row 3, column 4") << 6 << 0x08 << 8 << 6 << quint32(kLight);
    }
    void singleBits()
    {
        QFETCH(int, index);
        QFETCH(int, value);
        QFETCH(int, blockX);
        QFETCH(int, blockY);
        QFETCH(quint32, colour);
        Bytes bytes {};
        bytes[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(value);
        const int x0 = 8;
        const int y0 = 4;
        const RecordingCanvas canvas = draw(bytes, x0, y0);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const bool inBlock = x >= blockX && x < blockX + 2 && y >= blockY && y < blockY + 2;
                QCOMPARE(canvas.at(x0 + x, y0 + y), inBlock ? colour : kWhite);
            }
        }
    }

    void drawsOnlyItsOwnArea()
    {
        Bytes bytes;
        bytes.fill(0xFF);
        const RecordingCanvas canvas = draw(bytes, 16, 32);
        QCOMPARE(canvas.writes, 256);
        QCOMPARE(canvas.refreshes, 1);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const bool inside = x >= 16 && x < 32 && y >= 32 && y < 48;
                QCOMPARE(canvas.at(x, y) == kBlack, inside);
                if (!inside)
                    QCOMPARE(canvas.at(x, y), kUntouched);
            }
        }
    }

    // The shades are read at drawing time, so the table is what decides the colours.
    void usesTheShadeTable()
    {
        CBuffer::bytTile = {};
        CBuffer::bytTile[0] = 0x80;
        CBuffer::lngShade = { 1, 2, 3, 4 };
        RecordingCanvas canvas;
        CBuffer::DrawTile(canvas, 0, 0);
        QCOMPARE(canvas.at(0, 0), 2u);
        QCOMPARE(canvas.at(2, 0), 1u);
        CBuffer::lngShade = TileGraphics::kShades;
    }

    void pixelValueMatchesDigitPairs()
    {
        // Every byte pair: the value of column j is low digit + 2 x high digit of the binary
        // texts, the rule the drawing follows.
        for (int low = 0; low < 256; low += 7) {
            for (int high = 0; high < 256; high += 11) {
                CBuffer::bytTile = {};
                CBuffer::bytTile[2] = static_cast<std::uint8_t>(low);
                CBuffer::bytTile[3] = static_cast<std::uint8_t>(high);
                const QString lowDigits = CBuffer::ByteToBinary(static_cast<std::uint8_t>(low));
                const QString highDigits = CBuffer::ByteToBinary(static_cast<std::uint8_t>(high));
                for (int column = 0; column < 8; ++column) {
                    const int expected = (lowDigits[column] == QLatin1Char('1') ? 1 : 0)
                        + (highDigits[column] == QLatin1Char('1') ? 2 : 0);
                    QCOMPARE(CBuffer::PixelValue(1, column), expected);
                }
            }
        }
    }
};

QTEST_APPLESS_MAIN(TileDecodeTest)
#include "tst_tiledecode.moc"
