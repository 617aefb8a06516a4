// Game Boy tile graphics in one place: the pixel encoding, the four shades, the characters that
// stand for them in drawings, and the size of a tile on screen. The editor, dorrik-tool, the
// demo image and the tests all draw or check tiles through these, so they cannot drift apart.
#pragma once

#include "RomLayout.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace TileGraphics {

// A tile is 8 x 8 pixels of values 0..3.
inline constexpr int kTilePixels = 8;
inline constexpr int kShadeCount = 4;

// The editor draws every tile pixel as a 2 x 2 block, so a tile fills a 16 x 16 cell and
// cell (c, r) of a surface starts at (16c, 16r).
inline constexpr int kScreenScale = 2;
inline constexpr int kCellPixels = kTilePixels * kScreenScale;

// The four Game Boy shades as colour values (red in the lowest byte), lightest first: pixel
// value v is drawn in shade v.
inline constexpr std::array<std::uint32_t, kShadeCount> kShades = {
    0xFFFFFF, // 0: white
    0xA9A9A9, // 1: light grey (169, 169, 169)
    0x606060, // 2: dark grey (96, 96, 96)
    0x000000, // 3: black
};

// A shade as an opaque 0xAARRGGBB value, the layout of Qt's QRgb.
constexpr std::uint32_t argbOf(std::uint32_t colour)
{
    return 0xFF000000u | (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

// Drawings in the source spell pixel values 0..3 as these characters, lightest first.
inline constexpr std::string_view kShadeCharacters = ".+o#";

// The pixel value a drawing character stands for, or -1 for any other character.
constexpr int shadeOf(char c)
{
    const auto at = kShadeCharacters.find(c);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

using TileBytes = std::array<std::uint8_t, RomLayout::kTileBytes>;

// The value 0..3 of pixel (row, column) of a tile's 16 bytes.
//
//   byte 2*row:     b7 b6 b5 b4 b3 b2 b1 b0   low bit of columns 0..7
//   byte 2*row + 1: b7 b6 b5 b4 b3 b2 b1 b0   high bit of columns 0..7
//   value = low | high << 1
constexpr int pixelValue(const std::uint8_t *bytes, int row, int column)
{
    const int shift = 7 - column; // bit 7 is the leftmost pixel
    const int lo = (bytes[2 * row] >> shift) & 1;
    const int hi = (bytes[2 * row + 1] >> shift) & 1;
    return lo | hi << 1;
}

// Sets pixel (row, column) of a tile's 16 bytes to value 0..3: the inverse of pixelValue.
constexpr void setPixelValue(TileBytes &bytes, int row, int column, int value)
{
    const auto bit = static_cast<std::uint8_t>(0x80 >> column);
    auto &lo = bytes[static_cast<std::size_t>(2 * row)];
    auto &hi = bytes[static_cast<std::size_t>(2 * row + 1)];
    lo = static_cast<std::uint8_t>((value & 1) ? lo | bit : lo & ~bit);
    hi = static_cast<std::uint8_t>((value & 2) ? hi | bit : hi & ~bit);
}

static_assert(kCellPixels == 16, "a tile fills 16 x 16 screen pixels");
static_assert(shadeOf('.') == 0 && shadeOf('#') == 3 && shadeOf(' ') == -1);

} // namespace TileGraphics
