// Pixel art for the icon and the banner, in the editor's four grey shades.
#include "Artwork.h"

#include "rom/TileGraphics.h"

#include <QPainter>

#include <array>

namespace Artwork {
namespace {

QColor shade(int value)
{
    return QColor::fromRgb(
        TileGraphics::argbOf(TileGraphics::kShades[static_cast<std::size_t>(value)]));
}

// An 8 x 8 picture in the shade characters of TileGraphics.
using Sprite = std::array<const char *, 8>;

const Sprite kPebble = {
    "..oooo..", //
    ".o++++o.", //
    "o+..+++o", //
    "o+.++++o", //
    "o++++++#", //
    "o+++++o#", //
    ".#ooo##.", //
    "..####..", //
};

const Sprite kBrick = {
    "########", //
    "+++#++++", //
    "+++#++++", //
    "########", //
    "#+++++++", //
    "#+++++++", //
    "########", //
    "oooooooo", //
};

const Sprite kLadder = {
    "o......o", //
    "oooooooo", //
    "o......o", //
    "o......o", //
    "oooooooo", //
    "o......o", //
    "o......o", //
    "oooooooo", //
};

const Sprite kWater = {
    "........", //
    ".++..++.", //
    "+..++..+", //
    "++++++++", //
    "+o++o++o", //
    "o+oo+oo+", //
    "oooooooo", //
    "oooooooo", //
};

void drawSprite(QPainter &painter, const Sprite &sprite, int x, int y, int scale)
{
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            const int value = TileGraphics::shadeOf(sprite[static_cast<std::size_t>(row)][column]);
            painter.fillRect(x + column * scale, y + row * scale, scale, scale,
                             shade(value < 0 ? 0 : value));
        }
    }
}

// Block letters 5 wide and 7 high for the banner's title.
using Letter = std::array<const char *, 7>;

const Letter kD = { "####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####." };
const Letter kO = { ".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###." };
const Letter kR = { "####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#" };
const Letter kI = { "#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####" };
const Letter kK = { "#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#" };

void drawLetter(QPainter &painter, const Letter &letter, int x, int y, int scale)
{
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 5; ++column) {
            if (letter[static_cast<std::size_t>(row)][column] == '#') {
                // A dark face with a light-grey drop shadow, like the game's own shading.
                painter.fillRect(x + column * scale + 2, y + row * scale + 2, scale, scale,
                                 shade(1));
                painter.fillRect(x + column * scale, y + row * scale, scale, scale, shade(3));
            }
        }
    }
}

} // namespace

QIcon windowIcon()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawSprite(painter, kPebble, 0, 0, 4);
    painter.end();
    return QIcon(QPixmap::fromImage(image));
}

QImage aboutBanner()
{
    QImage banner(394, 129, QImage::Format_RGB888);
    banner.fill(Qt::white);
    QPainter painter(&banner);

    // A strip of ground along the bottom, with water in the middle and a ladder on each side.
    for (int x = 0; x < banner.width(); x += 16) {
        const bool pool = x >= 144 && x < 240;
        drawSprite(painter, pool ? kWater : kBrick, x, 113, 2);
    }
    for (int y = 17; y < 113; y += 16) {
        drawSprite(painter, kLadder, 16, y, 2);
        drawSprite(painter, kLadder, 362, y, 2);
    }

    // "DORRIK" in block letters, centred above the ground.
    const std::array<const Letter *, 6> title = { &kD, &kO, &kR, &kR, &kI, &kK };
    const int scale = 7;
    const int advance = 6 * scale;
    const int width = static_cast<int>(title.size()) * advance - scale;
    int x = (banner.width() - width) / 2;
    for (const Letter *letter : title) {
        drawLetter(painter, *letter, x, 26, scale);
        x += advance;
    }
    drawSprite(painter, kPebble, 56, 89, 3);
    drawSprite(painter, kPebble, 314, 89, 3);
    return banner;
}

} // namespace Artwork
