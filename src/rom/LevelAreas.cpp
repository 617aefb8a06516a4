#include "LevelAreas.h"

#include "TileGraphics.h"

#include <array>

namespace LevelAreas {

namespace {
constexpr int kCell = TileGraphics::kCellPixels;
} // namespace

std::optional<std::uint16_t> cellAt(int x, int y)
{
    // Points left of or above the map are negative: -16 / 16 is -1, never column 0.
    if (x < 0 || y < 0)
        return std::nullopt;
    const int column = x / kCell;
    const int row = y / kCell;
    if (!LevelMap::inRange(column, row))
        return std::nullopt;
    return static_cast<std::uint16_t>(RomLayout::cellIndex(column, row));
}

std::vector<std::uint16_t> connectedArea(const LevelMap &map, std::uint16_t cell)
{
    const auto &cells = map.bytes();
    const std::uint8_t tile = cells.at(cell);
    std::array<bool, RomLayout::kLevelBytes> reached {};
    std::vector<std::uint16_t> area { cell };
    reached[cell] = true;
    // The area itself is the queue: every cell in it is visited once, in the order reached.
    for (std::size_t next = 0; next < area.size(); ++next) {
        const int column = area[next] % RomLayout::kLevelColumns;
        const int row = area[next] / RomLayout::kLevelColumns;
        const std::array<std::array<int, 2>, 4> neighbours {
            { { column, row - 1 }, { column, row + 1 }, { column - 1, row }, { column + 1, row } }
        };
        for (const auto &[c, r] : neighbours) {
            if (!LevelMap::inRange(c, r))
                continue;
            const auto index = static_cast<std::uint16_t>(RomLayout::cellIndex(c, r));
            if (reached[index] || cells[index] != tile)
                continue;
            reached[index] = true;
            area.push_back(index);
        }
    }
    return area;
}

std::vector<std::uint16_t> sameTile(const LevelMap &map, std::uint16_t cell)
{
    const auto &cells = map.bytes();
    std::vector<std::uint16_t> found;
    for (std::size_t index = 0; index < cells.size(); ++index) {
        if (cells[index] == cells.at(cell))
            found.push_back(static_cast<std::uint16_t>(index));
    }
    return found;
}

} // namespace LevelAreas
