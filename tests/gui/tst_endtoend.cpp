// One editing session driven only by mouse and keyboard: open, pick tiles, paint, save.
#include "EditorHarness.h"
#include "ScrollBarArrows.h"

#include <QTest>

#include <map>
#include <utility>

namespace {

constexpr int kCell = TileGraphics::kCellPixels;

// Clicks the upper arrow of a vertical scroll bar.
void clickUpperArrow(QScrollBar *bar)
{
    const QRect arrow = ScrollBarArrows::arrowRect(*bar, QStyle::SC_ScrollBarSubLine);
    QVERIFY(!arrow.isEmpty());
    QTest::mouseClick(bar, Qt::LeftButton, {}, arrow.center());
}

// Widget position of the centre of a 16-pixel cell of a surface with a one-pixel border.
QPoint cellCentre(int column, int row)
{
    return { kCell * column + 9, kCell * row + 9 };
}

// Every cell of picture (320 x 272) that does not show the tile the image's level 1 names there.
QStringList wrongCells(const QImage &picture, const QByteArray &image)
{
    QStringList found;
    for (int row = 0; row < RomLayout::kLevelRows; ++row) {
        for (int column = 0; column < RomLayout::kLevelColumns; ++column) {
            const auto tile = static_cast<std::uint8_t>(
                image.at(RomLayout::levelOffset(1) + RomLayout::cellIndex(column, row)));
            const QImage expected = TestImages::expectedTile(TestImages::tileBytesOf(image, tile));
            if (picture.copy(kCell * column, kCell * row, kCell, kCell) != expected)
                found << QStringLiteral("(%1,%2)").arg(column).arg(row);
        }
    }
    return found;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void openPaintSave()
    {
        EditorHarness harness(false);
        frmMain *window = harness.window.get();
        const QString path = harness.dir.filePath(QStringLiteral("second.gb"));
        const QByteArray original = TestImages::patterned();
        QVERIFY(TestImages::write(path, original));
        harness.nextOpen = path;
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));

        // Open: the palette from tile 0, level 1 in the editor.
        QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(harness.openRequests.size(), 1);
        QCOMPARE(harness.state().strFileName, path);
        QCOMPARE(harness.text("lblStatus"), path + QStringLiteral(" was successfully loaded."));
        QCOMPARE(harness.text("txtLevel"), QStringLiteral("1"));
        DrawingSurface *palette = harness.surface("picTiles");
        DrawingSurface *editor = harness.surface("picEditor");
        for (int slot = 0; slot < 18; ++slot)
            QCOMPARE(palette->image().copy(0, kCell * slot, kCell, kCell),
                     harness.tilePicture(slot));
        QCOMPARE(wrongCells(editor->image(), original), QStringList());

        // Scroll the palette: the upper arrow raises the offset by one, +10 by ten.
        clickUpperArrow(harness.get<QScrollBar>("scrTiles"));
        QCOMPARE(harness.text("txtTiles"), QStringLiteral("1"));
        QCOMPARE(harness.state().intSelectableTilesOffset, 1);
        QTest::mouseClick(harness.get<QPushButton>("btnAdd10"), Qt::LeftButton);
        QCOMPARE(harness.text("txtTiles"), QStringLiteral("11"));
        for (int slot = 0; slot < 18; ++slot)
            QCOMPARE(palette->image().copy(0, kCell * slot, kCell, kCell),
                     harness.tilePicture(11 + slot));

        // Point at slot 3 (tile 0E) and take it with the left button, slot 10 (tile 15) with
        // the right one.
        const int leftTile = 0x0E;
        const int rightTile = 0x15;
        QTest::mouseMove(palette, cellCentre(0, 3));
        QCOMPARE(harness.text("lblTilesCurrent"), QStringLiteral("Current: 0E"));
        QCOMPARE(harness.surface("picTilesCurrent")->image(), harness.tilePicture(leftTile));
        QTest::mouseClick(palette, Qt::LeftButton, {}, cellCentre(0, 3));
        QTest::mouseMove(palette, cellCentre(0, 10));
        QCOMPARE(harness.text("lblTilesCurrent"), QStringLiteral("Current: 15"));
        QTest::mouseClick(palette, Qt::RightButton, {}, cellCentre(0, 10));
        QCOMPARE(harness.text("lblTilesLeft"), QStringLiteral("Left: 0E"));
        QCOMPARE(harness.text("lblTilesRight"), QStringLiteral("Right: 15"));
        QCOMPARE(harness.surface("picTilesLeft")->image(), harness.tilePicture(leftTile));
        QCOMPARE(harness.surface("picTilesRight")->image(), harness.tilePicture(rightTile));

        // Drag the left tile along row 3 from column 2 to 6, then right-click cell (10, 8).
        std::map<std::pair<int, int>, int> painted;
        QTest::mousePress(editor, Qt::LeftButton, {}, cellCentre(2, 3));
        for (int column = 3; column <= 6; ++column)
            QTest::mouseMove(editor, cellCentre(column, 3) + QPoint(column - 4, 0));
        QTest::mouseRelease(editor, Qt::LeftButton, {}, cellCentre(6, 3));
        for (int column = 2; column <= 6; ++column)
            painted[{ column, 3 }] = leftTile;
        QCOMPARE(harness.text("lblCoorX"), QStringLiteral("6"));
        QCOMPARE(harness.text("lblCoorY"), QStringLiteral("3"));
        QTest::mouseClick(editor, Qt::RightButton, {}, cellCentre(10, 8));
        painted[{ 10, 8 }] = rightTile;

        // Save, and the file differs from the original in exactly the painted cells.
        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(harness.messages.size(), 1);
        QCOMPARE(harness.messages[0].title, QStringLiteral("Dorrik"));
        QCOMPARE(harness.messages[0].text, QStringLiteral("The file was successfully saved."));
        QByteArray expected = original;
        for (const auto &[cell, tile] : painted) {
            const int at = 0x14001 + 20 * cell.second + cell.first;
            QVERIFY(static_cast<std::uint8_t>(expected[at]) != tile);
            expected[at] = static_cast<char>(tile);
        }
        const QByteArray saved = TestImages::read(path);
        QCOMPARE(saved.size(), expected.size());
        for (qsizetype i = 0; i < saved.size(); ++i) {
            if (saved[i] != expected[i])
                QFAIL(qPrintable(QStringLiteral("byte 0x%1 differs").arg(i, 0, 16)));
        }
        QCOMPARE(harness.fileBytes(), original); // the command-line image was never touched

        // The editor shows the saved level, both in its kept image and on screen.
        QCOMPARE(wrongCells(editor->image(), saved), QStringList());
        const QImage shown = editor->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(wrongCells(shown.copy(1, 1, 320, 272), saved), QStringList());
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
