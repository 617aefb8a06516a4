// Painting tiles into the level with the mouse: snapping, buttons, edges, selection and saving.
#include "EditorHarness.h"
#include "platform/ReversedScrollBar.h"
#include "rom/LevelMap.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QPushButton>
#include <QRect>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <map>
#include <utility>

namespace {

constexpr int kNothing = -1;
constexpr int kLeftTile = 5;
constexpr int kRightTile = 9;

// Key: the key in `key` with `keys` held, to the control with the focus. Away: the pointer off
// the level, onto the Level box, which takes the focus.
enum class Action { Press, Move, Release, Key, Away };

// One step of a mouse gesture on picEditor, at a position in the surface's inside pixels.
struct Gesture
{
    Action action;
    Qt::MouseButton button;
    QPoint at;
    Qt::KeyboardModifiers keys {};
    Qt::Key key = Qt::Key_unknown;
};

QPoint centre(int column, int row)
{
    return { 16 * column + 8, 16 * row + 8 };
}

Gesture down(Qt::MouseButton button, QPoint at)
{
    return { Action::Press, button, at };
}

Gesture to(QPoint at)
{
    return { Action::Move, Qt::NoButton, at };
}

Gesture up(Qt::MouseButton button, QPoint at)
{
    return { Action::Release, button, at };
}

Gesture downWith(Qt::KeyboardModifiers keys, Qt::MouseButton button, QPoint at)
{
    return { Action::Press, button, at, keys };
}

Gesture key(Qt::Key key, Qt::KeyboardModifiers keys = Qt::ControlModifier)
{
    return { Action::Key, Qt::NoButton, {}, keys, key };
}

const Gesture kAway { Action::Away, Qt::NoButton, {} };

// Sends the gestures to the shown level as real mouse events; moves carry the buttons QTest
// holds.
void perform(EditorHarness &harness, const QList<Gesture> &gestures)
{
    DrawingSurface *editor = harness.surface("picEditor");
    for (const Gesture &gesture : gestures) {
        const QPoint at = gesture.at + QPoint(1, 1); // inside the one-pixel border
        if (gesture.action == Action::Key) {
            QTest::keyClick(QApplication::focusWidget(), gesture.key, gesture.keys);
        } else if (gesture.action == Action::Away) {
            // Through the window, as the system moves the pointer, so the level sees it leave.
            auto *box = harness.get<QLineEdit>("txtLevel");
            for (QWidget *widget : { static_cast<QWidget *>(editor), static_cast<QWidget *>(box) })
                QTest::mouseMove(harness.window->windowHandle(),
                                 widget->mapTo(harness.window.get(), widget->rect().center()));
            box->setFocus();
            box->selectAll();
        } else if (gesture.action == Action::Press)
            QTest::mousePress(editor, gesture.button, gesture.keys, at);
        else if (gesture.action == Action::Move)
            QTest::mouseMove(editor, at);
        else
            QTest::mouseRelease(editor, gesture.button, gesture.keys, at);
    }
}

QString keyStatus(EditorHarness &harness, Qt::Key key)
{
    QTest::keyClick(harness.window.get(), key, Qt::ControlModifier);
    return harness.text("lblStatus");
}

// Makes tile the left (button 1) or right (button 2) tile the way the user does: scroll it into
// the palette, point at its slot, press.
void choose(EditorHarness &harness, int button, int tile)
{
    const int offset = std::min(tile, Palette::kTop);
    harness.get<ReversedScrollBar>("scrTiles")->setNumber(offset);
    const float y = 16.0f * static_cast<float>(tile - offset) + 8.0f;
    harness.window->picTiles_MouseMove(0, 0, 8.0f, y);
    harness.window->picTiles_MouseDown(button, 0, 8.0f, y);
}

QImage whiteCell()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The map and picture the editor should hold: what it held when this was made, plus the cells
// painted since.
class Expected
{
public:
    explicit Expected(const EditorHarness &harness)
        : m_map(harness.state().bytLevel)
        , m_image(harness.surface("picEditor")->image())
    { }

    void paint(int column, int row, int tile, const QImage &picture)
    {
        m_map.setCell(column, row, tile);
        m_pictures[{ column, row }] = picture;
    }

    // Every cell whose number or picture differs from what is expected, described.
    QStringList mismatches(const EditorHarness &harness) const
    {
        QStringList found;
        for (int row = 0; row < RomLayout::kLevelRows; ++row) {
            for (int column = 0; column < RomLayout::kLevelColumns; ++column) {
                const int tile = harness.state().bytLevel.cellAt(column, row);
                if (tile != m_map.cellAt(column, row))
                    found << QStringLiteral("(%1,%2) holds %3").arg(column).arg(row).arg(tile);
                const auto painted = m_pictures.find({ column, row });
                const QImage picture = painted != m_pictures.end()
                    ? painted->second
                    : m_image.copy(16 * column, 16 * row, 16, 16);
                if (harness.cell("picEditor", column, row) != picture)
                    found << QStringLiteral("(%1,%2) shows another picture").arg(column).arg(row);
            }
        }
        return found;
    }

private:
    LevelMap m_map;
    QImage m_image;
    std::map<std::pair<int, int>, QImage> m_pictures;
};

QString firstDifference(const QByteArray &actual, const QByteArray &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1, not %2").arg(actual.size()).arg(expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i])
            return QStringLiteral("byte 0x%1 differs").arg(i, 0, 16);
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Gesture)

class TestPaint : public QObject
{
    Q_OBJECT

private slots:
    void snap_data()
    {
        QTest::addColumn<float>("coordinate");
        QTest::addColumn<int>("snapped");
        const std::pair<float, int> rows[] = {
            { 0.0f, 0 },     { 15.0f, 0 },    { 16.0f, 16 },   { 31.0f, 16 },   { 319.0f, 304 },
            { 15.5f, 16 },   { 14.5f, 0 },    { 16.5f, 16 },   { 17.5f, 16 },   { 31.5f, 32 },
            { 15.49f, 0 },   { -0.5f, 0 },    { -1.0f, -16 },  { -16.0f, -16 }, { -16.5f, -16 },
            { -17.0f, -32 }, { 320.0f, 320 }, { 319.5f, 320 },
        };
        for (const auto &[coordinate, snapped] : rows)
            QTest::addRow("%g", static_cast<double>(coordinate)) << coordinate << snapped;
    }

    void snap()
    {
        QFETCH(float, coordinate);
        QFETCH(int, snapped);
        QCOMPARE(frmMain::Snap(coordinate), snapped);
    }

    // Presses go to a window with a path from the command line and no level loaded: the map is
    // all zeros and takes the tile anyway.
    void press_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::newRow("left at origin") << 1 << 0.0f << 0.0f << 0 << 0;
        QTest::newRow("left at last pixel") << 1 << 319.0f << 271.0f << 19 << 16;
        QTest::newRow("left on a cell's last row") << 1 << 16.0f << 15.0f << 1 << 0;
        QTest::newRow("halves round up to even") << 1 << 15.5f << 31.5f << 1 << 2;
        QTest::newRow("halves round down to even") << 1 << 14.5f << 30.5f << 0 << 1;
        QTest::newRow("right") << 2 << 40.0f << 40.0f << 2 << 2;
        QTest::newRow("middle") << 4 << 40.0f << 40.0f << kNothing << kNothing;
        QTest::newRow("beyond right edge") << 1 << 320.0f << 0.0f << kNothing << kNothing;
        QTest::newRow("rounded beyond right edge") << 2 << 319.5f << 0.0f << kNothing << kNothing;
        QTest::newRow("beyond bottom edge") << 1 << 0.0f << 272.0f << kNothing << kNothing;
        QTest::newRow("above top edge") << 1 << 10.0f << -1.0f << kNothing << kNothing;
        QTest::newRow("left of left edge") << 2 << -1.0f << 10.0f << kNothing << kNothing;
    }

    void press()
    {
        QFETCH(int, button);
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(int, column);
        QFETCH(int, row);
        EditorHarness harness;
        choose(harness, 1, kLeftTile);
        choose(harness, 2, kRightTile);
        QVERIFY(harness.state().bytLevel == LevelMap {});
        Expected expected(harness);
        if (column != kNothing) {
            const int tile = button == 1 ? kLeftTile : kRightTile;
            const QImage preview
                = harness.surface(button == 1 ? "picTilesLeft" : "picTilesRight")->image();
            QCOMPARE(preview, harness.tilePicture(tile));
            expected.paint(column, row, tile, preview);
        }
        harness.window->picEditor_MouseDown(button, 0, x, y);
        QCOMPARE(expected.mismatches(harness), QStringList());
    }

    void moveButtons_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("tile");
        QTest::newRow("none") << 0 << kNothing;
        QTest::newRow("left") << 1 << kLeftTile;
        QTest::newRow("right") << 2 << kRightTile;
        QTest::newRow("left and right") << 3 << kNothing;
        QTest::newRow("middle") << 4 << kNothing;
        QTest::newRow("left and middle") << 5 << kNothing;
        QTest::newRow("right and middle") << 6 << kNothing;
        QTest::newRow("all three") << 7 << kNothing;
    }

    void moveButtons()
    {
        QFETCH(int, buttons);
        QFETCH(int, tile);
        EditorHarness harness;
        choose(harness, 1, kLeftTile);
        choose(harness, 2, kRightTile);
        Expected expected(harness);
        if (tile != kNothing)
            expected.paint(2, 1, tile, harness.tilePicture(tile));
        harness.window->picEditor_MouseMove(buttons, 0, 40.0f, 24.0f);
        QCOMPARE(expected.mismatches(harness), QStringList());
        QCOMPARE(harness.text("lblCoorX"), QStringLiteral("2"));
        QCOMPARE(harness.text("lblCoorY"), QStringLiteral("1"));
    }

    // Movements with the left button held, near and beyond the surface's edges.
    void moveCoordinates_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::addColumn<QString>("shownX");
        QTest::addColumn<QString>("shownY");
        QTest::addColumn<bool>("paints");
        QTest::newRow("inside") << 40.0f << 24.0f << "2"
                                << "1" << true;
        QTest::newRow("last cell") << 319.0f << 271.0f << "19"
                                   << "16" << true;
        QTest::newRow("half below zero") << -0.5f << -0.5f << "0"
                                         << "0" << true;
        QTest::newRow("beyond right") << 320.0f << 24.0f << "20"
                                      << "1" << false;
        QTest::newRow("rounded beyond right") << 319.5f << 0.0f << "20"
                                              << "0" << false;
        QTest::newRow("beyond bottom") << 40.0f << 272.0f << "2"
                                       << "17" << false;
        QTest::newRow("far beyond both") << 500.0f << 400.0f << "31"
                                         << "25" << false;
        QTest::newRow("left of surface") << -1.0f << 24.0f << "-1"
                                         << "1" << false;
        QTest::newRow("above surface") << 40.0f << -1.0f << "2"
                                       << "-1" << false;
        QTest::newRow("far left and above") << -17.0f << -40.0f << "-2"
                                            << "-3" << false;
    }

    void moveCoordinates()
    {
        QFETCH(float, x);
        QFETCH(float, y);
        QFETCH(QString, shownX);
        QFETCH(QString, shownY);
        QFETCH(bool, paints);
        EditorHarness harness;
        choose(harness, 1, kLeftTile);
        Expected expected(harness);
        if (paints) {
            expected.paint(shownX.toInt(), shownY.toInt(), kLeftTile,
                           harness.tilePicture(kLeftTile));
        }
        harness.window->picEditor_MouseMove(1, 0, x, y);
        QCOMPARE(expected.mismatches(harness), QStringList());
        QCOMPARE(harness.text("lblCoorX"), shownX);
        QCOMPARE(harness.text("lblCoorY"), shownY);
    }

    // Real mouse events on the shown window; moves carry the buttons QTest holds.
    void gestures_data()
    {
        QTest::addColumn<QList<Gesture>>("gestures");
        QTest::addColumn<QList<QPoint>>("leftCells");
        QTest::addColumn<QList<QPoint>>("rightCells");
        const auto L = Qt::LeftButton;
        const auto R = Qt::RightButton;
        const auto M = Qt::MiddleButton;
        QTest::newRow("left drag along a row")
            << QList<Gesture> { down(L, centre(1, 1)), to(centre(2, 1)), to(centre(3, 1)),
                                up(L, centre(3, 1)) }
            << QList<QPoint> { { 1, 1 }, { 2, 1 }, { 3, 1 } } << QList<QPoint> {};
        QTest::newRow("cells' first and last pixels")
            << QList<Gesture> { down(L, { 15, 15 }), to({ 16, 31 }), to({ 319, 271 }),
                                up(L, { 319, 271 }) }
            << QList<QPoint> { { 0, 0 }, { 1, 1 }, { 19, 16 } } << QList<QPoint> {};
        QTest::newRow("fast drag skips cells")
            << QList<Gesture> { down(L, centre(0, 0)), to(centre(6, 0)), to(centre(6, 5)),
                                up(L, centre(6, 5)) }
            << QList<QPoint> { { 0, 0 }, { 6, 0 }, { 6, 5 } } << QList<QPoint> {};
        QTest::newRow("right drag")
            << QList<Gesture> { down(R, centre(4, 4)), to(centre(5, 4)), up(R, centre(5, 4)) }
            << QList<QPoint> {} << QList<QPoint> { { 4, 4 }, { 5, 4 } };
        QTest::newRow("right press while left held")
            << QList<Gesture> { down(L, centre(1, 1)), to(centre(2, 1)),   down(R, centre(3, 1)),
                                to(centre(4, 1)),      to(centre(5, 1)),   up(R, centre(5, 1)),
                                to(centre(6, 1)),      up(L, centre(6, 1)) }
            << QList<QPoint> { { 1, 1 }, { 2, 1 }, { 6, 1 } } << QList<QPoint> { { 3, 1 } };
        QTest::newRow("left press while right held")
            << QList<Gesture> { down(R, centre(1, 1)), down(L, centre(2, 1)), to(centre(3, 1)),
                                up(L, centre(3, 1)),   to(centre(4, 1)),      up(R, centre(4, 1)) }
            << QList<QPoint> { { 2, 1 } } << QList<QPoint> { { 1, 1 }, { 4, 1 } };
        QTest::newRow("middle drag")
            << QList<Gesture> { down(M, centre(1, 1)), to(centre(2, 1)), up(M, centre(2, 1)) }
            << QList<QPoint> {} << QList<QPoint> {};
        QTest::newRow("middle joins left")
            << QList<Gesture> { down(L, centre(1, 1)), down(M, centre(1, 1)), to(centre(2, 1)),
                                up(M, centre(2, 1)), up(L, centre(2, 1)) }
            << QList<QPoint> { { 1, 1 } } << QList<QPoint> {};
        QTest::newRow("drag out past right and bottom")
            << QList<Gesture> { down(L, centre(19, 16)), to({ 330, 260 }), to({ 100, 290 }),
                                up(L, { 100, 290 }) }
            << QList<QPoint> { { 19, 16 } } << QList<QPoint> {};
        QTest::newRow("drag out past left and top")
            << QList<Gesture> { down(R, centre(0, 0)), to({ -5, 8 }), to({ 8, -5 }),
                                to({ -40, -40 }), up(R, { -40, -40 }) }
            << QList<QPoint> {} << QList<QPoint> { { 0, 0 } };
        QTest::newRow("hover after release")
            << QList<Gesture> { down(L, centre(1, 1)), up(L, centre(1, 1)), to(centre(2, 1)),
                                to(centre(3, 2)) }
            << QList<QPoint> { { 1, 1 } } << QList<QPoint> {};
    }

    void gestures()
    {
        QFETCH(QList<Gesture>, gestures);
        QFETCH(QList<QPoint>, leftCells);
        QFETCH(QList<QPoint>, rightCells);
        EditorHarness harness;
        choose(harness, 1, kLeftTile);
        choose(harness, 2, kRightTile);
        harness.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(harness.window.get()));
        Expected expected(harness);
        for (const QPoint &cell : leftCells)
            expected.paint(cell.x(), cell.y(), kLeftTile, harness.tilePicture(kLeftTile));
        for (const QPoint &cell : rightCells)
            expected.paint(cell.x(), cell.y(), kRightTile, harness.tilePicture(kRightTile));

        perform(harness, gestures);
        QCOMPARE(expected.mismatches(harness), QStringList());
    }

    // Ctrl picks (at a release on the cell pressed), Shift fills, Ctrl+Shift replaces, on
    // level 1 made of tile 0 split by a wall of the right tile down column 3 ending in tile 200.
    // changed: the cells that take the first press's tile; picked: its button's new tile.
    void keyedGestures_data()
    {
        QTest::addColumn<QList<Gesture>>("gestures");
        QTest::addColumn<QList<QRect>>("changed");
        QTest::addColumn<int>("picked");
        const auto L = Qt::LeftButton;
        const auto R = Qt::RightButton;
        const auto ctrl = Qt::ControlModifier;
        const auto shift = Qt::ShiftModifier;
        const auto click = [](Qt::KeyboardModifiers keys, Qt::MouseButton button, QPoint at) {
            return QList<Gesture> { downWith(keys, button, at), up(button, at) };
        };
        const QRect west(0, 0, 3, 17);
        // Fault: a pick goes to the other button, or comes from the palette's slots.
        QTest::newRow("pick beyond the palette")
            << click(ctrl, L, centre(3, 16)) << QList<QRect> {} << 200;
        QTest::newRow("pick right") << click(ctrl, R, centre(1, 1)) << QList<QRect> {} << 0;
        // Fault: the pick is taken at the press, or its moves paint.
        QTest::newRow("pick released on another cell")
            << QList<Gesture> { downWith(ctrl, L, centre(1, 1)), to(centre(4, 1)),
                                up(L, centre(4, 1)) }
            << QList<QRect> {} << kNothing;
        // Fault: the fill runs through the wall, or the right button fills with the left tile.
        QTest::newRow("fill west")
            << click(shift, R, centre(1, 1)) << QList<QRect> { west } << kNothing;
        QTest::newRow("fill the wall")
            << click(shift, L, centre(3, 4)) << QList<QRect> { { 3, 0, 1, 16 } } << kNothing;
        // Fault: a replace stops where a fill would.
        QTest::newRow("replace") << click(ctrl | shift, L, centre(1, 1))
                                 << QList<QRect> { west, { 4, 0, 16, 17 } } << kNothing;
        // Fault: moves or a joining press during a fill paint.
        QTest::newRow("moves and a press after a fill")
            << QList<Gesture> { downWith(shift, L, centre(1, 1)), to(centre(6, 2)),
                                down(R, centre(7, 7)), up(R, centre(7, 7)), up(L, centre(7, 7)) }
            << QList<QRect> { west } << kNothing;
        // Fault: Alt is taken for Ctrl or Shift; a press off the map for column 0; a fill that
        // changes nothing leaves an empty step.
        QTest::newRow("alt paints") << click(Qt::AltModifier, L, centre(1, 1))
                                    << QList<QRect> { { 1, 1, 1, 1 } } << kNothing;
        QTest::newRow("fill off the map")
            << click(shift, L, { -1, 8 }) << QList<QRect> {} << kNothing;
        QTest::newRow("fill with its own tile")
            << click(shift, R, centre(3, 4)) << QList<QRect> {} << kNothing;
    }

    void keyedGestures()
    {
        QFETCH(QList<Gesture>, gestures);
        QFETCH(QList<QRect>, changed);
        QFETCH(int, picked);
        EditorHarness harness;
        for (int cell = 0; cell < RomLayout::kLevelBytes; ++cell) {
            const int column = cell % RomLayout::kLevelColumns;
            harness.bytes[RomLayout::levelOffset(1) + cell]
                = char(column != 3                               ? 0
                           : cell == RomLayout::cellIndex(3, 16) ? 200
                                                                 : kRightTile);
        }
        QVERIFY(TestImages::write(harness.image, harness.bytes));
        harness.get<QPushButton>("btnLevel")->click();
        harness.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(harness.window.get()));
        choose(harness, 1, kLeftTile);
        choose(harness, 2, kRightTile);
        const Expected loaded(harness);
        Expected after(harness);
        const bool left = gestures.first().button == Qt::LeftButton;
        const int tile = left ? kLeftTile : kRightTile;
        int cells = 0;
        for (const QRect &area : changed) {
            for (int row = area.top(); row <= area.bottom(); ++row) {
                for (int column = area.left(); column <= area.right(); ++column, ++cells)
                    after.paint(column, row, tile, harness.tilePicture(tile));
            }
        }
        perform(harness, gestures);
        QCOMPARE(after.mismatches(harness), QStringList());
        QCOMPARE(firstDifference(harness.fileBytes(), harness.bytes), QString());
        const int leftTile = left && picked != kNothing ? picked : kLeftTile;
        const int rightTile = !left && picked != kNothing ? picked : kRightTile;
        QCOMPARE(harness.text("lblTilesLeft"), frmMain::TileNumberText("Left: ", leftTile));
        QCOMPARE(harness.text("lblTilesRight"), frmMain::TileNumberText("Right: ", rightTile));
        QCOMPARE(harness.surface("picTilesLeft")->image(), harness.tilePicture(leftTile));
        QCOMPARE(harness.surface("picTilesRight")->image(), harness.tilePicture(rightTile));

        // One step, undone and redone whole; Save writes the map as it now is.
        const QString step = cells == 0 ? QStringLiteral("the load of level 1")
            : cells == 1                ? QStringLiteral("1 cell")
                                        : QStringLiteral("%1 cells").arg(cells);
        QCOMPARE(keyStatus(harness, Qt::Key_Z), QStringLiteral("Undone: %1.").arg(step));
        if (cells == 0)
            return;
        QCOMPARE(loaded.mismatches(harness), QStringList());
        QCOMPARE(keyStatus(harness, Qt::Key_Y), QStringLiteral("Redone: %1.").arg(step));
        QCOMPARE(after.mismatches(harness), QStringList());
        harness.window->mnuSave_Click();
        const auto &map = harness.state().bytLevel.bytes();
        harness.bytes.replace(RomLayout::levelOffset(1), RomLayout::kLevelBytes,
                              QByteArray(reinterpret_cast<const char *>(map.data()), map.size()));
        QCOMPARE(firstDifference(harness.fileBytes(), harness.bytes), QString());
    }

    // Selections, Ctrl+C and Ctrl+V on the level of keyedGestures. cells: "column,row=tile"
    // changed by the steps, "*=tile" for every cell.
    void clipboardKeys_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QList<Gesture>>("steps");
        QTest::addColumn<QRect>("outline");
        QTest::addColumn<QString>("copied");
        QTest::addColumn<QString>("cells");
        QTest::addColumn<QString>("status");
        const auto L = Qt::LeftButton;
        const auto ctrl = Qt::ControlModifier;
        const QList<Gesture> select { downWith(ctrl, L, centre(2, 1)), to(centre(4, 2)),
                                      up(L, centre(4, 2)) };
        QString level = QStringLiteral("level 9\n");
        for (int row = 0; row < RomLayout::kLevelRows; ++row)
            level += QStringLiteral("0B ").repeated(RomLayout::kLevelColumns - 1) + "0B\n";
        // Fault: the rectangle is off by a cell, the drag picks, or the whole level is copied.
        QTest::newRow("select and copy") << "" << select + QList { key(Qt::Key_C) }
                                         << QRect(2, 1, 3, 2) << "00 09 00\n00 09 00\n"
                                         << ""
                                         << "Copied 3 x 2 cells.";
        // Fault: the whole level goes without its line, so it would not paste back whole.
        QTest::newRow("copy the level") << "" << QList { to(centre(0, 0)), key(Qt::Key_C) }
                                        << QRect() << "level 1\n00 00 00 09 00 00"
                                        << ""
                                        << "Copied level 1.";
        // Fault: rows wrap onto the next row or past the map instead of being clipped.
        QTest::newRow("paste clipped at the pointer")
            << "AA BB\nCC DD\n"
            << QList { to(centre(19, 15)), key(Qt::Key_V) } << QRect() << ""
            << "19,15=AA 19,16=CC"
            << "Pasted 2 cells at 19,15.";
        // Fault: the text box takes the keys while a selection is shown, the rows go to 0,0,
        // or the selection outlives the paste.
        QTest::newRow("copy the selection, the Level box's text selected")
            << "" << select + QList { kAway, key(Qt::Key_C) } << QRect(2, 1, 3, 2)
            << "00 09 00\n00 09 00\n"
            << ""
            << "";
        QTest::newRow("paste at the selection, the Level box focused")
            << "AA BB\n"
            << select + QList { kAway, key(Qt::Key_V) } << QRect() << ""
            << "2,1=AA 3,1=BB"
            << "Pasted 2 cells at 2,1.";
        // Fault: the level takes Ctrl+C with the pointer elsewhere and nothing selected, or
        // Escape or a Ctrl press leaves the outline.
        QTest::newRow("Escape, then the Level box keeps its keys")
            << "" << select + QList { key(Qt::Key_Escape, {}), kAway, key(Qt::Key_C) } << QRect()
            << "1"
            << ""
            << "";
        QTest::newRow("a Ctrl press clears the selection")
            << "" << select + QList { downWith(ctrl, L, centre(9, 9)), up(L, centre(9, 9)) }
            << QRect() << ""
            << ""
            << "";
        // Fault: a refused text pastes its good part, or the reason has no place.
        QTest::newRow("refused text") << "00 0G\n"
                                      << QList { to(centre(1, 1)), key(Qt::Key_V) } << QRect() << ""
                                      << ""
                                      << "Nothing was pasted: 1:4: \"0G\" is no tile number; "
                                         "expected two hex digits, 00 to FF.";
        QTest::newRow("uneven rows") << "00 01\n02\n"
                                     << QList { to(centre(1, 1)), key(Qt::Key_V) } << QRect() << ""
                                     << ""
                                     << "Nothing was pasted: 2:3: the row has 1 tile numbers; the "
                                        "first row has 2.";
        // Fault: the first of several levels is pasted, or none says where the second begins.
        QTest::newRow("two levels")
            << level + QString(level).replace("level 9", "level 8")
            << QList { to(centre(1, 1)), key(Qt::Key_V) } << QRect() << ""
            << ""
            << "Nothing was pasted: 19:1: a second level; one level can be pasted at a time.";
        // Fault: a whole level is placed at the pointer.
        QTest::newRow("a whole level fills the level")
            << level << QList { to(centre(10, 10)), key(Qt::Key_V) } << QRect() << ""
            << "*=0B"
            << "Pasted 340 cells at 0,0.";
    }

    void clipboardKeys()
    {
        QFETCH(QString, clipboard);
        QFETCH(QList<Gesture>, steps);
        QFETCH(QRect, outline);
        QFETCH(QString, copied);
        QFETCH(QString, cells);
        QFETCH(QString, status);
        EditorHarness harness;
        for (int cell = 0; cell < RomLayout::kLevelBytes; ++cell)
            harness.bytes[RomLayout::levelOffset(1) + cell]
                = char(cell % RomLayout::kLevelColumns == 3 ? kRightTile : 0);
        QVERIFY(TestImages::write(harness.image, harness.bytes));
        harness.get<QPushButton>("btnLevel")->click();
        harness.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(harness.window.get()));
        QApplication::clipboard()->setText(clipboard);
        // QTest sends no move to where the pointer already is, as a row before may have left it.
        QCursor::setPos(0, 0);
        const Expected loaded(harness);
        Expected after(harness);
        int changed = 0;
        for (const QString &change : cells.split(' ', Qt::SkipEmptyParts)) {
            const QStringList parts = change.split(QRegularExpression("[,=]"));
            const int tile = parts.last().toInt(nullptr, 16);
            for (int row = 0; row < RomLayout::kLevelRows; ++row) {
                for (int column = 0; column < RomLayout::kLevelColumns; ++column) {
                    if (parts.size() == 2
                        || (column == parts[0].toInt() && row == parts[1].toInt())) {
                        changed += harness.state().bytLevel.cellAt(column, row) != tile;
                        after.paint(column, row, tile, harness.tilePicture(tile));
                    }
                }
            }
        }
        perform(harness, steps);
        QCOMPARE(harness.surface("picEditor")->outline(),
                 QRect(outline.topLeft() * 16, outline.size() * 16));
        QVERIFY2(
            QApplication::clipboard()->text().startsWith(copied.isEmpty() ? clipboard : copied),
            qPrintable(QApplication::clipboard()->text()));
        QCOMPARE(after.mismatches(harness), QStringList());
        if (!status.isEmpty())
            QCOMPARE(harness.text("lblStatus"), status);
        QCOMPARE(firstDifference(harness.fileBytes(), harness.bytes), QString());
        if (changed == 0)
            return;
        // A paste is one step of the history.
        QCOMPARE(keyStatus(harness, Qt::Key_Z), QStringLiteral("Undone: %1 cells.").arg(changed));
        QCOMPARE(loaded.mismatches(harness), QStringList());
    }

    void noImageChosen()
    {
        EditorHarness harness(false);
        // A grey surface, on which a copied blank preview would show.
        QImage grey(harness.surface("picEditor")->insideSize(), QImage::Format_RGB32);
        grey.fill(Qt::darkGray);
        harness.surface("picEditor")->paintPicture(grey, 0, 0);
        Expected expected(harness);
        for (int button : { 1, 2 }) {
            harness.window->picEditor_MouseDown(button, 0, 40.0f, 24.0f);
            harness.window->picEditor_MouseMove(button, 0, 56.0f, 40.0f);
        }
        QCOMPARE(expected.mismatches(harness), QStringList());
        QVERIFY(harness.state().bytLevel == LevelMap {});
        QCOMPARE(harness.text("lblCoorX"), QStringLiteral("3"));
        QCOMPARE(harness.text("lblCoorY"), QStringLiteral("2"));
    }

    // Before the first selection both tiles are 0 and the previews are blank white.
    void beforeAnySelection()
    {
        EditorHarness harness;
        harness.get<QPushButton>("btnLevel")->click();
        QCOMPARE(harness.state().intLevelNumber, 1);
        QVERIFY(TestImages::cellByte(1, 3, 4) != 0 && TestImages::cellByte(1, 5, 6) != 0);
        Expected expected(harness);
        expected.paint(3, 4, 0, whiteCell());
        expected.paint(5, 6, 0, whiteCell());
        harness.window->picEditor_MouseDown(1, 0, 56.0f, 72.0f);
        harness.window->picEditor_MouseMove(2, 0, 88.0f, 104.0f);
        QCOMPARE(expected.mismatches(harness), QStringList());
    }

    void laterSelectionKeepsEarlierCells()
    {
        EditorHarness harness;
        Expected expected(harness);
        choose(harness, 1, kLeftTile);
        choose(harness, 2, kRightTile);
        harness.window->picEditor_MouseDown(1, 0, 24.0f, 24.0f);
        harness.window->picEditor_MouseDown(2, 0, 24.0f, 40.0f);
        choose(harness, 1, 12);
        choose(harness, 2, 83);
        harness.window->picEditor_MouseDown(1, 0, 40.0f, 24.0f);
        harness.window->picEditor_MouseDown(2, 0, 40.0f, 40.0f);
        expected.paint(1, 1, kLeftTile, harness.tilePicture(kLeftTile));
        expected.paint(1, 2, kRightTile, harness.tilePicture(kRightTile));
        expected.paint(2, 1, 12, harness.tilePicture(12));
        expected.paint(2, 2, 83, harness.tilePicture(83));
        QCOMPARE(expected.mismatches(harness), QStringList());
    }

    void saveAndReload_data()
    {
        QTest::addColumn<int>("tensAdded");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("tile");
        QTest::newRow("level 1, first cell") << 0 << 1 << 0 << 0 << 40;
        QTest::newRow("level 1, last cell") << 0 << 1 << 19 << 16 << 90;
        QTest::newRow("level 11") << 1 << 11 << 7 << 9 << 3;
        QTest::newRow("level 41") << 4 << 41 << 12 << 5 << 60;
    }

    void saveAndReload()
    {
        QFETCH(int, tensAdded);
        QFETCH(int, level);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(int, tile);
        QVERIFY(TestImages::cellByte(level, column, row) != tile);
        EditorHarness harness;
        for (int i = 0; i < tensAdded; ++i)
            harness.get<QPushButton>("btnLevelAdd")->click();
        harness.get<QPushButton>("btnLevel")->click();
        QCOMPARE(harness.state().intLevelNumber, level);

        choose(harness, 1, tile);
        harness.window->picEditor_MouseDown(1, 0, 16.0f * column + 3.0f, 16.0f * row + 12.0f);
        harness.window->mnuSave_Click();
        QCOMPARE(harness.messages.size(), 1);
        QCOMPARE(harness.messages[0].title, QStringLiteral("Dorrik"));
        QCOMPARE(harness.messages[0].text, QStringLiteral("The file was successfully saved."));

        QByteArray bytes = harness.bytes;
        bytes[0x14001 + 340 * (level - 1) + 20 * row + column] = static_cast<char>(tile);
        QCOMPARE(firstDifference(harness.fileBytes(), bytes), QString());

        // Paint over the cell without saving: loading again takes the saved tile from the file
        // and draws it from its graphics.
        choose(harness, 1, 0);
        harness.window->picEditor_MouseDown(1, 0, 16.0f * column, 16.0f * row);
        harness.get<QPushButton>("btnLevel")->click();
        QCOMPARE(harness.state().bytLevel.cellAt(column, row), tile);
        QCOMPARE(harness.cell("picEditor", column, row), harness.tilePicture(tile));
    }

    // A drag is one step, undone and redone whole by the keys, also across a save; a failed
    // read leaves the step where it is and the level as it was.
    void undoRedoStroke()
    {
        EditorHarness harness;
        harness.get<QPushButton>("btnLevel")->click();
        choose(harness, 1, kLeftTile);
        harness.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(harness.window.get()));
        const Expected loaded(harness);
        Expected painted(harness);
        for (int column : { 1, 2, 3 }) {
            QVERIFY(TestImages::cellByte(1, column, 1) != kLeftTile);
            painted.paint(column, 1, kLeftTile, harness.tilePicture(kLeftTile));
        }
        DrawingSurface *editor = harness.surface("picEditor");
        const QPoint border(1, 1);
        QTest::mousePress(editor, Qt::LeftButton, {}, centre(1, 1) + border);
        for (int column : { 2, 3, 3, 2 })
            QTest::mouseMove(editor, centre(column, 1) + border);
        QTest::mouseRelease(editor, Qt::LeftButton, {}, centre(2, 1) + border);
        harness.window->picEditor_MouseDown(1, 0, 40.0f, 24.0f); // its own tile: no step
        harness.window->mnuSave_Click();
        const QByteArray savedPainted = harness.fileBytes();

        const struct
        {
            Qt::KeyboardModifiers modifiers;
            Qt::Key key;
            const Expected *shows;
            const char *status;
        } keys[] = {
            { Qt::ControlModifier, Qt::Key_Z, &loaded, "Undone: 3 cells." },
            { Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z, &painted, "Redone: 3 cells." },
            { Qt::ControlModifier, Qt::Key_Y, &painted, "Nothing to redo." },
            { Qt::ControlModifier, Qt::Key_Z, &loaded, "Undone: 3 cells." },
            { Qt::ControlModifier, Qt::Key_Y, &painted, "Redone: 3 cells." },
            { Qt::ControlModifier, Qt::Key_Z, &loaded, "Undone: 3 cells." },
        };
        for (const auto &press : keys) {
            QTest::keyClick(harness.window.get(), press.key, press.modifiers);
            QCOMPARE(press.shows->mismatches(harness), QStringList());
            QCOMPARE(harness.text("lblStatus"), QLatin1String(press.status));
        }
        harness.window->mnuSave_Click();
        QCOMPARE(firstDifference(harness.fileBytes(), harness.bytes), QString());

        // Undoing the load needs the tiles; when they cannot be read, nothing moves.
        FileAccess::setFaultHook(
            [](FileAccess::Op op) { return op == FileAccess::Op::Open ? EIO : 0; });
        QTest::keyClick(harness.window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(loaded.mismatches(harness), QStringList());
        QCOMPARE(harness.state().intLevelNumber, 1);
        QVERIFY(harness.text("lblStatus").contains(FileAccess::describe(EIO)));
        FileAccess::setFaultHook({});
        QTest::keyClick(harness.window.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(painted.mismatches(harness), QStringList());
        harness.window->mnuSave_Click();
        QCOMPARE(firstDifference(harness.fileBytes(), savedPainted), QString());
    }

    // A cell that held tile 0 is noted once per stroke however often the stroke crosses it,
    // so undo brings back the 0; the history keeps the last 2,000 steps and no more.
    void historyOfTileZeroAndItsLimit()
    {
        EditorHarness harness;
        harness.get<QPushButton>("btnLevel")->click();
        harness.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(harness.window.get()));
        DrawingSurface *editor = harness.surface("picEditor");
        const QPoint border(1, 1);
        choose(harness, 1, 0);
        choose(harness, 2, kRightTile);
        QTest::mouseClick(editor, Qt::LeftButton, {}, centre(1, 1) + border);
        QTest::mousePress(editor, Qt::RightButton, {}, centre(1, 1) + border);
        for (int column : { 2, 1 })
            QTest::mouseMove(editor, centre(column, 1) + border);
        QTest::mouseRelease(editor, Qt::RightButton, {}, centre(1, 1) + border);
        QTest::keyClick(harness.window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(harness.state().bytLevel.cellAt(1, 1), 0);

        constexpr int kLimit = 2000;
        for (int step = 0; step <= kLimit; ++step)
            QTest::mouseClick(editor, step % 2 ? Qt::LeftButton : Qt::RightButton, {},
                              centre(5, 5) + border);
        for (int step = 0; step < kLimit; ++step)
            harness.window->undo();
        QCOMPARE(harness.state().bytLevel.cellAt(5, 5), kRightTile); // the first click's tile
        harness.window->undo();
        QCOMPARE(harness.text("lblStatus"), QStringLiteral("Nothing to undo."));
    }
};

QTEST_MAIN(TestPaint)
#include "tst_paint.moc"
