// The tile palette: scrolling by one and by ten, the tile under the pointer, left and right tiles.
#include "EditorHarness.h"
#include "platform/ReversedScrollBar.h"

#include <QApplication>
#include <QSignalSpy>
#include <QWheelEvent>

#include <cerrno>

class PaletteTest : public QObject
{
    Q_OBJECT

    static ReversedScrollBar *bar(EditorHarness &h) { return h.get<ReversedScrollBar>("scrTiles"); }

    // Checks that the palette's 18 slots show tiles first .. first + 17 from the file.
    static void verifyPaletteShows(EditorHarness &h, int first)
    {
        for (int slot = 0; slot < 18; ++slot) {
            QVERIFY2(h.cell("picTiles", 0, slot) == h.tilePicture(first + slot),
                     qPrintable(QStringLiteral("slot %1").arg(slot)));
        }
    }

private slots:
    void initTestCase() { Fonts::installSubstitutions(); }

    // "+10" and "-10" at and around their limits; the palette draws twice when the bar's
    // value changed (once inside its change handler) and once when it did not.
    void stepByTen_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("add");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("draws");
        QTest::newRow("+10 from 75 stops at 78") << 75 << true << 78 << 2;
        QTest::newRow("+10 from 68 reaches 78 exactly") << 68 << true << 78 << 2;
        QTest::newRow("+10 at 78 stays and draws once") << 78 << true << 78 << 1;
        QTest::newRow("+10 from 0") << 0 << true << 10 << 2;
        QTest::newRow("-10 from 5 stops at 0") << 5 << false << 0 << 2;
        QTest::newRow("-10 from 10 reaches 0") << 10 << false << 0 << 2;
        QTest::newRow("-10 at 0 stays and draws once") << 0 << false << 0 << 1;
        QTest::newRow("-10 from 40") << 40 << false << 30 << 2;
    }
    void stepByTen()
    {
        QFETCH(int, start);
        QFETCH(bool, add);
        QFETCH(int, expected);
        QFETCH(int, draws);
        EditorHarness h;
        bar(h)->setNumber(start); // runs the change handler: position and box follow
        QCOMPARE(h.state().intSelectableTilesOffset, start);
        QSignalSpy changes(bar(h), &ReversedScrollBar::numberChanged);
        h.opens = 0;
        h.get<QPushButton>(add ? "btnAdd10" : "btnMinus10")->click();
        QCOMPARE(bar(h)->number(), expected);
        QCOMPARE(h.state().intSelectableTilesOffset, expected);
        QCOMPARE(h.text("txtTiles"), QString::number(expected));
        QCOMPARE(changes.count(), start == expected ? 0 : 1);
        QCOMPARE(h.opens, draws); // each palette drawing reads its 18 tiles with one access
        verifyPaletteShows(h, expected);
        QVERIFY(h.messages.isEmpty());
    }

    void scrollBarMovesPalette()
    {
        EditorHarness h;
        bar(h)->setNumber(1);
        QCOMPARE(h.text("txtTiles"), QStringLiteral("1"));
        verifyPaletteShows(h, 1);
        bar(h)->setNumber(78);
        verifyPaletteShows(h, 78);
        // The selection does not move with the palette.
        QCOMPARE(h.state().intCurrentSelectedTile, 0);
    }

    // The wheel over the palette moves it a tile a notch through the bar, whose change handler
    // redraws it; parts of a notch add up.
    void wheel_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QList<int>>("turns");
        QTest::addColumn<int>("expected");
        // Faults: the wheel moves the wrong way or by one tile whatever the notches; parts of a
        // notch are dropped or rounded up; the position passes the bar's ends.
        QTest::newRow("three notches towards the user") << 0 << QList<int> { -360 } << 3;
        QTest::newRow("one notch away") << 10 << QList<int> { 120 } << 9;
        QTest::newRow("half notches") << 5 << QList<int> { -60, -60, -60 } << 6;
        QTest::newRow("past the top end") << 77 << QList<int> { -360 } << 78;
        QTest::newRow("past tile 0") << 1 << QList<int> { 240 } << 0;
    }
    void wheel()
    {
        QFETCH(int, start);
        QFETCH(QList<int>, turns);
        QFETCH(int, expected);
        EditorHarness h;
        bar(h)->setNumber(start);
        DrawingSurface *palette = h.surface("picTiles");
        const QPointF at(8, 40);
        for (const int turn : turns) {
            QWheelEvent event(at, palette->mapToGlobal(at), {}, { 0, turn }, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QVERIFY(QApplication::sendEvent(palette, &event));
        }
        QCOMPARE(bar(h)->number(), expected);
        QCOMPARE(h.state().intSelectableTilesOffset, expected);
        QCOMPARE(h.text("txtTiles"), QString::number(expected));
        verifyPaletteShows(h, expected);
        QCOMPARE(h.state().intCurrentSelectedTile, 0);
    }

    // The slot under the pointer is found from Y alone; above the strip is slot 0 and below
    // it nothing changes.
    void slotUnderPointer_data()
    {
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("tile");
        QTest::addColumn<QString>("caption");
        QTest::newRow("top pixel") << 0.0f << 30 << "Current: 1E";
        QTest::newRow("y 40 is slot 2") << 40.0f << 32 << "Current: 20";
        QTest::newRow("boundary belongs below") << 16.0f << 31 << "Current: 1F";
        QTest::newRow("just above a boundary") << 15.9f << 30 << "Current: 1E";
        QTest::newRow("last pixel") << 287.0f << 47 << "Current: 2F";
        QTest::newRow("above the strip") << -40.0f << 30 << "Current: 1E";
        QTest::newRow("below the strip keeps the tile") << 288.0f << 5 << "Current: 05";
    }
    void slotUnderPointer()
    {
        QFETCH(float, y);
        QFETCH(int, tile);
        QFETCH(QString, caption);
        EditorHarness h;
        h.window->picTiles_MouseMove(0, 0, 3, 5 * 16); // tile 5 at palette position 0
        bar(h)->setNumber(30);
        h.window->picTiles_MouseMove(0, 0, 200, y); // X plays no part
        QCOMPARE(h.state().intCurrentSelectedTile, tile);
        QCOMPARE(h.text("lblTilesCurrent"), caption);
        QVERIFY(h.surface("picTilesCurrent")->image() == h.tilePicture(tile));
    }

    void tileNumberText_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("tile");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << "Left: " << 0 << "Left: 00";
        QTest::newRow("one digit letter") << "Left: " << 10 << "Left: 0A";
        QTest::newRow("two digits") << "Right: " << 95 << "Right: 5F";
        QTest::newRow("sixteen") << "Current: " << 16 << "Current: 10";
        QTest::newRow("largest byte") << "Current: " << 255 << "Current: FF";
    }
    void tileNumberText()
    {
        QFETCH(QString, prefix);
        QFETCH(int, tile);
        QFETCH(QString, text);
        QCOMPARE(frmMain::TileNumberText(prefix, tile), text);
    }

    // A press takes the current tile; every press sets both labels and both previews again.
    void pressesPickTiles()
    {
        EditorHarness h;
        bar(h)->setNumber(10);
        h.window->picTiles_MouseMove(0, 0, 8, 16 * 3 + 4); // tile 13
        h.window->picTiles_MouseDown(1, 0, 8, 200); // the pointer's position plays no part
        QCOMPARE(h.state().intLeftSelectedTile, 13);
        QCOMPARE(h.state().intRightSelectedTile, 0);
        QCOMPARE(h.text("lblTilesLeft"), QStringLiteral("Left: 0D"));
        QCOMPARE(h.text("lblTilesRight"), QStringLiteral("Right: 00"));
        QVERIFY(h.surface("picTilesLeft")->image() == h.tilePicture(13));
        // The right preview was white; the press drew tile 0 into it.
        QVERIFY(h.surface("picTilesRight")->image() == h.tilePicture(0));

        h.window->picTiles_MouseMove(0, 0, 8, 16 * 17); // tile 27
        h.window->picTiles_MouseDown(2, 0, 8, 0);
        QCOMPARE(h.state().intLeftSelectedTile, 13);
        QCOMPARE(h.state().intRightSelectedTile, 27);
        QCOMPARE(h.text("lblTilesRight"), QStringLiteral("Right: 1B"));
        QVERIFY(h.surface("picTilesRight")->image() == h.tilePicture(27));

        // A middle press changes no selection but draws both previews again from the file.
        QByteArray changed = h.fileBytes();
        changed[RomLayout::tileOffset(13)] = char(0xFF);
        QVERIFY(TestImages::write(h.image, changed));
        h.window->picTiles_MouseDown(4, 0, 8, 0);
        QCOMPARE(h.state().intLeftSelectedTile, 13);
        QCOMPARE(h.state().intRightSelectedTile, 27);
        QVERIFY(h.surface("picTilesLeft")->image() == h.tilePicture(13));
    }

    // After "+10" the press takes the tile the last movement computed, from the old position.
    void pressWithoutMovingKeepsOldTile()
    {
        EditorHarness h;
        h.window->picTiles_MouseMove(0, 0, 8, 16 * 2); // tile 2
        h.get<QPushButton>("btnAdd10")->click();
        h.window->picTiles_MouseDown(1, 0, 8, 16 * 2);
        QCOMPARE(h.state().intLeftSelectedTile, 2);
        h.window->picTiles_MouseMove(0, 0, 8, 16 * 2);
        QCOMPARE(h.state().intCurrentSelectedTile, 12);
    }

    void nothingWithoutImage()
    {
        EditorHarness h(false);
        h.window->picTiles_MouseMove(0, 0, 8, 40);
        h.window->picTiles_MouseDown(1, 0, 8, 40);
        h.get<QPushButton>("btnAdd10")->click();
        h.get<QPushButton>("btnMinus10")->click();
        bar(h)->setNumber(50); // the bar itself still moves
        QCOMPARE(h.state().intSelectableTilesOffset, 0);
        QCOMPARE(h.state().intCurrentSelectedTile, 0);
        QCOMPARE(h.state().intLeftSelectedTile, 0);
        QCOMPARE(h.text("txtTiles"), QStringLiteral("0"));
        QCOMPARE(h.text("lblTilesCurrent"), QStringLiteral("Current: 00"));
        QCOMPARE(h.opens, 0);

        // Opening an image then draws from the palette position, not the bar; "-10" tests the
        // position (0) and so goes to 0.
        h.nextOpen = h.image;
        h.window->mnuOpen_Click();
        verifyPaletteShows(h, 0);
        QCOMPARE(bar(h)->number(), 50);
        h.get<QPushButton>("btnMinus10")->click();
        QCOMPARE(bar(h)->number(), 0);
        QCOMPARE(h.state().intSelectableTilesOffset, 0);
    }

    void barAheadOfPositionAddsFromTheBar()
    {
        EditorHarness h(false);
        bar(h)->setNumber(50);
        h.nextOpen = h.image;
        h.window->mnuOpen_Click();
        h.get<QPushButton>("btnAdd10")->click();
        QCOMPARE(bar(h)->number(), 60);
        QCOMPARE(h.state().intSelectableTilesOffset, 60);
    }

    // Pointer-driven reads that fail say so in the status line, never in a box, and keep the
    // selection; the palette's own commands report in a box, once per command.
    void vanishedImage()
    {
        EditorHarness h;
        h.window->picTiles_MouseMove(0, 0, 8, 40);
        h.window->picTiles_MouseDown(1, 0, 8, 40);
        QVERIFY(QFile::remove(h.image));
        const EditorState before = h.state();

        h.window->picTiles_MouseMove(0, 0, 8, 100);
        h.window->picTiles_MouseDown(2, 0, 8, 100);
        QVERIFY(h.messages.isEmpty());
        QVERIFY(h.text("lblStatus").contains(h.image));
        QVERIFY(h.text("lblStatus").contains(FileAccess::describe(ENOENT)));
        QCOMPARE(h.state().intCurrentSelectedTile, before.intCurrentSelectedTile);
        QCOMPARE(h.state().intRightSelectedTile, before.intRightSelectedTile);
        QCOMPARE(h.text("lblTilesCurrent"), QStringLiteral("Current: 02"));

        h.get<QPushButton>("btnAdd10")->click(); // draws twice, reports once
        QCOMPARE(h.messages.size(), 1);
        QVERIFY(h.messages.first().text.contains(h.image));
        QVERIFY(h.window->isEnabled());
    }
};

QTEST_MAIN(PaletteTest)
#include "tst_palette.moc"
