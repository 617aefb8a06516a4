// Undo and redo: the history of strokes and level loads, and the keys that walk it.
#include "EditSteps.h"
#include "frmMain.h"
#include "os/Clock.h"
#include "platform/DrawingSurface.h"
#include "platform/ReversedScrollBar.h"

#include <QAction>
#include <QLabel>
#include <QUndoStack>

namespace {

// At least the last 1,000 strokes even when a load follows each one. A step holds at most one
// map's worth of cells, so a full history stays under 3 MB.
constexpr int kHistorySteps = 2000;

} // namespace

void frmMain::buildHistory()
{
    m_history = new QUndoStack(this);
    m_history->setUndoLimit(kHistorySteps);
    m_strokeBefore.fill(-1);
    connect(addKeyCommand("undo", { QKeySequence(Qt::CTRL | Qt::Key_Z) }), &QAction::triggered,
            this, &frmMain::undo);
    connect(addKeyCommand("redo",
                          { QKeySequence(Qt::CTRL | Qt::Key_Y),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) }),
            &QAction::triggered, this, &frmMain::redo);
    // A stroke ends when the last button held over the level is released.
    connect(picEditor, &DrawingSurface::mouseUp, this, [this] {
        if (picEditor->buttonsHeld() == 0)
            endStroke();
    });
}

QAction *frmMain::addKeyCommand(const char *name, const QList<QKeySequence> &keys)
{
    auto *action = new QAction(this);
    action->setObjectName(QLatin1String(name));
    action->setShortcuts(keys);
    // A command of the window itself: it has no menu item, and the menus stay as they are.
    addAction(action);
    return action;
}

void frmMain::noteStrokeCell(int column, int row)
{
    const std::size_t index = RomLayout::cellIndex(column, row);
    if (m_strokeBefore.at(index) >= 0)
        return;
    m_strokeBefore[index] = m_state.bytLevel.cellAt(column, row);
    m_strokeCells.push_back(static_cast<std::uint16_t>(index));
}

void frmMain::endStroke()
{
    // Only cells whose tile differs from before the stroke make the step, so repainting a
    // cell with its own tile, or painting it back, records nothing.
    std::vector<CellChange> changes;
    const auto &cells = m_state.bytLevel.bytes();
    for (const std::uint16_t index : m_strokeCells) {
        const auto before = static_cast<std::uint8_t>(m_strokeBefore.at(index));
        if (before != cells.at(index))
            changes.push_back({ index, before, cells.at(index) });
        m_strokeBefore[index] = -1;
    }
    m_strokeCells.clear();
    if (!changes.empty())
        m_history->push(new StrokeStep(*this, std::move(changes)));
}

void frmMain::clearHistory()
{
    for (const std::uint16_t index : m_strokeCells)
        m_strokeBefore[index] = -1;
    m_strokeCells.clear();
    m_history->clear();
}

bool frmMain::readStepTiles(LevelData &input, const QString &command)
{
    // Every tile a step draws is read before anything changes: a failed read leaves the map,
    // the level number and the surface as they were, and the step stays where it is.
    const Status result
        = CBuffer::ReadTiles(m_state.strFileName, 0, RomLayout::kTileCount, input.tiles);
    if (!result) {
        reportError(
            failureText(tr("Could not %1: cannot read the tiles from").arg(command), result.error));
    }
    return result.ok;
}

void frmMain::undo()
{
    CommandScope scope(*this);
    endStroke();
    if (!m_history->canUndo()) {
        lblStatus->setText(tr("Nothing to undo."));
        return;
    }
    LevelData input;
    if (!readStepTiles(input, tr("undo")))
        return;
    const auto *step = static_cast<const EditStep *>(m_history->command(m_history->index() - 1));
    const QString summary = step->summary();
    m_stepInput = &input;
    m_history->undo();
    m_stepInput = nullptr;
    lblStatus->setText(tr("Undone: %1.").arg(summary));
}

void frmMain::redo()
{
    CommandScope scope(*this);
    // A stroke under way becomes a step first, and a new step has nothing after it to redo.
    endStroke();
    if (!m_history->canRedo()) {
        lblStatus->setText(tr("Nothing to redo."));
        return;
    }
    const auto *step = static_cast<const EditStep *>(m_history->command(m_history->index()));
    const int level = step->loadedLevel();
    const QString summary = step->summary();
    const std::int64_t start = Clock::tickCount();
    LevelData input;
    if (level > 0) {
        // A load is redone as the command does it: the level as the file holds it now.
        if (const Status result = readLevelData(m_state.strFileName, level, input); !result) {
            reportError(failureText(tr("Could not load level %1 from").arg(level), result.error));
            return;
        }
    } else if (!readStepTiles(input, tr("redo"))) {
        return;
    }
    m_stepInput = &input;
    m_history->redo();
    m_stepInput = nullptr;
    if (level > 0) {
        lblStatus->setText(QStringLiteral("Loaded in: ")
                           + QString::number(Clock::tickCount() - start) + QStringLiteral("m."));
    } else {
        lblStatus->setText(tr("Redone: %1.").arg(summary));
    }
}

void frmMain::applyCells(const std::vector<CellChange> &cells, Side side)
{
    for (const CellChange &cell : cells) {
        const int column = cell.index % RomLayout::kLevelColumns;
        const int row = cell.index / RomLayout::kLevelColumns;
        m_state.bytLevel.setCell(column, row, side == Side::Before ? cell.before : cell.after);
        drawCell(column, row, m_stepInput->tiles);
    }
}

void frmMain::restoreMap(const LevelMap &map, int level)
{
    // A load still drawing (the user undid it while it yields) stops: this map replaces it.
    ++m_loadGeneration;
    m_state.bytLevel = map;
    setSelection(std::nullopt);
    restoreLevelNumber(level);
    for (int row = 0; row < RomLayout::kLevelRows; ++row)
        drawRow(row, m_stepInput->tiles);
}

void frmMain::showLoadedLevel(int level)
{
    ++m_loadGeneration;
    setLevelNumber(level);
    scrLevel->setNumber(level);
    m_state.bytLevel = m_stepInput->map;
    setSelection(std::nullopt);
    m_levelsAsKnown.at(static_cast<std::size_t>(level - 1)) = m_stepInput->map;
    for (int row = 0; row < RomLayout::kLevelRows; ++row)
        drawRow(row, m_stepInput->tiles);
}
