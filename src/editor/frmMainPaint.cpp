// Painting the left and right tiles into the shown level with the mouse.
#include "frmMain.h"
#include "platform/DrawingSurface.h"
#include "rom/LevelAreas.h"

#include <QLabel>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {
constexpr int kCell = TileGraphics::kCellPixels;
} // namespace

int frmMain::Snap(float coordinate)
{
    // nearbyint rounds a half to the even neighbour in the default rounding mode.
    const double rounded = std::clamp(std::nearbyint(static_cast<double>(coordinate)),
                                      double { INT16_MIN }, double { INT16_MAX });
    const int value = static_cast<int>(rounded);
    const int below = ((value % kCell) + kCell) % kCell; // distance down to a multiple of 16
    return value - below;
}

void frmMain::paintCell(int x, int y, int tile, const DrawingSurface *preview)
{
    // Outside the surface there is no cell: snapped positions are multiples of 16, so beyond
    // any edge the column or row is out of range (-1 above or left) and the store is refused,
    // while the copy lands wholly outside the surface. The map and the picture stay as they
    // are and can never disagree about a cell the user did not point at.
    const int column = x / kCell;
    const int row = y / kCell;
    if (LevelMap::inRange(column, row))
        noteStrokeCell(column, row);
    m_state.bytLevel.setCell(column, row, tile);
    picEditor->paintPicture(preview->image(), x, y);
}

void frmMain::picEditor_MouseMove(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Shift);
    const int x = Snap(X);
    const int y = Snap(Y);
    lblCoorX->setText(QString::number(x / kCell));
    lblCoorY->setText(QString::number(y / kCell));
    m_pointerCell = LevelAreas::cellAt(x, y);
    if (m_state.strFileName.isEmpty())
        return;
    // A Ctrl+left press that moves to another cell selects instead of picking.
    if (m_gesture == Gesture::Pick && m_pickButton == DrawingSurface::LeftButton && m_pickCell
        && (Button & DrawingSurface::LeftButton) && m_pointerCell != m_pickCell)
        m_gesture = Gesture::Select;
    if (m_gesture == Gesture::Select && m_pickCell) {
        const int column = std::clamp(x / kCell, 0, RomLayout::kLevelColumns - 1);
        const int row = std::clamp(y / kCell, 0, RomLayout::kLevelRows - 1);
        const QPoint anchor(*m_pickCell % RomLayout::kLevelColumns,
                            *m_pickCell / RomLayout::kLevelColumns);
        setSelection(QRect(anchor, QPoint(column, row)).normalized());
        return;
    }
    // Only a single held button paints; both at once, or the middle one, paint nothing. Moving
    // with the buttons of a pick, fill or replace held paints nothing either.
    if (m_gesture != Gesture::Paint)
        return;
    if (Button == DrawingSurface::LeftButton)
        paintCell(x, y, m_state.intLeftSelectedTile, picTilesLeft);
    else if (Button == DrawingSurface::RightButton)
        paintCell(x, y, m_state.intRightSelectedTile, picTilesRight);
}

void frmMain::picEditor_MouseDown(int Button, int Shift, float X, float Y)
{
    if (m_state.strFileName.isEmpty())
        return;
    // A press with no other button held starts a new gesture (for painting, a new stroke); one
    // while another is held continues the gesture that button began.
    if ((picEditor->buttonsHeld() & ~Button) == 0) {
        endStroke();
        const bool ctrl = (Shift & DrawingSurface::CtrlKey) != 0;
        const bool shift = (Shift & DrawingSurface::ShiftKey) != 0;
        m_gesture = ctrl ? (shift ? Gesture::Replace : Gesture::Pick)
                         : (shift ? Gesture::Fill : Gesture::Paint);
        m_pickCell.reset();
        if (ctrl)
            setSelection(std::nullopt);
        if (m_gesture != Gesture::Paint) {
            beginGesture(Button, X, Y);
            return;
        }
    }
    if (m_gesture != Gesture::Paint)
        return;
    const int x = Snap(X);
    const int y = Snap(Y);
    if (Button == DrawingSurface::LeftButton)
        paintCell(x, y, m_state.intLeftSelectedTile, picTilesLeft);
    else if (Button == DrawingSurface::RightButton)
        paintCell(x, y, m_state.intRightSelectedTile, picTilesRight);
}

void frmMain::picEditor_MouseUp(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Shift);
    // A pick takes the tile when its button is released on the cell it was pressed on, so a
    // press that slid off to another cell can still be let go without changing the selection.
    const bool picking = m_gesture == Gesture::Pick && Button == m_pickButton && m_pickCell;
    // With the last button up, the next press chooses afresh; until then moves paint nothing.
    if (picEditor->buttonsHeld() == 0)
        m_gesture = Gesture::Paint;
    if (!picking)
        return;
    const std::optional<std::uint16_t> cell = LevelAreas::cellAt(Snap(X), Snap(Y));
    if (cell != m_pickCell)
        return;
    m_pickCell.reset();
    const int tile = m_state.bytLevel.bytes().at(*cell);
    // Any tile a cell holds is taken, also those beyond the palette's reach.
    if (Button == DrawingSurface::LeftButton)
        selectTiles(tile, m_state.intRightSelectedTile);
    else
        selectTiles(m_state.intLeftSelectedTile, tile);
}

void frmMain::beginGesture(int button, float x, float y)
{
    if (button != DrawingSurface::LeftButton && button != DrawingSurface::RightButton)
        return;
    const std::optional<std::uint16_t> cell = LevelAreas::cellAt(Snap(x), Snap(y));
    if (!cell)
        return;
    const bool left = button == DrawingSurface::LeftButton;
    const int tile = left ? m_state.intLeftSelectedTile : m_state.intRightSelectedTile;
    const DrawingSurface *preview = left ? picTilesLeft : picTilesRight;
    switch (m_gesture) {
    case Gesture::Pick:
        m_pickButton = button;
        m_pickCell = cell;
        break;
    case Gesture::Fill:
        paintCells(LevelAreas::connectedArea(m_state.bytLevel, *cell), tile, preview);
        break;
    case Gesture::Replace:
        paintCells(LevelAreas::sameTile(m_state.bytLevel, *cell), tile, preview);
        break;
    case Gesture::Paint:
    case Gesture::Select:
        break;
    }
}

void frmMain::setSelection(const std::optional<QRect> &cells)
{
    m_selection = cells;
    picEditor->setOutline(cells ? QRect(cells->topLeft() * kCell, cells->size() * kCell) : QRect());
}

void frmMain::paintCells(const std::vector<std::uint16_t> &cells, int tile,
                         const DrawingSurface *preview)
{
    // Painted as a stroke over those cells would be, and ended at once: one step in the
    // history, made of the cells whose tile changed.
    for (const std::uint16_t index : cells) {
        paintCell(kCell * (index % RomLayout::kLevelColumns),
                  kCell * (index / RomLayout::kLevelColumns), tile, preview);
    }
    endStroke();
}
