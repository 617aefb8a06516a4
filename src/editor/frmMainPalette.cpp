// The tile palette: scrolling it, the tile under the pointer, and the left and right tiles.
#include "base/Hex.h"
#include "frmMain.h"
#include "platform/DrawingSurface.h"
#include "platform/Events.h"
#include "platform/ReversedScrollBar.h"
#include "rom/CBuffer.h"

#include <QLabel>
#include <QLineEdit>

#include <algorithm>

QString frmMain::TileNumberText(const QString &prefix, int tile)
{
    return prefix + Hex::digits(tile, 2);
}

bool frmMain::DrawSelectableTiles(int first)
{
    CBuffer::TileRun tiles;
    const Status result = CBuffer::ReadTiles(m_state.strFileName, first, Palette::kSlots, tiles);
    if (!result) {
        reportError(failureText(tr("Could not read the palette's tiles from"), result.error));
        return false;
    }
    drawPalette(first, tiles);
    return true;
}

void frmMain::drawPalette(int first, const CBuffer::TileRun &tiles)
{
    for (int slot = 0; slot < Palette::kSlots; ++slot) {
        tiles.copyToBuffer(first + slot);
        CBuffer::DrawTile(*picTiles, 0, TileGraphics::kCellPixels * slot);
    }
}

void frmMain::movePalette()
{
    // Clicks that are already waiting run first, so the palette shows the latest position.
    Events::doEvents();
    const int first = scrTiles->number();
    // When the tiles cannot be read the position stays with the tiles on show, so pointing
    // at the palette still picks the tile that is drawn there.
    if (!DrawSelectableTiles(first))
        return;
    m_state.intSelectableTilesOffset = static_cast<std::int16_t>(first);
    txtTiles->setText(QString::number(first));
}

void frmMain::scrTiles_Change()
{
    CommandScope scope(*this);
    if (m_state.strFileName.isEmpty())
        return;
    movePalette();
}

void frmMain::btnAdd10_Click()
{
    CommandScope scope(*this);
    if (m_state.strFileName.isEmpty())
        return;
    // The limit is the bar's own top end. A new value redraws the palette from inside the
    // bar's change handler, and the palette is drawn once more below.
    if (scrTiles->number() + 10 <= scrTiles->topEnd())
        scrTiles->setNumber(scrTiles->number() + 10);
    else
        scrTiles->setNumber(scrTiles->topEnd());
    movePalette();
}

void frmMain::btnMinus10_Click()
{
    CommandScope scope(*this);
    if (m_state.strFileName.isEmpty())
        return;
    // The test uses the palette position, the new value comes from the bar.
    if (m_state.intSelectableTilesOffset - 10 < 0)
        scrTiles->setNumber(0);
    else
        scrTiles->setNumber(scrTiles->number() - 10);
    movePalette();
}

void frmMain::picTiles_MouseWheel(int Notches)
{
    CommandScope scope(*this);
    // One tile a notch, through the bar as its arrows move it, so the bar's change handler
    // redraws the palette. Turning the wheel towards the user shows later tiles, as a list
    // scrolls; at either end of the bar the palette stays.
    const int wanted = scrTiles->number() - Notches;
    scrTiles->setNumber(std::clamp(wanted, scrTiles->bottomEnd(), scrTiles->topEnd()));
}

void frmMain::picTiles_MouseMove(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Button);
    Q_UNUSED(Shift);
    Q_UNUSED(X);
    if (m_state.strFileName.isEmpty())
        return;
    // Slot under the pointer, tested from the bottom slot up: above the strip is slot 0,
    // below it no test holds and the current tile stays.
    int tile = m_state.intCurrentSelectedTile;
    for (int slot = Palette::kSlots - 1; slot >= 0; --slot) {
        if (Y < static_cast<float>(TileGraphics::kCellPixels * (slot + 1)))
            tile = m_state.intSelectableTilesOffset + slot;
    }
    if (const Status result = CBuffer::ReadTile(m_state.strFileName, RomLayout::tileOffset(tile));
        !result) {
        reportPointerError(failureText(tr("Could not read tile %1 from").arg(tile), result.error));
        return;
    }
    m_state.intCurrentSelectedTile = static_cast<std::int16_t>(tile);
    lblTilesCurrent->setText(TileNumberText(QStringLiteral("Current: "), tile));
    CBuffer::DrawTile(*picTilesCurrent, 0, 0);
}

void frmMain::picTiles_MouseDown(int Button, int Shift, float X, float Y)
{
    Q_UNUSED(Shift);
    Q_UNUSED(X);
    Q_UNUSED(Y);
    if (m_state.strFileName.isEmpty())
        return;
    // The tile taken is the current one, from the last movement, not the pointer's position.
    int left = m_state.intLeftSelectedTile;
    int right = m_state.intRightSelectedTile;
    if (Button == DrawingSurface::LeftButton)
        left = m_state.intCurrentSelectedTile;
    else if (Button == DrawingSurface::RightButton)
        right = m_state.intCurrentSelectedTile;
    selectTiles(left, right);
}

void frmMain::selectTiles(int left, int right)
{
    // Both previews are drawn again on every choice.
    CBuffer::TileRun leftTile;
    CBuffer::TileRun rightTile;
    Status result = CBuffer::ReadTiles(m_state.strFileName, left, 1, leftTile);
    if (result)
        result = CBuffer::ReadTiles(m_state.strFileName, right, 1, rightTile);
    if (!result) {
        reportPointerError(failureText(tr("Could not read the selected tiles from"), result.error));
        return;
    }
    m_state.intLeftSelectedTile = static_cast<std::int16_t>(left);
    m_state.intRightSelectedTile = static_cast<std::int16_t>(right);
    lblTilesLeft->setText(TileNumberText(QStringLiteral("Left: "), left));
    lblTilesRight->setText(TileNumberText(QStringLiteral("Right: "), right));
    leftTile.copyToBuffer(left);
    CBuffer::DrawTile(*picTilesLeft, 0, 0);
    rightTile.copyToBuffer(right);
    CBuffer::DrawTile(*picTilesRight, 0, 0);
}
