// The steps of the editor's undo history: a stroke of painting and a level load.
#pragma once

#include "rom/LevelMap.h"

#include <QString>
#include <QUndoCommand>

#include <cstdint>
#include <vector>

class frmMain;

// One cell a stroke changed: its place in the map and its tile before and after the stroke.
struct CellChange
{
    std::uint16_t index;
    std::uint8_t before;
    std::uint8_t after;
};

// "1 cell", "12 cells": how the status line counts cells.
QString cellsText(int count);

// A step is pushed once the window has already carried it out (the painting was done by the
// mouse, the load by its command), so the redo that QUndoStack::push runs is skipped. Undo and
// redo cannot fail: the window reads what they draw before it asks the stack to move.
class EditStep : public QUndoCommand
{
public:
    explicit EditStep(frmMain &window)
        : m_window(window)
    { }

    // The level a load step loads; 0 for a stroke.
    virtual int loadedLevel() const { return 0; }

    // What the step did, for the status line: "12 cells", "the load of level 5".
    virtual QString summary() const = 0;

protected:
    // True for the redo that push() runs, which the window has already done.
    bool alreadyDone()
    {
        const bool first = m_pushing;
        m_pushing = false;
        return first;
    }

    frmMain &m_window;

private:
    bool m_pushing = true;
};

// Everything painted from a press on the level to the release of the last button held, or
// the cells one fill or replace changed.
class StrokeStep : public EditStep
{
public:
    StrokeStep(frmMain &window, std::vector<CellChange> cells)
        : EditStep(window)
        , m_cells(std::move(cells))
    { }

    QString summary() const override;
    void undo() override;
    void redo() override;

private:
    std::vector<CellChange> m_cells;
};

// Load Level, Next Level or Previous Level: what the load replaced, and what it loaded.
class LoadStep : public EditStep
{
public:
    LoadStep(frmMain &window, const LevelMap &mapBefore, int levelBefore, int level)
        : EditStep(window)
        , m_mapBefore(mapBefore)
        , m_levelBefore(levelBefore)
        , m_level(level)
    { }

    int loadedLevel() const override { return m_level; }
    QString summary() const override;
    void undo() override;
    void redo() override;

private:
    LevelMap m_mapBefore;
    int m_levelBefore;
    int m_level;
};
