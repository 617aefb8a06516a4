// Timings of the editor's commands through the real window: load, palette, painting, fill,
// replace, paste, save.
#include "EditorHarness.h"
#include "platform/ReversedScrollBar.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>

#include <algorithm>

class EditorBench : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditorHarness> m_harness;

    EditorHarness &h() { return *m_harness; }

    // Gives the buttons palette slots 15 and 16, paints all of level 1 with the left one, then
    // times presses with keys that give the whole level the right and the left tile by turns.
    void fillWholeLevel(int keys)
    {
        h().get<QPushButton>("btnLevel")->click();
        for (const int button : { 2, 1 }) {
            h().window->picTiles_MouseMove(0, 0, 8, 16.0f * (14 + button));
            h().window->picTiles_MouseDown(button, 0, 8, 16.0f * (14 + button));
        }
        h().window->picEditor_MouseDown(1, 0, 0, 0);
        for (int cell = 0; cell < RomLayout::kLevelBytes; ++cell)
            h().window->picEditor_MouseMove(1, 0, 16.0f * (cell % 20), 16.0f * (cell / 20));
        int button = 2;
        QBENCHMARK
        {
            h().window->picEditor_MouseDown(button, keys, 8, 8);
            button = 3 - button;
        }
        const auto &cells = h().state().bytLevel.bytes();
        QVERIFY(
            std::all_of(cells.begin(), cells.end(), [&](int tile) { return tile == cells[0]; }));
        h().window->undo();
        QCOMPARE(h().text("lblStatus"), QStringLiteral("Undone: 340 cells."));
    }

private slots:
    void init()
    {
        m_harness = std::make_unique<EditorHarness>();
        // Work on the demo image when the build made one: real artwork, real level maps.
        const QString demo = qEnvironmentVariable("DORRIK_DEMO_IMAGE");
        if (!demo.isEmpty() && QFile::exists(demo)) {
            QFile::remove(h().image);
            QFile::copy(demo, h().image);
        }
        h().window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h().window.get()));
    }
    void cleanup() { m_harness.reset(); }

    // "Load Level": two reads, 340 tiles drawn, 17 rounds of event processing.
    void loadLevel()
    {
        auto *button = h().get<QPushButton>("btnLevel");
        QBENCHMARK
        {
            button->click();
        }
        QVERIFY(h().text("lblStatus").startsWith(QLatin1String("Loaded in: ")));
    }

    // One palette redraw: the bar moves by one, the handler reads 18 tiles and draws them.
    void paletteRedraw()
    {
        auto *bar = h().get<ReversedScrollBar>("scrTiles");
        int next = 1;
        QBENCHMARK
        {
            bar->setNumber(next);
            next = 1 - next;
        }
        QCOMPARE(h().messages.size(), 0);
    }

    // One movement with the left button held over the editor: a byte stored, a cell copied.
    void paintingMovement()
    {
        DrawingSurface *editor = h().surface("picEditor");
        int step = 0;
        QBENCHMARK
        {
            const QPointF at(1 + (step % 320), 1 + (step / 320) % 272);
            QMouseEvent move(QEvent::MouseMove, at, editor->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(editor, &move);
            ++step;
        }
    }

    // Undo or redo of one stroke over the whole level: the tiles read once, 340 cells drawn.
    void undoRedoStroke()
    {
        h().get<QPushButton>("btnLevel")->click();
        h().window->picTiles_MouseMove(0, 0, 8, 16 * 17);
        h().window->picTiles_MouseDown(1, 0, 8, 16 * 17); // a tile the demo's levels do not use
        h().window->picEditor_MouseDown(1, 0, 0, 0);
        for (int cell = 0; cell < RomLayout::kLevelBytes; ++cell)
            h().window->picEditor_MouseMove(1, 0, 16.0f * (cell % 20), 16.0f * (cell / 20));
        bool undone = false;
        QBENCHMARK
        {
            if (undone)
                h().window->redo();
            else
                h().window->undo();
            undone = !undone;
        }
        QVERIFY(h().text("lblStatus").endsWith(QLatin1String(" 340 cells.")));
    }

    // A fill over the whole level (every cell one tile) and a replace of that tile: 340 cells
    // each, one step, each drawn from the preview without reading the file.
    void fillLevel() { fillWholeLevel(DrawingSurface::ShiftKey); }
    void replaceLevel() { fillWholeLevel(DrawingSurface::ShiftKey | DrawingSurface::CtrlKey); }

    // Ctrl+V of a whole level copied from the window: the text read, the tiles read once, 340
    // cells drawn, one step.
    void pasteLevel()
    {
        h().get<QPushButton>("btnLevel")->click();
        h().window->picEditor_MouseMove(0, 0, 8, 8); // the keys act on the level under the pointer
        QAction *copy = h().window->findChild<QAction *>(QStringLiteral("copy"));
        QAction *paste = h().window->findChild<QAction *>(QStringLiteral("paste"));
        copy->trigger();
        QBENCHMARK
        {
            paste->trigger();
        }
        QCOMPARE(h().text("lblStatus"), QStringLiteral("Pasted 340 cells at 0,0."));
    }

    // Save: the level's 340 bytes in one write, flushed to disk.
    void save()
    {
        h().get<QPushButton>("btnLevel")->click();
        QBENCHMARK
        {
            h().window->mnuSave_Click();
        }
        QVERIFY(!h().messages.isEmpty());
    }
};

QTEST_MAIN(EditorBench)
#include "bench_editor.moc"
