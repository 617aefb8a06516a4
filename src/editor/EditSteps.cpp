// The undo history's steps: each asks the main window to put back or redo what it changed.
#include "EditSteps.h"

#include "frmMain.h"

QString cellsText(int count)
{
    return count == 1 ? QStringLiteral("1 cell") : QStringLiteral("%1 cells").arg(count);
}

QString StrokeStep::summary() const
{
    return cellsText(static_cast<int>(m_cells.size()));
}

void StrokeStep::undo()
{
    m_window.applyCells(m_cells, frmMain::Side::Before);
}

void StrokeStep::redo()
{
    if (!alreadyDone())
        m_window.applyCells(m_cells, frmMain::Side::After);
}

QString LoadStep::summary() const
{
    return QStringLiteral("the load of level %1").arg(m_level);
}

void LoadStep::undo()
{
    m_window.restoreMap(m_mapBefore, m_levelBefore);
}

void LoadStep::redo()
{
    if (!alreadyDone())
        m_window.showLoadedLevel(m_level);
}
