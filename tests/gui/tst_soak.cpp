// A long seeded run of random user actions on the shown main window, checked against a model.
#include "EditorHarness.h"
#include "ScrollBarArrows.h"
#include "SoakModel.h"
#include "platform/ReversedScrollBar.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

namespace {

constexpr std::uint64_t kDefaultSeed = 20240607;
constexpr int kDefaultActions = 3000;
constexpr int kLogLength = 30;

// A number from the environment, or fallback when it is unset or not a number.
std::uint64_t fromEnvironment(const char *name, std::uint64_t fallback)
{
    bool ok = false;
    const std::uint64_t value = qEnvironmentVariable(name).trimmed().toULongLong(&ok);
    return ok ? value : fallback;
}

// The same numbers for the same seed on every platform: mt19937_64's output is fixed by the
// C++ standard, and the ranges are cut from it here rather than by a library distribution.
class Random
{
public:
    explicit Random(std::uint64_t seed)
        : m_engine(seed)
    { }

    int below(int n) { return static_cast<int>(m_engine() % static_cast<std::uint64_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool percent(int chance) { return below(100) < chance; }

private:
    std::mt19937_64 m_engine;
};

// An image whose tiles, levels and filler all differ from the patterned one's: variant k.
QByteArray variantImage(int k)
{
    QByteArray bytes(128 * 1024, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 17 + 101 + 3 * k) & 0xFF);
    for (int tile = 0; tile < RomLayout::kTileCount; ++tile) {
        for (int index = 0; index < RomLayout::kTileBytes; ++index) {
            bytes[RomLayout::tileOffset(tile) + index] = static_cast<char>(
                (tile * 29 + index * 11 + k * 0x3B + (index & 1) * 0x2A) & 0xFF);
        }
    }
    // Levels name tiles from the whole range 0..255.
    for (int level = 1; level <= RomLayout::kLevelCount; ++level) {
        for (int row = 0; row < RomLayout::kLevelRows; ++row) {
            for (int column = 0; column < RomLayout::kLevelColumns; ++column) {
                bytes[RomLayout::levelOffset(level) + RomLayout::cellIndex(column, row)]
                    = static_cast<char>((level * 13 + column * 7 + row * 11 + k * 5) & 0xFF);
            }
        }
    }
    return bytes;
}

SoakModel::ImageFile imageFile(const QString &path, const QByteArray &bytes)
{
    SoakModel::ImageFile file { path, bytes, {} };
    for (int tile = 0; tile < RomLayout::kTileCount; ++tile)
        file.tiles.push_back(TestImages::expectedTile(TestImages::tileBytesOf(bytes, tile)));
    return file;
}

QString buttonName(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return QStringLiteral("Left");
    case Qt::RightButton:
        return QStringLiteral("Right");
    default:
        return QStringLiteral("Middle");
    }
}

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return SoakModel::Left;
    case Qt::RightButton:
        return SoakModel::Right;
    default:
        return SoakModel::Middle;
    }
}

int keysCode(Qt::KeyboardModifiers keys)
{
    return (keys & Qt::ShiftModifier ? SoakModel::Shift : 0)
        | (keys & Qt::ControlModifier ? SoakModel::Ctrl : 0)
        | (keys & Qt::AltModifier ? SoakModel::Alt : 0);
}

int buttonsCode(Qt::MouseButtons buttons)
{
    int code = 0;
    for (const Qt::MouseButton button : { Qt::LeftButton, Qt::RightButton, Qt::MiddleButton }) {
        if (buttons & button)
            code |= buttonCode(button);
    }
    return code;
}

// QTest takes the position (0, 0) for the widget's centre; (1, 0) is used instead, on the
// same border row.
QPoint usable(QPoint at)
{
    return at.isNull() ? QPoint(1, 0) : at;
}

QString point(QPoint at)
{
    return QStringLiteral("(%1,%2)").arg(at.x()).arg(at.y());
}

// The cells of two equally sized pictures that differ, as "(column,row)".
QStringList differingCells(const QImage &actual, const QImage &expected)
{
    QStringList cells;
    for (int row = 0; row * 16 < expected.height(); ++row) {
        for (int column = 0; column * 16 < expected.width(); ++column) {
            if (actual.copy(16 * column, 16 * row, 16, 16)
                != expected.copy(16 * column, 16 * row, 16, 16))
                cells << QStringLiteral("(%1,%2)").arg(column).arg(row);
        }
    }
    return cells;
}

// What a run went through, over all its windows.
struct Coverage
{
    std::map<QString, int> actions; // how often each kind of action ran
    std::set<int> levels; // the level numbers reached
    std::set<int> offsets; // the palette positions reached
};

// Drives one window with real input events and keeps the model in step.
class Soak
{
public:
    Soak(EditorHarness &harness, Random &numbers, Coverage &seen)
        : h(harness)
        , random(numbers)
        , coverage(seen)
    {
        window = h.window.get();
        palette = h.surface("picTiles");
        editor = h.surface("picEditor");
        tilesBar = h.get<ReversedScrollBar>("scrTiles");
        levelBar = h.get<ReversedScrollBar>("scrLevel");
        about = window->findChild<QAction *>(QStringLiteral("mnuAbout"));

        const QByteArray first = h.bytes;
        std::vector<SoakModel::ImageFile> files { imageFile(h.image, first) };
        for (int k = 1; k <= 2; ++k) {
            const QString path = h.dir.filePath(QStringLiteral("variant%1.gb").arg(k));
            const QByteArray bytes = variantImage(k);
            if (!TestImages::write(path, bytes))
                problem = QStringLiteral("cannot write %1").arg(path);
            files.push_back(imageFile(path, bytes));
        }
        for (const SoakModel::ImageFile &file : files)
            originals.push_back(file.bytes);
        model = std::make_unique<SoakModel>(std::move(files), 0, editor->image(), palette->image(),
                                            h.surface("picTilesLeft")->image(), h.text("txtLevel"),
                                            h.text("lblCoorX"), h.text("lblCoorY"));
    }

    // Everything that must hold before the first action.
    QStringList startProblems() const
    {
        QStringList problems;
        if (!problem.isEmpty())
            problems << problem;
        QImage white(16, 16, QImage::Format_RGB32);
        white.fill(Qt::white);
        for (const char *name : { "picTilesLeft", "picTilesCurrent", "picTilesRight" }) {
            if (h.surface(name)->image() != white)
                problems << QStringLiteral("%1 does not start white").arg(QLatin1String(name));
        }
        if (!about)
            problems << QStringLiteral("no mnuAbout action");
        if (QApplication::activeWindow() != window)
            problems << QStringLiteral("the window is not active");
        return problems;
    }

    bool gestureActive() const { return held != Qt::NoButton; }

    // One action: real events on the window, and the same action on the model. Returns its
    // description; problem is set when the action itself could not be carried out.
    QString act(bool finishing)
    {
        if (gestureActive())
            return continueGesture(finishing);
        struct Choice
        {
            int weight;
            QString (Soak::*run)();
        };
        static const std::array<Choice, 20> choices { {
            { 8, &Soak::paletteArrow },   { 3, &Soak::paletteAdd10 },
            { 3, &Soak::paletteMinus10 }, { 8, &Soak::paletteHover },
            { 5, &Soak::paletteGesture }, { 5, &Soak::editorHover },
            { 10, &Soak::editorGesture }, { 6, &Soak::levelArrow },
            { 4, &Soak::levelAdd10 },     { 4, &Soak::levelMinus10 },
            { 4, &Soak::nextLevel },      { 4, &Soak::previousLevel },
            { 3, &Soak::loadLevel },      { 3, &Soak::save },
            { 2, &Soak::open },           { 1, &Soak::cancelOpen },
            { 1, &Soak::showAbout },      { 4, &Soak::undo },
            { 3, &Soak::redo },           { 3, &Soak::paste },
        } };
        int total = 0;
        for (const Choice &choice : choices)
            total += choice.weight;
        int pick = random.below(total);
        for (const Choice &choice : choices) {
            if (pick < choice.weight)
                return (this->*choice.run)();
            pick -= choice.weight;
        }
        return {};
    }

    // Every way the window differs from the model.
    QStringList mismatches() const
    {
        QStringList wrong;
        const SoakModel &m = *model;
        const EditorState &s = h.state();
        auto check = [&wrong](const QString &what, const auto &actual, const auto &expected) {
            if (actual != expected) {
                wrong << QStringLiteral("%1 is %2, expected %3")
                             .arg(what, QVariant(actual).toString(), QVariant(expected).toString());
            }
        };
        check(QStringLiteral("intSelectableTilesOffset"), int { s.intSelectableTilesOffset },
              m.palettePosition);
        check(QStringLiteral("scrTiles"), tilesBar->number(), m.paletteBar);
        check(QStringLiteral("txtTiles"), h.text("txtTiles"), m.tilesText);
        check(QStringLiteral("intCurrentSelectedTile"), int { s.intCurrentSelectedTile },
              m.currentTile);
        check(QStringLiteral("intLeftSelectedTile"), int { s.intLeftSelectedTile }, m.leftTile);
        check(QStringLiteral("intRightSelectedTile"), int { s.intRightSelectedTile }, m.rightTile);
        check(QStringLiteral("lblTilesCurrent"), h.text("lblTilesCurrent"),
              SoakModel::tileText(QStringLiteral("Current: "), m.currentTile));
        check(QStringLiteral("lblTilesLeft"), h.text("lblTilesLeft"),
              SoakModel::tileText(QStringLiteral("Left: "), m.leftTile));
        check(QStringLiteral("lblTilesRight"), h.text("lblTilesRight"),
              SoakModel::tileText(QStringLiteral("Right: "), m.rightTile));
        check(QStringLiteral("strFileName"), s.strFileName,
              m.images.at(static_cast<std::size_t>(m.image)).path);
        check(QStringLiteral("intLevelNumber"), int { s.intLevelNumber }, m.level);
        check(QStringLiteral("scrLevel"), levelBar->number(), m.levelBar);
        check(QStringLiteral("txtLevel"), h.text("txtLevel"), m.levelText);
        check(QStringLiteral("lblCoorX"), h.text("lblCoorX"), m.coorXText);
        check(QStringLiteral("lblCoorY"), h.text("lblCoorY"), m.coorYText);
        check(QStringLiteral("boolCancelUnload"), s.boolCancelUnload, false);
        check(QStringLiteral("btnLevel enabled"), h.get<QPushButton>("btnLevel")->isEnabled(),
              true);
        check(QStringLiteral("scrLevel enabled"), levelBar->isEnabled(), true);
        check(QStringLiteral("message boxes"), static_cast<int>(h.messages.size()), m.messages);
        check(QStringLiteral("open dialogs"), static_cast<int>(h.openRequests.size()),
              m.openDialogs);
        check(QStringLiteral("a modal window open"), QApplication::activeModalWidget() != nullptr,
              false);

        const QString status = h.text("lblStatus");
        if (m.status == SoakModel::Status::Exact)
            check(QStringLiteral("lblStatus"), status, m.statusText);
        if (m.status == SoakModel::Status::LoadTime
            && !QRegularExpression(QStringLiteral("^Loaded in: \\d+m\\.$"))
                    .match(status)
                    .hasMatch())
            wrong << QStringLiteral("lblStatus is \"%1\", expected a load time").arg(status);

        const auto &map = s.bytLevel.bytes();
        for (int index = 0; index < SoakModel::kLevelSize; ++index) {
            const auto at = static_cast<std::size_t>(index);
            if (map.at(at) != m.map.at(at)) {
                wrong << QStringLiteral("bytLevel cell (%1,%2) is %3, expected %4")
                             .arg(index % SoakModel::kColumns)
                             .arg(index / SoakModel::kColumns)
                             .arg(int { map.at(at) })
                             .arg(int { m.map.at(at) });
            }
        }

        const std::array<std::pair<const char *, const QImage *>, 3> previews { {
            { "picTilesCurrent", &m.currentPreview },
            { "picTilesLeft", &m.leftPreview },
            { "picTilesRight", &m.rightPreview },
        } };
        for (const auto &[name, expected] : previews) {
            if (h.surface(name)->image() != *expected)
                wrong << QStringLiteral("%1 shows another picture").arg(QLatin1String(name));
        }
        if (palette->image() != m.palette) {
            wrong << QStringLiteral("picTiles differs in slots %1")
                         .arg(differingCells(palette->image(), m.palette).join(QLatin1Char(' ')));
        }
        if (editor->image() != m.editor) {
            const QStringList cells = differingCells(editor->image(), m.editor);
            wrong << QStringLiteral("picEditor differs in %1 cells: %2")
                         .arg(cells.size())
                         .arg(cells.mid(0, 12).join(QLatin1Char(' ')));
        }
        return wrong;
    }

    // The files on disk against the model, and the bytes outside the level maps against what
    // was written at the start.
    QStringList fileProblems() const
    {
        QStringList wrong;
        for (std::size_t i = 0; i < model->images.size(); ++i) {
            const SoakModel::ImageFile &file = model->images.at(i);
            const QByteArray actual = TestImages::read(file.path);
            if (actual.size() != file.bytes.size()) {
                wrong << QStringLiteral("%1 has %2 bytes").arg(file.path).arg(actual.size());
                continue;
            }
            for (qsizetype at = 0; at < actual.size(); ++at) {
                const bool inLevels
                    = at >= RomLayout::kLevelRegionStart && at < RomLayout::kLevelRegionEnd;
                if (!inLevels && actual.at(at) != originals.at(i).at(at)) {
                    wrong << QStringLiteral("%1: byte 0x%2 outside the levels changed")
                                 .arg(file.path)
                                 .arg(at, 0, 16);
                    break;
                }
                if (actual.at(at) != file.bytes.at(at)) {
                    wrong << QStringLiteral("%1: byte 0x%2 is 0x%3, expected 0x%4")
                                 .arg(file.path)
                                 .arg(at, 0, 16)
                                 .arg(static_cast<std::uint8_t>(actual.at(at)), 2, 16,
                                      QLatin1Char('0'))
                                 .arg(static_cast<std::uint8_t>(file.bytes.at(at)), 2, 16,
                                      QLatin1Char('0'));
                    break;
                }
            }
        }
        return wrong;
    }

    QString problem; // set when an action could not be carried out as meant

private:
    // A modifier combination for a mouse event. On the level, Ctrl and Shift at the press that
    // begins a gesture choose it; everywhere else they change nothing.
    Qt::KeyboardModifiers modifiers()
    {
        static const std::array<Qt::KeyboardModifiers, 5> all {
            Qt::NoModifier,      Qt::ShiftModifier,
            Qt::ControlModifier, Qt::ControlModifier | Qt::ShiftModifier,
            Qt::AltModifier,
        };
        return random.percent(80) ? Qt::NoModifier
                                  : all.at(static_cast<std::size_t>(random.below(5)));
    }

    // A widget coordinate along an axis of length size: often at or near an edge, sometimes
    // up to beyond pixels outside it.
    int coordinate(int size, int beyond)
    {
        if (random.percent(25)) {
            const int edge = random.percent(50) ? 0 : size - 1;
            return edge + random.between(-2, 2);
        }
        return random.between(-beyond, size - 1 + beyond);
    }

    Qt::MouseButton anyButton()
    {
        static const std::array<Qt::MouseButton, 3> buttons { Qt::LeftButton, Qt::RightButton,
                                                              Qt::MiddleButton };
        return buttons.at(static_cast<std::size_t>(random.below(3)));
    }

    QString count(const QString &kind, const QString &description)
    {
        ++coverage.actions[kind];
        coverage.levels.insert(model->level);
        coverage.offsets.insert(model->palettePosition);
        return description;
    }

    // Moves the pointer with no button held to a widget position of surface; Qt sends a
    // movement only when the pointer really moves. Returns whether one was sent.
    bool hover(DrawingSurface *surface, QPoint at)
    {
        const QPoint global = surface->mapToGlobal(at);
        if (QApplication::widgetAt(global) != surface) {
            problem = QStringLiteral("%1 is not the widget under %2")
                          .arg(surface->objectName(), point(at));
            return false;
        }
        const bool moves = QCursor::pos() != global;
        QTest::mouseMove(surface, at);
        return moves;
    }

    QString paletteArrow()
    {
        const bool up = random.percent(50);
        QTest::mouseClick(tilesBar, Qt::LeftButton, {},
                          ScrollBarArrows::arrowCentre(*tilesBar,
                                                       up ? QStyle::SC_ScrollBarSubLine
                                                          : QStyle::SC_ScrollBarAddLine));
        model->paletteArrow(up ? 1 : -1);
        return count(
            QStringLiteral("palette arrow"),
            QStringLiteral("scrTiles %1 arrow").arg(QLatin1String(up ? "upper" : "lower")));
    }

    QString paletteAdd10()
    {
        QTest::mouseClick(h.get<QPushButton>("btnAdd10"), Qt::LeftButton);
        model->paletteAdd10();
        return count(QStringLiteral("palette +10"), QStringLiteral("btnAdd10"));
    }

    QString paletteMinus10()
    {
        QTest::mouseClick(h.get<QPushButton>("btnMinus10"), Qt::LeftButton);
        model->paletteMinus10();
        return count(QStringLiteral("palette -10"), QStringLiteral("btnMinus10"));
    }

    QString paletteHover()
    {
        // Rows 1 .. 289 of the widget: its top border row lies under the caption above it.
        const QPoint at(random.between(0, palette->width() - 1),
                        random.between(1, palette->height() - 1));
        if (hover(palette, at))
            model->paletteMove(at.y() - 1);
        return count(QStringLiteral("palette hover"),
                     QStringLiteral("hover picTiles at %1").arg(point(at)));
    }

    QString paletteGesture()
    {
        gestureSurface = palette;
        const QPoint at(random.between(0, palette->width() - 1),
                        random.between(0, palette->height() - 1));
        return press(anyButton(), at);
    }

    QString editorHover()
    {
        const QPoint at = usable(QPoint(random.between(0, editor->width() - 1),
                                        random.between(0, editor->height() - 1)));
        if (hover(editor, at))
            model->editorMove(0, at.x() - 1, at.y() - 1);
        return count(QStringLiteral("editor hover"),
                     QStringLiteral("hover picEditor at %1").arg(point(at)));
    }

    QString editorGesture()
    {
        gestureSurface = editor;
        const int beyond = random.percent(15) ? 40 : 0;
        const QPoint at(coordinate(editor->width(), beyond), coordinate(editor->height(), beyond));
        return press(anyButton(), at);
    }

    QString press(Qt::MouseButton button, QPoint at)
    {
        at = usable(at);
        const int othersHeld = buttonsCode(held & ~Qt::MouseButtons(button));
        held |= button;
        lastAt = at;
        const Qt::KeyboardModifiers keys = modifiers();
        QTest::mousePress(gestureSurface, button, keys, at);
        const QPoint inside = at - QPoint(1, 1);
        if (gestureSurface == palette)
            model->palettePress(buttonCode(button));
        else
            model->editorPress(buttonCode(button), inside.x(), inside.y(), othersHeld,
                               keysCode(keys));
        return count(gestureSurface->objectName() + QStringLiteral(" press"),
                     QStringLiteral("press %1 on %2 at %3")
                         .arg(buttonName(button), gestureSurface->objectName(), point(at)));
    }

    QString continueGesture(bool finishing)
    {
        std::vector<Qt::MouseButton> down;
        std::vector<Qt::MouseButton> up;
        for (const Qt::MouseButton button : { Qt::LeftButton, Qt::RightButton, Qt::MiddleButton })
            (held.testFlag(button) ? down : up).push_back(button);
        const int roll = random.below(100);
        if (finishing || roll < 30) {
            const Qt::MouseButton button
                = down.at(static_cast<std::size_t>(random.below(static_cast<int>(down.size()))));
            held &= ~Qt::MouseButtons(button);
            const QPoint at = lastAt;
            QTest::mouseRelease(gestureSurface, button, modifiers(), at);
            if (gestureSurface == editor) {
                const QPoint inside = at - QPoint(1, 1);
                model->editorRelease(buttonCode(button), buttonsCode(held), inside.x(), inside.y());
            }
            return count(QStringLiteral("release"),
                         QStringLiteral("release %1 on %2 at %3")
                             .arg(buttonName(button), gestureSurface->objectName(), point(at)));
        }
        const bool toPalette = gestureSurface == palette;
        if (roll < 42 && !up.empty()) {
            const Qt::MouseButton button
                = up.at(static_cast<std::size_t>(random.below(static_cast<int>(up.size()))));
            const QPoint at = toPalette
                ? QPoint(random.between(0, palette->width() - 1),
                         random.between(0, palette->height() - 1))
                : QPoint(coordinate(editor->width(), 10), coordinate(editor->height(), 10));
            return press(button, at);
        }
        // A movement while buttons are held: reported wherever the pointer goes.
        const QPoint at
            = usable(toPalette ? QPoint(random.between(-30, 50), random.between(-100, 400))
                               : QPoint(coordinate(editor->width(), random.percent(35) ? 60 : 0),
                                        coordinate(editor->height(), random.percent(35) ? 60 : 0)));
        lastAt = at;
        QTest::mouseMove(gestureSurface, at);
        const QPoint inside = at - QPoint(1, 1);
        if (toPalette)
            model->paletteMove(inside.y());
        else
            model->editorMove(buttonsCode(held), inside.x(), inside.y());
        return count(gestureSurface->objectName() + QStringLiteral(" drag"),
                     QStringLiteral("move on %1 to %2 holding %3")
                         .arg(gestureSurface->objectName(), point(at))
                         .arg(buttonsCode(held)));
    }

    QString levelArrow()
    {
        const bool up = random.percent(50);
        QTest::mouseClick(levelBar, Qt::LeftButton, {},
                          ScrollBarArrows::arrowCentre(*levelBar,
                                                       up ? QStyle::SC_ScrollBarSubLine
                                                          : QStyle::SC_ScrollBarAddLine));
        model->levelArrow(up ? 1 : -1);
        return count(
            QStringLiteral("level arrow"),
            QStringLiteral("scrLevel %1 arrow").arg(QLatin1String(up ? "upper" : "lower")));
    }

    QString levelAdd10()
    {
        QTest::mouseClick(h.get<QPushButton>("btnLevelAdd"), Qt::LeftButton);
        model->levelAdd10();
        return count(QStringLiteral("level +10"), QStringLiteral("btnLevelAdd"));
    }

    QString levelMinus10()
    {
        QTest::mouseClick(h.get<QPushButton>("btnLevelMinus"), Qt::LeftButton);
        model->levelMinus10();
        return count(QStringLiteral("level -10"), QStringLiteral("btnLevelMinus"));
    }

    QString nextLevel()
    {
        QTest::keyClick(window, Qt::Key_F12);
        model->nextLevel();
        return count(QStringLiteral("F12"), QStringLiteral("F12"));
    }

    QString previousLevel()
    {
        QTest::keyClick(window, Qt::Key_F11);
        model->previousLevel();
        return count(QStringLiteral("F11"), QStringLiteral("F11"));
    }

    QString loadLevel()
    {
        QTest::mouseClick(h.get<QPushButton>("btnLevel"), Qt::LeftButton);
        model->loadLevelButton();
        return count(QStringLiteral("Load Level"), QStringLiteral("btnLevel"));
    }

    QString save()
    {
        QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
        const int level = model->level;
        if (model->save()) {
            if (h.messages.isEmpty()
                || h.messages.constLast().text
                    != QStringLiteral("The file was successfully saved."))
                problem = QStringLiteral("Save showed no success message");
            const QStringList files = fileProblems();
            if (!files.isEmpty())
                problem = files.join(QLatin1String("; "));
        } else if (TestImages::read(model->images.at(static_cast<std::size_t>(model->image)).path)
                   != model->images.at(static_cast<std::size_t>(model->image)).bytes) {
            problem = QStringLiteral("Save with no level chosen changed the file");
        }
        return count(QStringLiteral("Ctrl+S"), QStringLiteral("Ctrl+S (level %1)").arg(level));
    }

    QString open()
    {
        const int file = random.below(static_cast<int>(model->images.size()));
        const QString path = model->images.at(static_cast<std::size_t>(file)).path;
        // The dialog's answer may come with spaces around it; the name is taken without them.
        h.nextOpen = random.percent(20) ? QStringLiteral("  ") + path + QStringLiteral(" ") : path;
        QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
        model->open(file);
        return count(QStringLiteral("Ctrl+O"), QStringLiteral("Ctrl+O of %1").arg(path));
    }

    QString cancelOpen()
    {
        h.nextOpen = std::nullopt;
        QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
        model->cancelOpen();
        return count(QStringLiteral("Ctrl+O cancelled"), QStringLiteral("Ctrl+O, cancelled"));
    }

    QString undo()
    {
        QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier);
        model->undo();
        return count(QStringLiteral("Ctrl+Z"), QStringLiteral("Ctrl+Z"));
    }

    QString redo()
    {
        const bool shifted = random.percent(50);
        if (shifted)
            QTest::keyClick(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        else
            QTest::keyClick(window, Qt::Key_Y, Qt::ControlModifier);
        model->redo();
        return count(QStringLiteral("redo"), QLatin1String(shifted ? "Ctrl+Shift+Z" : "Ctrl+Y"));
    }

    // Random level text on the clipboard, the pointer over a cell of the level, Ctrl+V.
    QString paste()
    {
        const int column = random.between(0, SoakModel::kColumns - 1);
        const int row = random.between(0, SoakModel::kRows - 1);
        const QPoint at(SoakModel::kCell * column + random.between(1, 16),
                        SoakModel::kCell * row + random.between(1, 16));
        if (hover(editor, at))
            model->editorMove(0, at.x() - 1, at.y() - 1);
        const bool whole = random.percent(20);
        const int columns = whole ? SoakModel::kColumns : random.between(1, SoakModel::kColumns);
        const int rows = whole ? SoakModel::kRows : random.between(1, SoakModel::kRows);
        std::vector<std::uint8_t> tiles;
        QString text = whole ? QStringLiteral("level %1\n").arg(random.between(1, 46)) : QString();
        for (int i = 0; i < columns * rows; ++i) {
            tiles.push_back(static_cast<std::uint8_t>(random.below(256)));
            text += QStringLiteral("%1").arg(tiles.back(), 2, 16, QLatin1Char('0'));
            text += (i + 1) % columns == 0 ? '\n' : ' ';
        }
        QApplication::clipboard()->setText(text);
        QTest::keyClick(window, Qt::Key_V, Qt::ControlModifier);
        model->paste(tiles, columns, rows, whole, column, row);
        return count(
            QStringLiteral("Ctrl+V"),
            QStringLiteral("Ctrl+V of %1 x %2 at %3").arg(columns).arg(rows).arg(point(at)));
    }

    QString showAbout()
    {
        bool opened = false;
        bool leftOpen = false;
        int tries = 0;
        QObject guard; // ends the timers with this call
        std::function<void()> closer = [&] {
            QPointer<QWidget> modal = QApplication::activeModalWidget();
            if (!modal) {
                if (++tries < 100)
                    QTimer::singleShot(10, &guard, closer);
                return;
            }
            opened = true;
            QTest::keyClick(modal, Qt::Key_Return);
            if (modal && modal->isVisible()) {
                leftOpen = true;
                modal->close();
            }
        };
        QTimer::singleShot(0, &guard, closer);
        QMenuBar *bar = window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(about).center());
        if (!opened)
            problem = QStringLiteral("About did not open");
        else if (leftOpen)
            problem = QStringLiteral("Enter did not close About");
        // The offscreen platform activates no window when a modal one closes; a desktop's
        // window manager gives the activation back to the main window, and so does this.
        if (QApplication::activeWindow() != window) {
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window))
                problem = QStringLiteral("the main window cannot be activated after About");
        }
        return count(QStringLiteral("About"), QStringLiteral("About, closed with Enter"));
    }

    EditorHarness &h;
    Random &random;
    Coverage &coverage;
    frmMain *window = nullptr;
    DrawingSurface *palette = nullptr;
    DrawingSurface *editor = nullptr;
    ReversedScrollBar *tilesBar = nullptr;
    ReversedScrollBar *levelBar = nullptr;
    QAction *about = nullptr;
    std::vector<QByteArray> originals;
    std::unique_ptr<SoakModel> model;

    // The gesture under way: the surface pressed and the buttons held.
    DrawingSurface *gestureSurface = nullptr;
    Qt::MouseButtons held;
    QPoint lastAt;
};

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Fonts::installSubstitutions(); }

    // Windows one after another, each started on an image named on the command line and
    // driven for 20 to 1000 actions, until the run has had its actions.
    void randomActions()
    {
        const std::uint64_t seed = fromEnvironment("DORRIK_SOAK_SEED", kDefaultSeed);
        const int actions
            = static_cast<int>(fromEnvironment("DORRIK_SOAK_ACTIONS", kDefaultActions));
        qInfo("soak: seed %llu, %d actions (DORRIK_SOAK_SEED, DORRIK_SOAK_ACTIONS)",
              static_cast<unsigned long long>(seed), actions);

        Random random(seed);
        Coverage coverage;
        QElapsedTimer clock;
        clock.start();
        QStringList log;
        int step = 0;
        int windows = 0;
        while (step < actions) {
            ++windows;
            const int end = std::min(actions, step + random.between(20, 1000));
            EditorHarness harness;
            Soak soak(harness, random, coverage);
            harness.window->show();
            harness.window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(harness.window.get()));
            const QStringList start = soak.startProblems() + soak.mismatches();
            QVERIFY2(start.isEmpty(),
                     qPrintable(QStringLiteral("seed %1, window %2 at its start:\n  %3")
                                    .arg(seed)
                                    .arg(windows)
                                    .arg(start.join(QLatin1String("\n  ")))));
            log << QStringLiteral("%1: a new window").arg(step);

            for (; step < end || soak.gestureActive(); ++step) {
                const QString action = soak.act(step >= end);
                log << QStringLiteral("%1: %2").arg(step).arg(action);
                while (log.size() > kLogLength)
                    log.removeFirst();
                QStringList wrong = soak.mismatches();
                if (!soak.problem.isEmpty())
                    wrong.prepend(soak.problem);
                if (!wrong.isEmpty()) {
                    QFAIL(qPrintable(
                        QStringLiteral(
                            "seed %1, step %2 (window %3): after \"%4\":\n  %5\nlast actions:\n"
                            "  %6\nreplay: DORRIK_SOAK_SEED=%1 DORRIK_SOAK_ACTIONS=%7")
                            .arg(seed)
                            .arg(step)
                            .arg(windows)
                            .arg(action, wrong.join(QLatin1String("\n  ")),
                                 log.join(QLatin1String("\n  ")))
                            .arg(step + 1)));
                }
            }
            const QStringList files = soak.fileProblems();
            QVERIFY2(files.isEmpty(),
                     qPrintable(QStringLiteral("seed %1, window %2 at its end:\n  %3")
                                    .arg(seed)
                                    .arg(windows)
                                    .arg(files.join(QLatin1String("\n  ")))));
        }

        QStringList kinds;
        for (const auto &[kind, times] : coverage.actions)
            kinds << QStringLiteral("%1 %2").arg(kind).arg(times);
        qInfo("soak: seed %llu, %d actions, windows %d, %lld ms; levels reached %d of 47 "
              "(0..46), palette positions %d of 79; %s",
              static_cast<unsigned long long>(seed), step, windows,
              static_cast<long long>(clock.elapsed()), static_cast<int>(coverage.levels.size()),
              static_cast<int>(coverage.offsets.size()),
              qPrintable(kinds.join(QLatin1String(", "))));
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
