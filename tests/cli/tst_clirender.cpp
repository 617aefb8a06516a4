// The pictures of render and tiles against the editor's own tile drawing and hand-made pixels.
#include "TestImages.h"
#include "base/TileCanvas.h"
#include "cli/Commands.h"
#include "os/Crc32.h"
#include "os/FileAccess.h"
#include "rom/CBuffer.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <functional>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF, kLight = 0xFFA9A9A9, kDark = 0xFF606060, kBlack = 0xFF000000;
// Not colours: the pixels are given an index past the palette; the saved picture's palette
// is emptied, a byte of its pixel data changed (its CRC kept), its header made to say 4096 x
// 4096 16-bit pixels.
constexpr QRgb kPastPalette = 0xFFABCDEF, kNoPalette = 0xFFABCDE0, kDamagedData = 0xFFABCDE1,
               kHugeHeader = 0xFFABCDE2, kDamagedStream = 0xFFABCDE3, kCutShort = 0xFFABCDE4,
               kTinyChunks = 0xFFABCDE5;

// The PNG with its first chunk of that type changed by edit, and a CRC to match unless keepCrc.
QByteArray withChunk(QByteArray png, QByteArrayView type,
                     const std::function<void(QByteArray &)> &edit, bool keepCrc = false)
{
    const qsizetype at = png.indexOf(type) - 4;
    const qsizetype length = qFromBigEndian<quint32>(png.constData() + at);
    QByteArray data = png.mid(at + 8, length);
    edit(data);
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    chunk += type.toByteArray() + data;
    chunk += keepCrc ? png.mid(at + 8 + length, 4) : QByteArray(4, '\0');
    if (!keepCrc)
        qToBigEndian<quint32>(Crc32::of(QByteArrayView(chunk).sliced(4, chunk.size() - 8)),
                              chunk.data() + chunk.size() - 4);
    return png.replace(at, 12 + length, chunk);
}

// The PNG with its image data cut into IDAT chunks of one byte each.
QByteArray inTinyChunks(const QByteArray &png)
{
    const qsizetype at = png.indexOf("IDAT") - 4;
    const qsizetype length = qFromBigEndian<quint32>(png.constData() + at);
    QByteArray chunks;
    for (qsizetype i = 0; i < length; ++i) {
        QByteArray chunk("\0\0\0\x01IDAT", 8);
        chunk += png.at(at + 8 + i);
        chunk += QByteArray(4, '\0');
        qToBigEndian<quint32>(Crc32::of(QByteArrayView(chunk).sliced(4, 5)), chunk.data() + 9);
        chunks += chunk;
    }
    return QByteArray(png).replace(at, 12 + length, chunks);
}

// A plain canvas of the editor's size with no scaling of its own: what DrawTile paints is
// what it keeps.
class PlainCanvas : public TileCanvas
{
public:
    PlainCanvas()
        : m_image(320, 272, QImage::Format_RGB32)
    {
        m_image.fill(Qt::red);
    }
    void setPixel(int x, int y, std::uint32_t colour) override
    {
        if (m_image.rect().contains(x, y))
            m_image.setPixel(x, y, qRgb(colour & 0xFF, (colour >> 8) & 0xFF, colour >> 16));
    }
    void refresh() override { }
    QImage m_image;
};

// The patterned image with two hand-made tiles placed in level 5's corners:
// tile 0x01: its top-left pixel has value 1 (low byte 0x80, high byte 0x00);
// tile 0x02: its top-left pixel has value 2, its bottom-right pixel value 3.
QByteArray image()
{
    QByteArray bytes = TestImages::patterned();
    const qsizetype tile1 = 0x11001 + 16, tile2 = 0x11001 + 32;
    bytes.replace(tile1, 16, QByteArray(16, '\0'));
    bytes[tile1] = char(0x80);
    bytes.replace(tile2, 16, QByteArray(16, '\0'));
    bytes[tile2 + 1] = char(0x80);
    bytes[tile2 + 14] = char(0x01);
    bytes[tile2 + 15] = char(0x01);
    const qsizetype level5 = 0x14001 + 4 * 340;
    bytes[level5] = char(0x01);
    bytes[level5 + 339] = char(0x02);
    return bytes;
}

QImage editorDrawing(const QByteArray &bytes, int level)
{
    CBuffer::lngShade = TileGraphics::kShades;
    PlainCanvas canvas;
    for (int row = 0; row < 17; ++row) {
        for (int column = 0; column < 20; ++column) {
            const auto tile = quint8(bytes[0x14001 + 340 * (level - 1) + 20 * row + column]);
            std::memcpy(CBuffer::bytTile.data(), bytes.constData() + 0x11001 + 16 * tile, 16);
            CBuffer::DrawTile(canvas, 16 * column, 16 * row);
        }
    }
    return canvas.m_image;
}

} // namespace

class TestCliRender : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(TestImages::write(path("a.gb"), image()));
    }

    void levelMatchesTheEditor_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("first") << 1;
        QTest::newRow("hand-made tiles") << 5;
        QTest::newRow("last") << 46;
    }

    void levelMatchesTheEditor()
    {
        QFETCH(int, level);
        const QImage picture = render({ "render", path("a.gb"), QString::number(level) });
        QCOMPARE(picture.size(), QSize(320, 272));
        QVERIFY(picture == editorDrawing(image(), level));
    }

    void levelPixelsByHand_data()
    {
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QRgb>("colour");
        QTest::newRow("tile 1 top-left, value 1") << QPoint(0, 0) << kLight;
        QTest::newRow("same tile pixel, other corner") << QPoint(1, 1) << kLight;
        QTest::newRow("tile 1 next pixel, value 0") << QPoint(2, 0) << kWhite;
        QTest::newRow("tile 2 top-left, value 2") << QPoint(304, 256) << kDark;
        QTest::newRow("tile 2 bottom-right, value 3") << QPoint(319, 271) << kBlack;
        QTest::newRow("tile 2 left of it, value 0") << QPoint(317, 271) << kWhite;
    }

    void levelPixelsByHand()
    {
        QFETCH(QPoint, pixel);
        QFETCH(QRgb, colour);
        const QImage picture = render({ "render", path("a.gb"), "5" });
        QCOMPARE(picture.pixel(pixel), colour);
    }

    void scaleRepeatsEachTilePixel_data()
    {
        QTest::addColumn<int>("scale");
        QTest::newRow("1") << 1;
        QTest::newRow("3") << 3;
        QTest::newRow("5") << 5;
    }

    void scaleRepeatsEachTilePixel()
    {
        QFETCH(int, scale);
        const QImage editor = editorDrawing(image(), 5);
        const QImage picture
            = render({ "render", path("a.gb"), "5", "--scale", QString::number(scale) });
        QCOMPARE(picture.size(), QSize(160 * scale, 136 * scale));
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (picture.pixel(x, y) != editor.pixel(x / scale * 2, y / scale * 2))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y)));
            }
        }
    }

    void tileSheetPlacesEachTile_data()
    {
        QTest::addColumn<int>("tile");
        QTest::newRow("0x00, top left") << 0x00;
        QTest::newRow("0x02, hand-made") << 0x02;
        QTest::newRow("0x1F, second row's end") << 0x1F;
        QTest::newRow("0xFF, bottom right") << 0xFF;
    }

    void tileSheetPlacesEachTile()
    {
        QFETCH(int, tile);
        const QImage sheet = render({ "tiles", path("a.gb") });
        QCOMPARE(sheet.size(), QSize(256, 256));
        const QImage expected = TestImages::expectedTile(TestImages::tileBytesOf(image(), tile));
        QVERIFY(sheet.copy(16 * (tile % 16), 16 * (tile / 16), 16, 16) == expected);
    }

    void contactSheetHoldsEveryLevelInOrder()
    {
        const QImage sheet = render({ "render", path("a.gb"), "--all" });
        QPoint previous(-1, -1);
        QPoint first;
        for (int level = 1; level <= 46; ++level) {
            const QImage alone
                = render({ "render", path("a.gb"), QString::number(level), "--scale", "1" });
            const QPoint at = find(sheet, alone);
            QVERIFY2(at.x() >= 0, qPrintable(QStringLiteral("level %1 is missing").arg(level)));
            if (level == 1)
                first = at;
            else if ((level - 1) % 8 == 0)
                QVERIFY(at.x() == first.x() && at.y() > previous.y());
            else
                QVERIFY(at.x() > previous.x() && at.y() == previous.y());
            previous = at;
        }
    }

    // tiles -o, the picture cropped to size and drawn over in area, then tiles import: the
    // image afterwards, and what the command says (on failure, its error).
    void tilesImport_data()
    {
        QTest::addColumn<int>("scale");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("format");
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRgb>("colour");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("imageBytes");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("message");
        const QSize full1(128, 128), full2(256, 256);
        const int indexed = QImage::Format_Indexed8, grey = QImage::Format_Grayscale8,
                  argb = QImage::Format_ARGB32;
        const QRect none;
        const int whole = int(image().size()), shortImage = 0x11800;
        // Tile 01 of image() is blank but for its top-left pixel, light grey.
        const auto tile1 = [](const char *hex) {
            QByteArray bytes = image();
            return bytes.replace(0x11001 + 16, 16,
                                 QByteArray::fromHex(hex).leftJustified(16, '\0'));
        };
        const char *pixel3 = "800000000000%1"; // row 3, column 2; the rest zeros
        const auto withPixel = [&](const char *pair) {
            return tile1(QString(pixel3).arg(pair).toLatin1());
        };
        QByteArray moved = image();
        moved.replace(0x11001 + 0x40 * 16, 256, moved.mid(0x11001, 256));
        QTest::newRow("unchanged, scale 1")
            << 1 << full1 << indexed << none << kBlack << QStringList() << whole << image()
            << "no tile changed in t.gb: tiles 00 to FF";
        QTest::newRow("unchanged, scale 2")
            << 2 << full2 << indexed << none << kBlack << QStringList() << whole << image()
            << "no tile changed in t.gb";
        QTest::newRow("unchanged, grey") << 1 << full1 << grey << none << kBlack << QStringList()
                                         << whole << image() << "no tile changed";
        QTest::newRow("unchanged, 16-bit RGBA")
            << 1 << full1 << int(QImage::Format_RGBA64) << none << kBlack << QStringList() << whole
            << image() << "no tile changed";
        QTest::newRow("white, 16-bit grey")
            << 2 << full2 << int(QImage::Format_Grayscale16) << QRect(16, 0, 2, 2) << kWhite
            << QStringList() << whole << tile1("00") << ": 01\n";
        QTest::newRow("white") << 2 << full2 << argb << QRect(16, 0, 2, 2) << kWhite
                               << QStringList() << whole << tile1("00")
                               << "wrote 1 changed tile into t.gb: 01\n";
        QTest::newRow("light grey") << 1 << full1 << argb << QRect(10, 3, 1, 1) << kLight
                                    << QStringList() << whole << withPixel("2000") << ": 01\n";
        QTest::newRow("dark grey") << 1 << full1 << argb << QRect(10, 3, 1, 1) << kDark
                                   << QStringList() << whole << withPixel("0020") << ": 01\n";
        QTest::newRow("black") << 2 << full2 << argb << QRect(20, 6, 2, 2) << kBlack
                               << QStringList() << whole << withPixel("2020") << ": 01\n";
        QTest::newRow("first row at 0x40")
            << 1 << QSize(128, 8) << indexed << none << kBlack << QStringList { "--first", "0x40" }
            << whole << moved << "wrote 16 changed tiles into t.gb: 40, 41, 42";
        QTest::newRow("one tile past FF")
            << 2 << QSize(256, 32) << indexed << none << kBlack << QStringList { "--first", "225" }
            << whole << image() << "t.png: its 32 tiles from tile E1 would end at tile 100";
        QTest::newRow("unchanged, scale 16")
            << 16 << QSize(2048, 128) << indexed << none << kBlack << QStringList() << whole
            << image() << "no tile changed in t.gb: tiles 00 to 0F";
        QTest::newRow("foreign colour")
            << 2 << full2 << argb << QRect(20, 6, 2, 2) << qRgb(0x5A, 0x5A, 0x5A) << QStringList()
            << whole << image()
            << "t.png: pixel (20, 6) has colour #5A5A5A, which is none of the four shades";
        QTest::newRow("palette index past the palette")
            << 2 << full2 << indexed << QRect(20, 6, 2, 2) << kPastPalette
            << QStringList { "--nearest" } << whole << image()
            << "t.png: pixel (20, 6) has palette index 6, past the end of its 6-colour palette";
        QTest::newRow("foreign colour, nearest")
            << 2 << full2 << argb << QRect(20, 6, 2, 2) << qRgb(0x5A, 0x5A, 0x5A)
            << QStringList { "--nearest" } << whole << withPixel("0020")
            << "moved 4 pixels of t.png to the nearest shade\nwrote 1 changed tile";
        QTest::newRow("not opaque") << 1 << full1 << argb << QRect(10, 3, 1, 1)
                                    << qRgba(0, 0, 0, 0x80) << QStringList { "--nearest" } << whole
                                    << image() << "t.png: pixel (10, 3) has alpha 128";
        QTest::newRow("half a block")
            << 2 << full2 << argb << QRect(21, 7, 1, 1) << kBlack << QStringList() << whole
            << image()
            << "t.png: the 2 x 2 block from (20, 6) to (21, 7), column 2, row 3 of tile 01";
        QTest::newRow("wrong width")
            << 1 << QSize(120, 128) << indexed << none << kBlack << QStringList() << whole
            << image()
            << "t.png: the picture is 120 x 128 pixels; a tile sheet is 128 x 128 at scale 1";
        QTest::newRow("half a row")
            << 2 << QSize(256, 100) << indexed << none << kBlack << QStringList() << whole
            << image() << "t.png: the picture is 256 x 100 pixels; at scale 2";
        QTest::newRow("other scale")
            << 1 << full1 << indexed << none << kBlack << QStringList { "--scale", "2" } << whole
            << image() << "t.png: the picture is 128 x 128 pixels; at scale 2 a tile sheet";
        QTest::newRow("empty palette")
            << 1 << full1 << indexed << none << kNoPalette << QStringList() << whole << image()
            << "t.png: its palette (PLTE) holds no colours";
        QTest::newRow("damaged pixel data")
            << 1 << full1 << indexed << none << kDamagedData << QStringList() << whole << image()
            << "t.png: cannot be read as a PNG picture: its image data is damaged";
        // The stream's own check value (its last bytes) finds what a CRC written to match hides.
        QTest::newRow("damaged stream, CRC to match")
            << 1 << full1 << indexed << QRect(10, 3, 1, 1) << kDamagedStream << QStringList()
            << whole << image() << "t.png: cannot be read as a PNG picture: its image data is";
        QTest::newRow("image data one byte short")
            << 1 << full1 << indexed << QRect(10, 3, 1, 1) << kCutShort << QStringList() << whole
            << image() << "t.png: cannot be read as a PNG picture: its image data";
        QTest::newRow("image data in one-byte chunks")
            << 2 << full2 << argb << QRect(16, 0, 2, 2) << kTinyChunks << QStringList() << whole
            << tile1("00") << "wrote 1 changed tile into t.gb: 01\n";
        QTest::newRow("header too large for its data")
            << 1 << full1 << indexed << none << kHugeHeader << QStringList() << whole << image()
            << "t.png: the picture is 4096 x 4096 pixels; a tile sheet is";
        QTest::newRow("short image")
            << 1 << full1 << argb << QRect(10, 3, 1, 1) << kBlack << QStringList() << shortImage
            << image().left(shortImage) << "t.gb: the file is 71680 bytes long";
    }

    void tilesImport()
    {
        QFETCH(int, scale);
        QFETCH(QSize, size);
        QFETCH(int, format);
        QFETCH(QRect, area);
        QFETCH(QRgb, colour);
        QFETCH(QStringList, options);
        QFETCH(int, imageBytes);
        QFETCH(QByteArray, expected);
        QFETCH(QString, message);
        QVERIFY(TestImages::write(path("t.gb"), image()));
        QVERIFY(Commands::run({ "tiles", path("t.gb"), "-o", path("t.png"), "--scale",
                                QString::number(scale) })
                    .exitCode
                == Commands::kExitOk);
        QImage picture(path("t.png"));
        if (area.isValid() && colour != kPastPalette && colour != kDamagedStream
            && colour != kCutShort) {
            picture = picture.convertToFormat(QImage::Format_ARGB32);
            for (int y = area.top(); y <= area.bottom(); ++y) {
                for (int x = area.left(); x <= area.right(); ++x)
                    picture.setPixel(x, y, colour == kTinyChunks ? kWhite : colour);
            }
        }
        picture = picture.copy(QRect(QPoint(0, 0), size)).convertToFormat(QImage::Format(format));
        // Only a broken writer stores an index past the palette; the picture's reader shows it
        // as the first colour.
        for (int y = area.top(); colour == kPastPalette && y <= area.bottom(); ++y)
            std::fill_n(picture.scanLine(y) + area.left(), area.width(), picture.colorCount());
        // Untouched, the file is imported exactly as tiles wrote it.
        if (area.isValid() || size != QSize(128, 128) * scale || format != QImage::Format_Indexed8
            || colour != kBlack)
            QVERIFY(picture.save(path("t.png")));
        QByteArray png = TestImages::read(path("t.png"));
        if (colour == kNoPalette)
            png = withChunk(png, "PLTE", [](QByteArray &data) { data.clear(); });
        if (colour == kDamagedData)
            png = withChunk(
                png, "IDAT", [](QByteArray &data) { data[data.size() / 2] ^= 0x10; }, true);
        if (colour == kDamagedStream)
            png = withChunk(png, "IDAT", [](QByteArray &data) { data.back() ^= 0x01; });
        if (colour == kCutShort)
            png = withChunk(png, "IDAT", [](QByteArray &data) { data.chop(1); });
        if (colour == kTinyChunks)
            png = inTinyChunks(png);
        if (colour == kHugeHeader)
            png = withChunk(png, "IHDR", [](QByteArray &data) {
                data.replace(0, 10, QByteArray("\0\0\x10\0\0\0\x10\0\x10\x06", 10));
            });
        QVERIFY(TestImages::write(path("t.png"), png));
        QVERIFY(TestImages::write(path("t.gb"), image().left(imageBytes)));
        const Commands::Outcome outcome = Commands::run(
            QStringList { "tiles", "import", path("t.gb"), path("t.png") } + options);
        const bool failed = message.startsWith("t.");
        QCOMPARE(outcome.exitCode, failed ? Commands::kExitError : Commands::kExitOk);
        const QString said = failed ? outcome.error : QString::fromUtf8(outcome.output);
        QVERIFY2(said.contains(message), qPrintable(said));
        QVERIFY(TestImages::read(path("t.gb")) == expected);
    }

    // A write or flush that fails is reported, never "wrote"; the flush is part of the import.
    void tilesImportReportsAFailedWrite_data()
    {
        QTest::addColumn<int>("op");
        QTest::newRow("write") << int(FileAccess::Op::Write);
        QTest::newRow("flush") << int(FileAccess::Op::Sync);
    }

    void tilesImportReportsAFailedWrite()
    {
        QFETCH(int, op);
        QVERIFY(TestImages::write(path("t.gb"), image()));
        QCOMPARE(
            Commands::run({ "tiles", path("t.gb"), "-o", path("t.png"), "--scale", "1" }).exitCode,
            Commands::kExitOk);
        QImage picture = QImage(path("t.png")).convertToFormat(QImage::Format_ARGB32);
        picture.setPixel(0, 0, picture.pixel(0, 0) == kBlack ? kWhite : kBlack);
        QVERIFY(picture.save(path("t.png")));
        FileAccess::setFaultHook([op](FileAccess::Op call) { return int(call) == op ? EIO : 0; });
        const Commands::Outcome outcome
            = Commands::run({ "tiles", "import", path("t.gb"), path("t.png") });
        FileAccess::setFaultHook({});
        QCOMPARE(outcome.exitCode, Commands::kExitError);
        QVERIFY2(outcome.error.contains("writing tiles 00 to 00: " + FileAccess::describe(EIO)),
                 qPrintable(outcome.error));
    }

    void refusesBadRequests_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("level 0") << QStringList { "render", "@", "0", "-o", "x.png" }
                                 << "\"0\" is no level";
        QTest::newRow("level and --all")
            << QStringList { "render", "@", "3", "--all", "-o", "x.png" } << "not both";
        QTest::newRow("scale 0") << QStringList {
            "render", "@", "3", "--scale", "0", "-o", "x.png"
        } << "\"0\" is no scale";
        QTest::newRow("no output") << QStringList { "tiles", "@" } << "-o FILE.png";
        QTest::newRow("over the image")
            << QStringList { "tiles", "@", "-o", "@" } << "another file";
        QTest::newRow("import without a picture")
            << QStringList { "tiles", "import", "@" } << "tiles import: too few arguments";
        QTest::newRow("first past FF")
            << QStringList { "tiles", "import", "@", "x.png", "--first", "0x100" }
            << "\"0x100\" is no tile number";
    }

    void refusesBadRequests()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        arguments.replaceInStrings("x.png", path("x.png"));
        arguments.replaceInStrings("@", path("a.gb"));
        const Commands::Outcome outcome = Commands::run(arguments);
        QCOMPARE(outcome.exitCode, Commands::kExitError);
        QVERIFY2(outcome.error.contains(reason), qPrintable(outcome.error));
        QVERIFY(!QFileInfo::exists(path("x.png")));
        QVERIFY(TestImages::read(path("a.gb")) == image());
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QImage render(QStringList arguments) const
    {
        arguments << "-o" << path("out.png");
        const Commands::Outcome outcome = Commands::run(arguments);
        if (outcome.exitCode != Commands::kExitOk)
            qWarning() << outcome.error;
        return QImage(path("out.png")).convertToFormat(QImage::Format_RGB32);
    }

    static QPoint find(const QImage &sheet, const QImage &wanted)
    {
        const qsizetype rowBytes = wanted.width() * 4;
        for (int y = 0; y + wanted.height() <= sheet.height(); ++y) {
            for (int x = 0; x + wanted.width() <= sheet.width(); ++x) {
                int row = 0;
                while (row < wanted.height()
                       && std::memcmp(sheet.constScanLine(y + row) + 4 * x,
                                      wanted.constScanLine(row), rowBytes)
                           == 0)
                    ++row;
                if (row == wanted.height())
                    return { x, y };
            }
        }
        return { -1, -1 };
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCliRender)
#include "tst_clirender.moc"
