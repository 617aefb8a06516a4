// Where Pebblefen keeps its tile graphics and level maps inside the ROM image.
#pragma once

#include <cstdint>

namespace RomLayout {

// Tile graphics: 256 tiles of 16 bytes, back to back, from 0x11001 (not 0x11000).
inline constexpr std::int32_t kTileRegionStart = 0x11001;
inline constexpr int kTileBytes = 16;
inline constexpr int kTileCount = 256;

// Level maps: 46 maps of 20 x 17 one-byte cells, back to back, from 0x14001 (not 0x14000).
inline constexpr std::int32_t kLevelRegionStart = 0x14001;
inline constexpr int kLevelColumns = 20;
inline constexpr int kLevelRows = 17;
inline constexpr int kLevelCount = 46;

// Everything else follows from the constants above.
inline constexpr int kLevelBytes = kLevelColumns * kLevelRows; // 340
inline constexpr std::int32_t kTileRegionEnd = kTileRegionStart + kTileBytes * kTileCount;
inline constexpr std::int32_t kLevelRegionEnd = kLevelRegionStart + kLevelBytes * kLevelCount;

// The offset of tile t's first byte.
constexpr std::int32_t tileOffset(int tile)
{
    return kTileRegionStart + kTileBytes * tile;
}

// The offset of level L's first byte (L counts from 1). The editor keeps these in its level
// table and reads them from there; the table is filled from this rule.
constexpr std::int32_t levelOffset(int level)
{
    return kLevelRegionStart + kLevelBytes * (level - 1);
}

// The offset of a cell within its level's map: row after row, column fastest.
constexpr int cellIndex(int column, int row)
{
    return kLevelColumns * row + column;
}

static_assert(kTileRegionEnd - 1 == 0x12000, "tile 255 ends at 0x12000");
static_assert(kLevelRegionEnd - 1 == 0x17D18, "level 46 ends at 0x17D18");
static_assert(levelOffset(kLevelCount) == 0x17BC5, "level 46 starts at 0x17BC5");

} // namespace RomLayout
