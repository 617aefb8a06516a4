// Opening an image, choosing, loading and saving levels, and what the commands report.
#include "EditorHarness.h"
#include "platform/ReversedScrollBar.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <functional>

using namespace RomLayout;
using TestImages::withLevel;

class LevelsTest : public QObject
{
    Q_OBJECT

    static ReversedScrollBar *bar(EditorHarness &h) { return h.get<ReversedScrollBar>("scrLevel"); }

    // Checks that the editor shows level's map: both bytLevel and every drawn cell.
    static void verifyShowsLevel(EditorHarness &h, int level)
    {
        for (int row = 0; row < kLevelRows; ++row) {
            for (int column = 0; column < kLevelColumns; ++column) {
                const int tile = TestImages::cellByte(level, column, row);
                QCOMPARE(h.state().bytLevel.cellAt(column, row), tile);
                QVERIFY2(h.cell("picEditor", column, row) == h.tilePicture(tile),
                         qPrintable(QStringLiteral("cell %1,%2").arg(column).arg(row)));
            }
        }
    }

    // Runs action once, from inside the next round of event processing: during a level load
    // that is the pause after its first row.
    static void duringLoad(std::function<void()> action)
    {
        QTimer::singleShot(0, qApp, std::move(action));
    }

    // Chooses a level with the scroll bar, as a click on its arrows would: the bar must
    // actually change for its handler to run.
    static void chooseLevel(EditorHarness &h, int level)
    {
        if (bar(h)->number() == level)
            bar(h)->setNumber(level == 1 ? 2 : 1);
        bar(h)->setNumber(level);
    }

    static void loadLevel(EditorHarness &h, int level)
    {
        chooseLevel(h, level);
        h.get<QPushButton>("btnLevel")->click();
    }

private slots:
    void initTestCase() { Fonts::installSubstitutions(); }

    void commandsNeedAnImage()
    {
        EditorHarness h(false);
        h.get<QPushButton>("btnLevel")->click();
        h.get<QPushButton>("btnLevelAdd")->click();
        h.get<QPushButton>("btnLevelMinus")->click();
        h.window->mnuNextLevel_Click();
        h.window->mnuPreviousLevel_Click();
        h.window->mnuSave_Click();
        QCOMPARE(h.state().intLevelNumber, 0);
        QCOMPARE(h.text("txtLevel"), QString());
        QCOMPARE(h.text("lblStatus"), QString());
        QVERIFY(h.messages.isEmpty());
        QCOMPARE(h.opens, 0);
        // The scroll bar alone still sets the number and the box.
        bar(h)->setNumber(7);
        QCOMPARE(h.state().intLevelNumber, 7);
        QCOMPARE(h.text("txtLevel"), QStringLiteral("7"));
    }

    // The step buttons clamp to 1..46 and only change the number.
    void stepByTen_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("add");
        QTest::addColumn<int>("expected");
        QTest::newRow("+10 from 35") << 35 << true << 45;
        QTest::newRow("+10 from 36") << 36 << true << 46;
        QTest::newRow("+10 from 37") << 37 << true << 46;
        QTest::newRow("+10 from 46") << 46 << true << 46;
        QTest::newRow("-10 from 12") << 12 << false << 2;
        QTest::newRow("-10 from 11") << 11 << false << 1;
        QTest::newRow("-10 from 10") << 10 << false << 1;
        QTest::newRow("-10 from 1") << 1 << false << 1;
    }
    void stepByTen()
    {
        QFETCH(int, start);
        QFETCH(bool, add);
        QFETCH(int, expected);
        EditorHarness h;
        chooseLevel(h, start);
        QCOMPARE(h.state().intLevelNumber, start);
        h.opens = 0;
        h.get<QPushButton>(add ? "btnLevelAdd" : "btnLevelMinus")->click();
        QCOMPARE(h.state().intLevelNumber, expected);
        QCOMPARE(bar(h)->number(), expected);
        QCOMPARE(h.text("txtLevel"), QString::number(expected));
        QCOMPARE(h.opens, 0); // nothing loaded
    }

    // With a path from the command line the number is 0 while the bar shows 1.
    void levelZeroAfterCommandLine()
    {
        {
            EditorHarness h;
            h.get<QPushButton>("btnLevelAdd")->click();
            QCOMPARE(h.state().intLevelNumber, 11);
        }
        {
            EditorHarness h;
            h.get<QPushButton>("btnLevelMinus")->click();
            QCOMPARE(h.state().intLevelNumber, 1);
        }
        {
            EditorHarness h;
            h.window->mnuPreviousLevel_Click();
            QCOMPARE(h.state().intLevelNumber, 0);
            QCOMPARE(h.opens, 0);
            h.window->mnuNextLevel_Click();
            QCOMPARE(h.state().intLevelNumber, 1);
            QCOMPARE(h.text("txtLevel"), QStringLiteral("1"));
            verifyShowsLevel(h, 1);
        }
        {
            // "Load Level" takes the number the bar shows.
            EditorHarness h;
            h.get<QPushButton>("btnLevel")->click();
            QCOMPARE(h.state().intLevelNumber, 1);
            QCOMPARE(h.text("txtLevel"), QStringLiteral("1"));
            verifyShowsLevel(h, 1);
        }
        {
            // Save with no level chosen writes nothing and says so.
            EditorHarness h;
            h.window->mnuSave_Click();
            QCOMPARE(h.fileBytes(), h.bytes);
            QVERIFY(h.messages.isEmpty());
            QVERIFY(h.text("lblStatus").contains(QLatin1String("nothing was saved")));
        }
    }

    void nextAndPrevious_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("next");
        QTest::addColumn<int>("expected");
        QTest::newRow("next from 45 loads 46") << 45 << true << 46;
        QTest::newRow("next at 46 does nothing") << 46 << true << 0;
        QTest::newRow("previous from 2 loads 1") << 2 << false << 1;
        QTest::newRow("previous at 1 does nothing") << 1 << false << 0;
    }
    void nextAndPrevious()
    {
        QFETCH(int, start);
        QFETCH(bool, next);
        QFETCH(int, expected);
        EditorHarness h;
        chooseLevel(h, start);
        const QString statusBefore = h.text("lblStatus");
        if (next)
            h.window->mnuNextLevel_Click();
        else
            h.window->mnuPreviousLevel_Click();
        if (expected == 0) {
            QCOMPARE(h.state().intLevelNumber, start);
            QCOMPARE(h.text("lblStatus"), statusBefore);
            QCOMPARE(h.opens, 0);
            return;
        }
        QCOMPARE(h.state().intLevelNumber, expected);
        QCOMPARE(bar(h)->number(), expected);
        QCOMPARE(h.text("txtLevel"), QString::number(expected));
        verifyShowsLevel(h, expected);
        QVERIFY(QRegularExpression(QStringLiteral("^Loaded in: \\d+m\\.$"))
                    .match(h.text("lblStatus"))
                    .hasMatch());
    }

    void openLoadsLevelOne()
    {
        EditorHarness h(false);
        h.get<ReversedScrollBar>("scrTiles")->setNumber(0);
        h.nextOpen = QStringLiteral("  ") + h.image + QStringLiteral(" ");
        h.window->mnuOpen_Click();
        QCOMPARE(h.openRequests.size(), 1);
        const Dialogs::OpenFileRequest &request = h.openRequests.first();
        QCOMPARE(request.title, QStringLiteral("Dorrik - Open File"));
        QCOMPARE(request.filters, QStringList({ "Game Boy ROM Image (*.gb)", "All Files (*.*)" }));
        QCOMPARE(request.directory, QDir::currentPath());
        QCOMPARE(h.state().strFileName, h.image); // spaces around the name are dropped
        QCOMPARE(h.text("lblStatus"), h.image + QStringLiteral(" was successfully loaded."));
        QCOMPARE(h.state().intLevelNumber, 1);
        QCOMPARE(h.text("txtLevel"), QStringLiteral("1"));
        verifyShowsLevel(h, 1);
        QVERIFY(h.cell("picTiles", 0, 0) == h.tilePicture(0));
    }

    // Open keeps the palette position and the selection; a cancelled Open changes nothing.
    void openKeepsSelectionAndCancelChangesNothing()
    {
        EditorHarness h;
        h.get<ReversedScrollBar>("scrTiles")->setNumber(20);
        h.window->picTiles_MouseMove(0, 0, 8, 20);
        h.window->picTiles_MouseDown(1, 0, 8, 20);
        loadLevel(h, 5);
        h.window->picEditor_MouseDown(1, 0, 40, 40);
        const EditorState before = h.state();
        const QImage surfaceBefore = h.surface("picEditor")->image();
        const QString statusBefore = h.text("lblStatus");

        h.nextOpen.reset();
        h.window->mnuOpen_Click();
        QCOMPARE(h.state().bytLevel, before.bytLevel);
        QCOMPARE(h.state().intLevelNumber, 5);
        QCOMPARE(h.text("lblStatus"), statusBefore);
        QVERIFY(h.surface("picEditor")->image() == surfaceBefore);

        const QString other = h.dir.filePath(QStringLiteral("other.gb"));
        QVERIFY(TestImages::write(other, h.bytes));
        h.nextOpen = other;
        h.window->mnuOpen_Click();
        QCOMPARE(h.state().strFileName, other);
        QCOMPARE(h.state().intSelectableTilesOffset, 20);
        QCOMPARE(h.state().intLeftSelectedTile, 21);
        QCOMPARE(h.state().intLevelNumber, 1);
        verifyShowsLevel(h, 1); // the painted map was replaced without a question
    }

    // An image that cannot be read is not taken: the editor keeps the one it had.
    void openUnreadableImage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("length");
        QTest::newRow("missing") << "missing.gb" << -1;
        QTest::newRow("empty") << "empty.gb" << 0;
        QTest::newRow("too short for the palette") << "short.gb" << 0x11001 + 16 * 10;
    }
    void openUnreadableImage()
    {
        QFETCH(QString, name);
        QFETCH(int, length);
        EditorHarness h;
        loadLevel(h, 3);
        const QString path = h.dir.filePath(name);
        if (length >= 0)
            QVERIFY(TestImages::write(path, h.bytes.left(length)));
        h.nextOpen = path;
        h.window->mnuOpen_Click();
        QCOMPARE(h.messages.size(), 1);
        QVERIFY(h.messages.first().text.contains(path));
        QCOMPARE(h.messages.first().title, QStringLiteral("Dorrik"));
        QCOMPARE(h.state().strFileName, h.image);
        QCOMPARE(h.state().intLevelNumber, 3);
        verifyShowsLevel(h, 3);
    }

    // Save writes the map in memory to the current number's place, and nothing else.
    void saveWritesToCurrentNumber()
    {
        EditorHarness h;
        loadLevel(h, 3);
        h.get<QPushButton>("btnLevelAdd")->click();
        QCOMPARE(h.state().intLevelNumber, 13);
        h.window->mnuSave_Click();
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(h.messages.first().title, QStringLiteral("Dorrik"));
        QCOMPARE(h.messages.first().text, QStringLiteral("The file was successfully saved."));
        QCOMPARE(h.messages.first().icon, Dialogs::Icon::Exclamation);

        QByteArray expected = h.bytes;
        const QByteArray level3 = h.bytes.mid(levelOffset(3), kLevelBytes);
        expected.replace(levelOffset(13), kLevelBytes, level3);
        QCOMPARE(h.fileBytes(), expected);
    }

    void saveUnchangedLevelKeepsFile()
    {
        EditorHarness h;
        loadLevel(h, 46);
        h.window->mnuSave_Click();
        QCOMPARE(h.fileBytes(), h.bytes);
        QCOMPARE(h.messages.size(), 1);
    }

    // Save writes only over the bytes this window last read or wrote in the level's place; a
    // change made there since (another program, another window) is asked about, naming the
    // level and the file, and No writes nothing.
    void saveAsksBeforeOverwritingAChangeMadeElsewhere_data()
    {
        QTest::addColumn<int>("changedCell"); // the cell of level 5 changed in the file; -1: none
        QTest::addColumn<bool>("savedBefore"); // the window saved once before the change
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("asked");
        QTest::newRow("changed elsewhere, No keeps it") << 7 << false << false << true;
        QTest::newRow("changed elsewhere, Yes overwrites it") << 339 << false << true << true;
        QTest::newRow("changed after our own save") << 0 << true << false << true;
        QTest::newRow("our own save, unchanged since") << -1 << true << false << false;
        QTest::newRow("another level changed") << -2 << false << false << false;
    }
    void saveAsksBeforeOverwritingAChangeMadeElsewhere()
    {
        QFETCH(int, changedCell);
        QFETCH(bool, savedBefore);
        QFETCH(bool, answer);
        QFETCH(bool, asked);
        EditorHarness h;
        loadLevel(h, 5);
        h.window->picEditor_MouseDown(DrawingSurface::LeftButton, 0, 40, 40);
        h.window->picEditor_MouseUp(DrawingSurface::LeftButton, 0, 40, 40);
        if (savedBefore)
            h.window->mnuSave_Click();
        QByteArray file = h.fileBytes();
        if (changedCell != -1) {
            const int at = changedCell >= 0 ? levelOffset(5) + changedCell : levelOffset(6);
            file[at] = char(file[at] ^ 0x5A);
            QVERIFY(TestImages::write(h.image, file));
        }
        h.messages.clear();
        h.answer = answer;
        h.window->mnuSave_Click();
        QCOMPARE(h.questions.size(), asked ? 1 : 0);
        if (asked) {
            QVERIFY(h.questions.first().text.contains(QLatin1String("Level 5 in \"") + h.image));
            QCOMPARE(h.questions.first().title, QStringLiteral("Dorrik"));
        }
        const bool writes = !asked || answer;
        QCOMPARE(h.fileBytes(), writes ? withLevel(file, 5, h.state().bytLevel) : file);
        QCOMPARE(h.messages.size(), writes ? 1 : 0);
        if (!writes)
            QVERIFY(h.text("lblStatus").startsWith(QLatin1String("Nothing was saved")));
    }

    // A .gb file dropped on the window opens as File, Open would, with its checks and texts;
    // a drag of anything else is not taken.
    void droppedImageOpens_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("length"); // of the dropped file; -1: the whole image
        QTest::addColumn<bool>("taken");
        QTest::newRow("an image") << "other.GB" << -1 << true;
        QTest::newRow("a short image") << "short.gb" << 100 << true;
        QTest::newRow("not an image") << "notes.txt" << -1 << false;
    }
    void droppedImageOpens()
    {
        QFETCH(QString, name);
        QFETCH(int, length);
        QFETCH(bool, taken);
        EditorHarness h;
        loadLevel(h, 3);
        const QString path = h.dir.filePath(name);
        QVERIFY(TestImages::write(path, length < 0 ? h.bytes : h.bytes.left(length)));
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(path) });
        QDragEnterEvent enter({ 10, 10 }, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(h.window.get(), &enter);
        QCOMPARE(enter.isAccepted(), taken);
        if (!taken)
            return;
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(h.window.get(), &drop);
        if (length < 0) {
            QTRY_COMPARE(h.state().strFileName, path);
            QCOMPARE(h.text("lblStatus"), path + " was successfully loaded.");
            QCOMPARE(h.state().intLevelNumber, 1);
        } else {
            QTRY_COMPARE(h.messages.size(), 1);
            QVERIFY(h.messages.first().text.startsWith("Could not open \"" + path + "\": "));
            QCOMPARE(h.state().strFileName, h.image);
            QCOMPARE(h.state().intLevelNumber, 3);
        }
    }

    // F5 plays the level as shown: a copy of the image with the map in level 1's place and its
    // own goes to the desktop's program for Game Boy images, here a stand-in set in a private
    // desktop that keeps what it was given. The user's image is never written; the copies go
    // when the window does.
    void playOpensACopyWithTheDesktopsProgram()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows' association is tried in tst_romaccess, through the registry");
#endif
        EditorHarness h;
        const QString desktop = h.dir.filePath(QStringLiteral("desktop"));
        const QByteArray played = QFile::encodeName(h.dir.filePath(QStringLiteral("played")));
        QVERIFY(
            TestImages::write(h.dir.filePath("stand-in.sh"),
                              "cp \"$1\" " + played + ".gb && echo \"$1\" >" + played + ".txt"));
        QVERIFY(TestImages::setDesktopProgram(
            desktop, "stand-in.desktop",
            "sh " + QFile::encodeName(h.dir.filePath("stand-in.sh")) + " %f"));
        loadLevel(h, 7);
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        h.window->picEditor_MouseDown(DrawingSurface::RightButton, 0, 40, 40);
        h.window->picEditor_MouseUp(DrawingSurface::RightButton, 0, 40, 40);
        const LevelMap map = h.state().bytLevel;
        QVERIFY(map != LevelMap() && TestImages::withLevel(h.bytes, 7, map) != h.bytes);
        QTest::keyClick(h.window.get(), Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(played + ".txt"), 10000);
        QCOMPARE(TestImages::read(played + ".gb"), withLevel(withLevel(h.bytes, 1, map), 7, map));
        QCOMPARE(h.fileBytes(), h.bytes);
        const QString copy = QString::fromLocal8Bit(TestImages::read(played + ".txt")).trimmed();
        QCOMPARE(h.text("lblStatus"), QStringLiteral("Playing level 7 from \"%1\".").arg(copy));
        QVERIFY(TestImages::setDesktopProgram(desktop, {}, {}));
        QTest::keyClick(h.window.get(), Qt::Key_F5);
        QVERIFY(
            h.text("lblStatus").startsWith(QLatin1String("No program is set to open Game Boy")));
        QVERIFY(h.messages.isEmpty());
        h.window.reset();
        QVERIFY(!QFileInfo::exists(QFileInfo(copy).path()));
        TestImages::unsetDesktop();
    }

    // A save that cannot be made says why and never shows the success box.
    void saveFailures_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("reason");
        QTest::newRow("one byte short of the level") << kLevelRegionEnd - 1 << -1 << "too short";
        QTest::newRow("read-only")
            << -1 << int(FileAccess::Op::Open) << FileAccess::describe(EROFS);
        QTest::newRow("disk full")
            << -1 << int(FileAccess::Op::Write) << FileAccess::describe(ENOSPC);
        QTest::newRow("flush fails")
            << -1 << int(FileAccess::Op::Sync) << FileAccess::describe(EIO);
    }
    void saveFailures()
    {
        QFETCH(int, length);
        QFETCH(int, op);
        QFETCH(QString, reason);
        EditorHarness h;
        loadLevel(h, 46);
        h.window->picEditor_MouseDown(1, 0, 0, 0);
        if (length >= 0)
            QVERIFY(TestImages::write(h.image, h.bytes.left(length)));
        const QByteArray before = h.fileBytes();
        const int errors[] = { EROFS, 0, ENOSPC, EIO };
        FileAccess::setFaultHook([&](FileAccess::Op which) {
            if (int(which) != op)
                return 0;
            return which == FileAccess::Op::Open ? errors[0]
                : which == FileAccess::Op::Write ? errors[2]
                                                 : errors[3];
        });
        h.window->mnuSave_Click();
        QCOMPARE(h.messages.size(), 1);
        QCOMPARE(h.messages.first().icon, Dialogs::Icon::Critical);
        QVERIFY2(h.messages.first().text.contains(h.image), qPrintable(h.messages.first().text));
        QVERIFY2(h.messages.first().text.contains(reason), qPrintable(h.messages.first().text));
        if (op != int(FileAccess::Op::Sync))
            QCOMPARE(h.fileBytes(), before);
        QCOMPARE(h.state().intLevelNumber, 46);
    }

    // A load that fails reports once and leaves the map, the surface and the controls as
    // they were.
    void loadFailureKeepsEverything()
    {
        EditorHarness h;
        loadLevel(h, 2);
        h.window->picEditor_MouseDown(1, 0, 0, 0);
        const LevelMap map = h.state().bytLevel;
        const QImage surface = h.surface("picEditor")->image();
        QVERIFY(TestImages::write(h.image, h.bytes.left(levelOffset(9) + 100)));
        bar(h)->setNumber(9);
        h.get<QPushButton>("btnLevel")->click();
        QCOMPARE(h.messages.size(), 1);
        QVERIFY(h.messages.first().text.contains(h.image));
        QVERIFY(h.messages.first().text.contains(QLatin1String("level 9")));
        QCOMPARE(h.state().bytLevel, map);
        QVERIFY(h.surface("picEditor")->image() == surface);
        QVERIFY(h.get<QPushButton>("btnLevel")->isEnabled());
        QVERIFY(bar(h)->isEnabled());
        QVERIFY(!h.state().boolCancelUnload);
        QVERIFY(!h.text("lblStatus").startsWith(QLatin1String("Loaded in")));
    }

    // While a level loads, "Load Level" and the level bar are disabled and the window will not
    // close; afterwards both work again.
    void loadGuardsWindow()
    {
        EditorHarness h;
        h.window->show();
        bool disabled = false;
        bool guarded = false;
        bool stayedOpen = false;
        duringLoad([&] {
            disabled = !h.get<QPushButton>("btnLevel")->isEnabled() && !bar(h)->isEnabled();
            guarded = h.state().boolCancelUnload;
            h.window->close();
            stayedOpen = h.window->isVisible();
        });
        loadLevel(h, 4);
        QVERIFY(disabled);
        QVERIFY(guarded);
        QVERIFY(stayedOpen);
        QVERIFY(h.messages.isEmpty());
        QVERIFY(h.get<QPushButton>("btnLevel")->isEnabled());
        QVERIFY(!h.state().boolCancelUnload);
        QVERIFY(h.window->close());
    }

    // Next Level pressed while a load yields: the newest load wins and the older one draws
    // nothing more.
    void newerLoadWins()
    {
        EditorHarness h;
        loadLevel(h, 10);
        bool nestedRan = false;
        duringLoad([&] {
            h.window->mnuNextLevel_Click(); // loads 11 from inside the reload of 10
            nestedRan = true;
        });
        h.get<QPushButton>("btnLevel")->click(); // reload 10; Next Level interrupts it
        QVERIFY(nestedRan);
        QCOMPARE(h.state().intLevelNumber, 11);
        verifyShowsLevel(h, 11);
        QVERIFY(h.get<QPushButton>("btnLevel")->isEnabled());
        QVERIFY(bar(h)->isEnabled());
        QVERIFY(!h.state().boolCancelUnload);

        // Undo while Next Level draws: the level it brings back wins, and the load stops.
        duringLoad([&] { h.window->undo(); });
        h.window->mnuNextLevel_Click();
        verifyShowsLevel(h, 11);
        QCOMPARE(h.text("lblStatus"), QStringLiteral("Undone: the load of level 12."));

        // Open of an image with other tile graphics, during a load: the older load must not
        // go on drawing the old image's tiles.
        const QString other = h.dir.filePath(QStringLiteral("inverted.gb"));
        QByteArray inverted = h.bytes;
        for (int i = kTileRegionStart; i < kTileRegionEnd; ++i)
            inverted[i] = char(~inverted[i]);
        QVERIFY(TestImages::write(other, inverted));
        h.nextOpen = other;
        duringLoad([&] { h.window->mnuOpen_Click(); });
        h.get<QPushButton>("btnLevel")->click();
        QCOMPARE(h.state().strFileName, other);
        h.image = other;
        verifyShowsLevel(h, 1);
        QVERIFY(!h.state().boolCancelUnload);
    }

    // Painting a row the load has not drawn yet: the load draws the cell from the map, so the
    // surface shows the painted tile.
    void paintingDuringLoad()
    {
        EditorHarness h;
        h.window->picTiles_MouseMove(0, 0, 8, 16 * 7);
        h.window->picTiles_MouseDown(1, 0, 8, 0); // left tile 7
        duringLoad([&] { h.window->picEditor_MouseDown(1, 0, 16 * 5 + 3, 16 * 15 + 3); });
        loadLevel(h, 6);
        QCOMPARE(h.state().bytLevel.cellAt(5, 15), 7);
        QVERIFY(h.cell("picEditor", 5, 15) == h.tilePicture(7));
    }

    // The load time is a plain count of milliseconds between "Loaded in: " and "m.".
    void loadTimeText()
    {
        EditorHarness h;
        loadLevel(h, 1);
        const QRegularExpressionMatch match
            = QRegularExpression(QStringLiteral("^Loaded in: (\\d+)m\\.$"))
                  .match(h.text("lblStatus"));
        QVERIFY(match.hasMatch());
        QVERIFY(match.captured(1).toInt() >= 0);
    }

    // Nothing is kept between commands: another image under the same name is seen at once.
    void readsTheFileAsItIsNow()
    {
        EditorHarness h;
        loadLevel(h, 8);
        QByteArray replaced = h.bytes;
        for (int i = 0; i < kLevelBytes; ++i)
            replaced[levelOffset(8) + i] = char(40);
        QVERIFY(TestImages::write(h.image, replaced));
        h.get<QPushButton>("btnLevel")->click();
        QCOMPARE(h.state().bytLevel.cellAt(19, 16), 40);
        QVERIFY(h.cell("picEditor", 19, 16) == h.tilePicture(40));
    }

    // A load is a step: undoing it brings back the map with its painting, the number and the
    // picture, so Save writes them where they belong; redoing it loads again.
    void undoLoad_data()
    {
        QTest::addColumn<int>("from"); // 0: a path from the command line, nothing loaded
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("loaded");
        QTest::newRow("Next Level") << 3 << "mnuNextLevel" << 4;
        QTest::newRow("Previous Level") << 3 << "mnuPreviousLevel" << 2;
        QTest::newRow("Load Level, none chosen") << 0 << "btnLevel" << 1;
    }

    void undoLoad()
    {
        QFETCH(int, from);
        QFETCH(QString, command);
        QFETCH(int, loaded);
        EditorHarness h;
        if (from > 0)
            loadLevel(h, from);
        h.window->picTiles_MouseMove(0, 0, 8, 16 * 7);
        h.window->picTiles_MouseDown(1, 0, 8, 0); // left tile 7
        h.window->picEditor_MouseDown(1, 0, 8, 8);
        const LevelMap painted = h.state().bytLevel;
        const QImage picture = h.surface("picEditor")->image();
        if (auto *menu = h.window->findChild<QAction *>(command))
            menu->trigger();
        else
            h.get<QPushButton>("btnLevel")->click();
        verifyShowsLevel(h, loaded);

        h.window->undo();
        QVERIFY(h.state().bytLevel == painted);
        QCOMPARE(h.state().intLevelNumber, from);
        QCOMPARE(h.text("txtLevel"), from > 0 ? QString::number(from) : QString());
        QCOMPARE(bar(h)->number(), std::max(from, 1));
        if (from > 0)
            QVERIFY(h.surface("picEditor")->image() == picture);
        h.window->mnuSave_Click();
        QByteArray expected = h.bytes;
        if (from > 0)
            expected[levelOffset(from)] = char(7);
        QVERIFY(h.fileBytes() == expected);

        // Redo loads again, so a file it cannot read leaves everything where it is.
        FileAccess::setFaultHook(
            [](FileAccess::Op op) { return op == FileAccess::Op::Read ? EIO : 0; });
        h.window->redo();
        FileAccess::setFaultHook({});
        QVERIFY(h.state().bytLevel == painted);
        QCOMPARE(h.state().intLevelNumber, from);
        QVERIFY(h.text("lblStatus").contains(FileAccess::describe(EIO)));

        h.window->redo();
        verifyShowsLevel(h, loaded);
        QVERIFY(h.text("lblStatus").startsWith(QLatin1String("Loaded in: ")));
    }

    // Choosing a number is no step and keeps the history; Open starts a new one.
    void historyAcrossLevelNumbersAndOpen()
    {
        EditorHarness h;
        loadLevel(h, 5);
        QVERIFY(TestImages::cellByte(5, 2, 2) != 0);
        h.window->picEditor_MouseDown(2, 0, 40, 40);
        h.get<QPushButton>("btnLevelAdd")->click();
        chooseLevel(h, 20);
        h.window->undo();
        QCOMPARE(h.text("lblStatus"), QStringLiteral("Undone: 1 cell."));
        QCOMPARE(h.state().intLevelNumber, 20);
        verifyShowsLevel(h, 5);
        // A stroke under way when Open comes belongs to the image left behind.
        QVERIFY(TestImages::cellByte(5, 2, 2) != TestImages::cellByte(1, 2, 2));
        h.window->picEditor_MouseDown(2, 0, 40, 40);
        h.nextOpen = h.image;
        h.window->mnuOpen_Click();
        h.window->undo();
        QCOMPARE(h.text("lblStatus"), QStringLiteral("Nothing to undo."));
        QCOMPARE(h.state().intLevelNumber, 1);
        // Its marks went with it: the next stroke over the same cell is recorded and undone whole.
        h.window->picEditor_MouseDown(2, 0, 40, 40);
        QVERIFY(h.state().bytLevel.cellAt(2, 2) != TestImages::cellByte(1, 2, 2));
        h.window->undo();
        QCOMPARE(h.text("lblStatus"), QStringLiteral("Undone: 1 cell."));
        verifyShowsLevel(h, 1);
    }

    void loadLeavesNoDescriptorOpen()
    {
        EditorHarness h;
        const int before = TestImages::openDescriptors();
        int duringRows = -1;
        duringLoad([&] { duringRows = TestImages::openDescriptors(); });
        loadLevel(h, 12);
        QCOMPARE(duringRows, before);
        h.window->mnuSave_Click();
        QCOMPARE(TestImages::openDescriptors(), before);
    }
};

QTEST_MAIN(LevelsTest)
#include "tst_levels.moc"
