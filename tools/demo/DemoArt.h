// The project's own sample ROM image: tile artwork, a bitmap font and 46 level maps.
#pragma once

#include "rom/RomLayout.h"
#include "rom/TileGraphics.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <string_view>

namespace DemoArt {

// The real game image cannot ship with the project, so the editor, its tests and `make run`
// work on this one: as long as a cartridge of the real game (128 KiB).
inline constexpr qsizetype kImageSize = 128 * 1024;

// Tiles 0..31 are terrain and objects. Tiles 32..95 are the glyphs of ASCII 32..95, so a
// character's tile number is its code. Tiles 96..255 are variants derived from those. The
// editor's palette reaches tiles 0..95 only, so the levels use nothing above.
inline constexpr int kTerrainCount = 32;
inline constexpr int kGlyphFirst = 32;
inline constexpr int kGlyphCount = 64;
inline constexpr int kPaletteTiles = kGlyphFirst + kGlyphCount;

// The terrain and object tiles by name, for the level maps.
enum Terrain : std::uint8_t {
    kBlank,
    kBrick,
    kDirt,
    kGrass,
    kLadder,
    kWaterTop,
    kWater,
    kRock,
    kDoorTop,
    kDoorBottom,
    kKey,
    kGem,
    kSpikes,
    kPipeAcross,
    kPipeDown,
    kPipeElbowRight,
    kPipeElbowLeft,
    kPipeJoint,
    kPlayer,
    kClimber,
    kBeetle,
    kCoin,
    kHeart,
    kCrate,
    kSteel,
    kBridge,
    kCloud,
    kTree,
    kFlag,
    kTorch,
    kChain,
    kStar,
};

// Bytes that sit just outside each region; a write that strays one byte shows as a changed
// marker.
inline constexpr std::uint8_t kMarker = 0xA5;

using TileBytes = TileGraphics::TileBytes;

// Encodes a tile drawn as eight rows of eight shade characters ('.', '+', 'o', '#') into the
// Game Boy's two bytes per row: the low bits of the row's pixels, then the high bits, leftmost
// pixel in bit 7. Returns false, leaving out unchanged, if a row is not eight such characters.
constexpr bool encodeTile(const std::array<std::string_view, 8> &rows, TileBytes &out)
{
    TileBytes bytes {};
    for (int row = 0; row < 8; ++row) {
        const std::string_view text = rows[static_cast<std::size_t>(row)];
        if (text.size() != 8)
            return false;
        for (int column = 0; column < 8; ++column) {
            const int value = TileGraphics::shadeOf(text[static_cast<std::size_t>(column)]);
            if (value < 0)
                return false;
            TileGraphics::setPixelValue(bytes, row, column, value);
        }
    }
    out = bytes;
    return true;
}

// The graphics of all 256 tiles, tile 0 first.
std::array<TileBytes, RomLayout::kTileCount> tiles();

// The map of level (1..46): 340 tile numbers, row after row.
std::array<std::uint8_t, RomLayout::kLevelBytes> levelMap(int level);

// The whole image, the same bytes on every call and every machine.
QByteArray buildImage();

} // namespace DemoArt
