// Painting the left and right tiles into the shown level with the mouse.
#include "frmMain.h"
#include "platform/DrawingSurface.h"

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
    if (m_state.strFileName.isEmpty())
        return;
    // Only a single held button paints; both at once, or the middle one, paint nothing.
    if (Button == DrawingSurface::LeftButton)
        paintCell(x, y, m_state.intLeftSelectedTile, picTilesLeft);
    else if (Button == DrawingSurface::RightButton)
        paintCell(x, y, m_state.intRightSelectedTile, picTilesRight);
}

void frmMain::picEditor_MouseDown(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Shift);
    if (m_state.strFileName.isEmpty())
        return;
    // A press with no other button held starts a new stroke; one while another is held
    // continues the stroke that button began.
    if ((picEditor->buttonsHeld() & ~Button) == 0)
        endStroke();
    const int x = Snap(X);
    const int y = Snap(Y);
    if (Button == DrawingSurface::LeftButton)
        paintCell(x, y, m_state.intLeftSelectedTile, picTilesLeft);
    else if (Button == DrawingSurface::RightButton)
        paintCell(x, y, m_state.intRightSelectedTile, picTilesRight);
}
