// The pictures of render and tiles against the editor's own tile drawing and hand-made pixels.
#include "Commands.h"
#include "TestImages.h"
#include "platform/TileCanvas.h"
#include "rom/CBuffer.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF, kLight = 0xFFA9A9A9, kDark = 0xFF606060, kBlack = 0xFF000000;

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

class TestToolRender : public QObject
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

QTEST_GUILESS_MAIN(TestToolRender)
#include "tst_toolrender.moc"
