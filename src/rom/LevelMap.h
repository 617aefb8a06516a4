// One level's tile map in memory: 20 x 17 tile numbers in the order of the ROM image.
#pragma once

#include "RomLayout.h"

#include <array>
#include <cstdint>

class LevelMap
{
public:
    static constexpr bool inRange(int column, int row)
    {
        return column >= 0 && column < RomLayout::kLevelColumns && row >= 0
            && row < RomLayout::kLevelRows;
    }

    // The cell's tile number; the caller keeps (column, row) in range.
    std::uint8_t cellAt(int column, int row) const
    {
        return m_cells.at(RomLayout::cellIndex(column, row));
    }

    // Stores a tile number into a cell. A cell outside the map or a number that is no byte is
    // refused and changes nothing.
    bool setCell(int column, int row, int tile)
    {
        if (!inRange(column, row) || tile < 0 || tile > 255)
            return false;
        m_cells[RomLayout::cellIndex(column, row)] = static_cast<std::uint8_t>(tile);
        return true;
    }

    // The 340 bytes as they lie in the image.
    std::array<std::uint8_t, RomLayout::kLevelBytes> &bytes() { return m_cells; }
    const std::array<std::uint8_t, RomLayout::kLevelBytes> &bytes() const { return m_cells; }

    bool operator==(const LevelMap &) const = default;

private:
    std::array<std::uint8_t, RomLayout::kLevelBytes> m_cells {};
};
