// The cells of a level map that one press on the level reaches: the tile under the pointer,
// the area a fill covers and the cells a replace covers. Cells are named by their index in the
// map (RomLayout::cellIndex), as the undo history names them.
#pragma once

#include "LevelMap.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace LevelAreas {

// The index of the cell whose 16 x 16 pixels hold the snapped point (x, y), both multiples of
// 16 as the level's pointer positions are; nothing when the point lies beyond the map.
std::optional<std::uint16_t> cellAt(int x, int y);

// The cells that can be reached from the given cell by steps up, down, left or right, each
// onto a cell holding the same tile as the given one; the given cell first. Steps never wrap
// from one row's end to the next row's start.
std::vector<std::uint16_t> connectedArea(const LevelMap &map, std::uint16_t cell);

// Every cell holding the same tile as the given one, in map order.
std::vector<std::uint16_t> sameTile(const LevelMap &map, std::uint16_t cell);

} // namespace LevelAreas
