// Everything the main window knows: the image, the level, the map, the palette and selection.
#pragma once

#include "rom/LevelMap.h"
#include "rom/RomLayout.h"
#include "rom/TileGraphics.h"

#include <QString>

#include <array>
#include <cstdint>

// The palette: 18 cells one above the other, and the top end of its position bar. Positions run
// 0..78, so the palette reaches tiles 0..95.
namespace Palette {
inline constexpr int kSlots = 18;
inline constexpr int kTop = 78;
inline constexpr int kInsideHeight = kSlots * TileGraphics::kCellPixels;
static_assert(kTop + kSlots - 1 == 95, "the palette reaches tile 95 and no further");
} // namespace Palette

// The main window's state. Only frmMain's handlers change it; tests and tools read it.
struct EditorState
{
    // The tile number in the palette's top slot, 0..Palette::kTop.
    std::int16_t intSelectableTilesOffset = 0;
    // The tile last pointed at in the palette, and the tiles the left and right buttons paint.
    std::int16_t intCurrentSelectedTile = 0;
    std::int16_t intLeftSelectedTile = 0;
    std::int16_t intRightSelectedTile = 0;
    // The ROM image's path; empty until one is named on the command line or opened.
    QString strFileName;
    // The current level, 1..46; 0 until a level is first chosen.
    std::int16_t intLevelNumber = 0;
    // True while a level loads: the window then refuses to close.
    bool boolCancelUnload = false;
    // The map being edited: what was last loaded, plus the painting done since.
    LevelMap bytLevel;
    // Where each level's map starts in the image; level L is entry L - 1.
    std::array<std::int32_t, RomLayout::kLevelCount> lngLevelOffset {};
};
