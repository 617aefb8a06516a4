// The demo image's artwork, font and level maps, and the image assembled from them.
#include "DemoArt.h"

#include "rom/CartridgeHeader.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace DemoArt {

namespace {

using Pixels = std::array<std::array<std::uint8_t, 8>, 8>;

// Where a Game Boy image keeps its title; a plain one lets a user recognise the demo image
// in a hex view.
constexpr qsizetype kTitleOffset = 0x134;
constexpr char kTitle[] = "DORRIK DEMO";

// The terrain and object tiles, drawn eight to a band: each band is eight text rows, each
// row holds one 8-character row of every tile in the band, tiles separated by a space.
// The characters are TileGraphics' shade characters, '.' white to '#' black.
constexpr std::string_view kTerrainSheet =
    // 0 blank, 1 brick, 2 dirt, 3 grass, 4 ladder, 5 water top, 6 water, 7 rock
    R"(
........ ooo#oooo oooooooo ........ .#....#. ........ ++++++++ ..####..
........ ooo#oooo oo#ooooo .#..#..# .#oooo#. .oo...oo +o++++++ .#++oo#.
........ ooo#oooo oooooo+o ##.###.# .#....#. o++o.o++ ++++++++ #++oooo#
........ ######## oooooooo ######## .#....#. ++++o+++ ++++oo++ #+oooo##
........ ooooooo# o+oooooo o#oo#ooo .#....#. ++++++++ ++++++++ #oooo#o#
........ ooooooo# oooo#ooo oooooooo .#oooo#. +o++++++ +o++++++ #ooo#oo#
........ ooooooo# oooooooo oo+ooo#o .#....#. ++++++o+ ++++++++ .#oooo#.
........ ######## ooooooo# oooooooo .#....#. ++++++++ +++++o++ ..####..
)"
    // 8 door top, 9 door bottom, 10 key, 11 gem, 12 spikes, 13 pipe across, 14 pipe down,
    // 15 pipe elbow from the right turning down
    R"(
..####.. #o+oo+o# ........ ........ ........ ........ .#.+oo#. ........
.#oooo#. #oooooo# .##..... ..####.. .#...#.. ######## .#.+oo#. ..######
#oooooo# #ooooo## #++#.... .#.+oo#. .#...#.. ........ .#.+oo#. .#......
#o+oo+o# #oooooo# #++##### #..+ooo# #+#.#+#. ++++++++ .#.+oo#. .#.+++++
#o+oo+o# #o+oo+o# #++#.#.# .#++oo#. #+#.#+#. oooooooo .#.+oo#. .#.+oooo
#oooooo# #o+oo+o# .##..#.# ..#oo#.. #++##++# oooooooo .#.+oo#. .#.+oooo
#o+oo+o# #oooooo# ........ ...##... ######## ######## .#.+oo#. .#.+oo##
#o+oo+o# ######## ........ ........ oooooooo ........ .#.+oo#. .#.+oo#.
)"
    // 16 pipe elbow from the left turning down, 17 pipe joint,
    // 18 player, 19 climber, 20 beetle, 21 coin, 22 heart, 23 crate
    R"(
........ .#.+oo#. ..####.. #.####.# ........ ..####.. ........ ########
######.. .#.+oo#. .#+++.#. ##....## ..####.. .#++++#. .##..##. ##++++##
......#. ######## .#++#+#. .#....#. .#oooo#. #++o+++# #+.##oo# #+#++#+#
+++++o#. #..++oo# ..####.. ..####.. #o+oo+o# #++o+++# #+ooooo# #++##++#
oooooo#. ######## .#oooo#. ..oooo.. #oooooo# #++o+++# .#oooo#. #++##++#
oooooo#. .#.+oo#. #.oooo.# ..oooo.. ######## #++o+++# ..#oo#.. #+#++#+#
##.+oo#. .#.+oo#. ..o..o.. ..o..o.. .#.##.#. .#++++#. ...##... ##++++##
.#.+oo#. .#.+oo#. .##..##. .##..##. #..##..# ..####.. ........ ########
)"
    // 24 steel, 25 bridge, 26 cloud, 27 tree, 28 flag, 29 torch, 30 chain, 31 star
    R"(
+++++++o ######## ........ ..####.. .##..... ...+.... ...##... ...##...
+......# o+oooo+o ..+++... .#oo+o#. .#o##... ..+o+... ..#++#.. ..#++#..
+.o..o.# oooooooo .+...++. #o+oooo# .#ooo##. .+o#o+.. ..#++#.. ###++###
+......# ######## +......+ #oooo+o# .#o+ooo# ..+o+... ...##... #++++++#
+......# .#....#. +......+ .#oooo#. .#ooo##. ..###... ...oo... .#++++#.
+.o..o.# ..#..#.. .++++++. ..####.. .#o##... ...#.... ..o..o.. .#+##+#.
+......# ...##... ........ ...##... .##..... ...#.... ..o..o.. #+#..#+#
o####### ........ ........ ...##... ###..... ..###... ...oo... ##....##
)";

// The font, black on white, drawn like the terrain: the glyph of ASCII 32 (space) first.
// Capitals sit in the five columns 1..5 and the rows 0..6, so text set in adjacent cells
// keeps a gap between letters and between lines. The space carries a faint light-grey mark:
// a fully white space would be the same tile as tile 0, and the palette shows them apart.
constexpr std::string_view kFontSheet =
    // 32 sp   33 !    34 "    35 #    36 $    37 %    38 &    39 '
    R"(
........ ...#.... ..#.#... ..#.#... ...#.... .##..... ..##.... ...#....
........ ...#.... ..#.#... ..#.#... ..####.. .##..#.. .#..#... ...#....
........ ...#.... ..#.#... .#####.. .#.#.... ....#... .#.#.... ..#.....
........ ...#.... ........ ..#.#... ..###... ...#.... ..#..... ........
........ ...#.... ........ .#####.. ...#.#.. ..#..... .#.#.#.. ........
.+...+.. ........ ........ ..#.#... .####... .#..##.. .#..#... ........
.+++++.. ...#.... ........ ..#.#... ...#.... ....##.. ..##.#.. ........
........ ........ ........ ........ ........ ........ ........ ........
)"
    // 40 (    41 )    42 *    43 +    44 ,    45 -    46 .    47 /
    R"(
....#... ..#..... ........ ........ ........ ........ ........ ........
...#.... ...#.... ...#.... ...#.... ........ ........ ........ .....#..
..#..... ....#... .#.#.#.. ...#.... ........ ........ ........ ....#...
..#..... ....#... ..###... .#####.. ........ .#####.. ........ ...#....
..#..... ....#... .#.#.#.. ...#.... ..##.... ........ ........ ..#.....
...#.... ...#.... ...#.... ...#.... ...#.... ........ ..##.... .#......
....#... ..#..... ........ ........ ..#..... ........ ..##.... ........
........ ........ ........ ........ ........ ........ ........ ........
)"
    // 48 0    49 1    50 2    51 3    52 4    53 5    54 6    55 7
    R"(
..###... ...#.... ..###... .#####.. ....#... .#####.. ...##... .#####..
.#...#.. ..##.... .#...#.. ....#... ...##... .#...... ..#..... .....#..
.#..##.. ...#.... .....#.. ...#.... ..#.#... .####... .#...... ....#...
.#.#.#.. ...#.... ....#... ....#... .#..#... .....#.. .####... ...#....
.##..#.. ...#.... ...#.... .....#.. .#####.. .....#.. .#...#.. ..#.....
.#...#.. ...#.... ..#..... .#...#.. ....#... .#...#.. .#...#.. ..#.....
..###... ..###... .#####.. ..###... ....#... ..###... ..###... ..#.....
........ ........ ........ ........ ........ ........ ........ ........
)"
    // 56 8    57 9    58 :    59 ;    60 <    61 =    62 >    63 ?
    R"(
..###... ..###... ........ ........ ....#... ........ ..#..... ..###...
.#...#.. .#...#.. ..##.... ..##.... ...#.... ........ ...#.... .#...#..
.#...#.. .#...#.. ..##.... ..##.... ..#..... .#####.. ....#... .....#..
..###... ..####.. ........ ........ .#...... ........ .....#.. ....#...
.#...#.. .....#.. ..##.... ..##.... ..#..... .#####.. ....#... ...#....
.#...#.. ....#... ..##.... ...#.... ...#.... ........ ...#.... ........
..###... ..##.... ........ ..#..... ....#... ........ ..#..... ...#....
........ ........ ........ ........ ........ ........ ........ ........
)"
    // 64 @    65 A    66 B    67 C    68 D    69 E    70 F    71 G
    R"(
..###... ..###... .####... ..###... .###.... .#####.. .#####.. ..###...
.#...#.. .#...#.. .#...#.. .#...#.. .#..#... .#...... .#...... .#...#..
.....#.. .#...#.. .#...#.. .#...... .#...#.. .#...... .#...... .#......
..##.#.. .#####.. .####... .#...... .#...#.. .####... .####... .#.###..
.#.#.#.. .#...#.. .#...#.. .#...... .#...#.. .#...... .#...... .#...#..
.#.#.#.. .#...#.. .#...#.. .#...#.. .#..#... .#...... .#...... .#...#..
..###... .#...#.. .####... ..###... .###.... .#####.. .#...... ..####..
........ ........ ........ ........ ........ ........ ........ ........
)"
    // 72 H    73 I    74 J    75 K    76 L    77 M    78 N    79 O
    R"(
.#...#.. ..###... ...###.. .#...#.. .#...... .#...#.. .#...#.. ..###...
.#...#.. ...#.... ....#... .#..#... .#...... .##.##.. .#...#.. .#...#..
.#...#.. ...#.... ....#... .#.#.... .#...... .#.#.#.. .##..#.. .#...#..
.#####.. ...#.... ....#... .##..... .#...... .#.#.#.. .#.#.#.. .#...#..
.#...#.. ...#.... ....#... .#.#.... .#...... .#...#.. .#..##.. .#...#..
.#...#.. ...#.... .#..#... .#..#... .#...... .#...#.. .#...#.. .#...#..
.#...#.. ..###... ..##.... .#...#.. .#####.. .#...#.. .#...#.. ..###...
........ ........ ........ ........ ........ ........ ........ ........
)"
    // 80 P    81 Q    82 R    83 S    84 T    85 U    86 V    87 W
    R"(
.####... ..###... .####... ..####.. .#####.. .#...#.. .#...#.. .#...#..
.#...#.. .#...#.. .#...#.. .#...... ...#.... .#...#.. .#...#.. .#...#..
.#...#.. .#...#.. .#...#.. .#...... ...#.... .#...#.. .#...#.. .#...#..
.####... .#...#.. .####... ..###... ...#.... .#...#.. .#...#.. .#.#.#..
.#...... .#.#.#.. .#.#.... .....#.. ...#.... .#...#.. .#...#.. .#.#.#..
.#...... .#..#... .#..#... .....#.. ...#.... .#...#.. ..#.#... .#.#.#..
.#...... ..##.#.. .#...#.. .####... ...#.... ..###... ...#.... ..#.#...
........ ........ ........ ........ ........ ........ ........ ........
)"
    // 88 X    89 Y    90 Z    91 [    92 \    93 ]    94 ^    95 _
    R"(
.#...#.. .#...#.. .#####.. ..###... ........ ..###... ...#.... ........
.#...#.. .#...#.. .....#.. ..#..... .#...... ....#... ..#.#... ........
..#.#... ..#.#... ....#... ..#..... ..#..... ....#... .#...#.. ........
...#.... ...#.... ...#.... ..#..... ...#.... ....#... ........ ........
..#.#... ...#.... ..#..... ..#..... ....#... ....#... ........ ........
.#...#.. ...#.... .#...... ..#..... .....#.. ....#... ........ ........
.#...#.. ...#.... .#####.. ..###... ........ ..###... ........ ........
........ ........ ........ ........ ........ ........ ........ .#####..
)";

// A sheet read into pixel values; ok is false if the text is not whole bands of N tiles.
template<std::size_t N> struct Sheet
{
    std::array<Pixels, N> tiles {};
    bool ok = false;
};

template<std::size_t N> constexpr Sheet<N> parseSheet(std::string_view text)
{
    constexpr std::size_t kCellStride = 9; // eight characters and a space
    Sheet<N> sheet;
    std::array<std::string_view, 8> band {};
    std::size_t bandRows = 0;
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty())
            continue;
        band[bandRows++] = line;
        if (bandRows < band.size())
            continue;
        bandRows = 0;
        const std::size_t width = band[0].size();
        const std::size_t cells = (width + 1) / kCellStride;
        if ((width + 1) % kCellStride != 0 || count + cells > N)
            return sheet;
        for (std::size_t row = 0; row < band.size(); ++row) {
            if (band[row].size() != width)
                return sheet;
            for (std::size_t cell = 0; cell < cells; ++cell) {
                if (cell > 0 && band[row][cell * kCellStride - 1] != ' ')
                    return sheet;
                for (std::size_t column = 0; column < 8; ++column) {
                    const int value = TileGraphics::shadeOf(band[row][cell * kCellStride + column]);
                    if (value < 0)
                        return sheet;
                    sheet.tiles[count + cell][row][column] = static_cast<std::uint8_t>(value);
                }
            }
        }
        count += cells;
    }
    sheet.ok = bandRows == 0 && count == N;
    return sheet;
}

// Read at compile time, so a slip in the drawings above fails the build.
constexpr auto kTerrainArt = parseSheet<kTerrainCount>(kTerrainSheet);
static_assert(kTerrainArt.ok, "the terrain sheet must be whole bands of 32 8x8 tiles");
constexpr auto kFontArt = parseSheet<kGlyphCount>(kFontSheet);
static_assert(kFontArt.ok, "the font sheet must be whole bands of 64 8x8 glyphs");

// The derived tiles fill the rest of the 256 in these blocks.
constexpr int kInvertedFirst = kPaletteTiles; // the glyphs white on black
constexpr int kShadedFirst = kInvertedFirst + kGlyphCount; // the terrain in shadow
constexpr int kPatternFirst = kShadedFirst + kTerrainCount; // checks, stripes, ramps, frames
constexpr int kPatternCount = 64;
static_assert(kPatternFirst + kPatternCount == RomLayout::kTileCount);

TileBytes encode(const Pixels &pixels)
{
    TileBytes bytes {};
    for (std::size_t row = 0; row < 8; ++row) {
        for (std::size_t column = 0; column < 8; ++column)
            TileGraphics::setPixelValue(bytes, static_cast<int>(row), static_cast<int>(column),
                                        pixels[row][column]);
    }
    return bytes;
}

template<typename Shade> Pixels drawPixels(Shade shade)
{
    Pixels pixels {};
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            const int value = shade(row, column);
            Q_ASSERT(value >= 0 && value <= 3);
            pixels[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]
                = static_cast<std::uint8_t>(value);
        }
    }
    return pixels;
}

int pixelAt(const Pixels &pixels, int row, int column)
{
    return pixels[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

// The 64 pattern tiles: fills for backgrounds, banners and boxes drawn in the editor.
std::vector<Pixels> patterns()
{
    // Pairs of (ground, figure) shades; each pattern family is drawn once in each pair.
    constexpr std::array<std::pair<int, int>, 4> kPairs {
        { { 0, 2 }, { 1, 3 }, { 0, 3 }, { 1, 2 } }
    };
    // Positions along four directions: down, across, diagonally down-right, diagonally up-right.
    // Each runs 0..7 over the tile.
    const std::array<int (*)(int, int), 4> kAlong {
        [](int row, int) { return row; },
        [](int, int column) { return column; },
        [](int row, int column) { return (row + column) / 2; },
        [](int row, int column) { return (row + 7 - column) / 2; },
    };
    std::vector<Pixels> out;
    for (const auto &[ground, figure] : kPairs) {
        for (const int size : { 1, 2, 4 }) {
            out.push_back(drawPixels([&](int row, int column) {
                return ((row / size + column / size) & 1) ? figure : ground;
            }));
        }
        out.push_back(drawPixels([&](int row, int column) {
            return (row % 4 == 1 && column % 4 == 1) ? figure : ground;
        }));
    }
    for (const auto &[ground, figure] : kPairs) {
        for (const auto along : kAlong) {
            out.push_back(drawPixels([&](int row, int column) {
                return (along(row, column) / 2) & 1 ? figure : ground;
            }));
        }
    }
    for (const auto along : kAlong) {
        out.push_back(drawPixels([&](int row, int column) { return along(row, column) / 2; }));
        out.push_back(drawPixels([&](int row, int column) { return 3 - along(row, column) / 2; }));
        out.push_back(drawPixels([&](int row, int column) {
            return std::min(3, (along(row, column) + ((row + column) & 1)) / 2);
        }));
        out.push_back(drawPixels([&](int row, int column) {
            const int t = along(row, column);
            return t < 4 ? t : 7 - t;
        }));
    }
    // Frame pieces: the four corners and four edges of a box, in two styles of (outside, line,
    // inside) shades.
    enum Side { kTop = 1, kLeft = 2, kBottom = 4, kRight = 8 };
    constexpr std::array<int, 8> kPieces { kTop | kLeft,    kTop,    kTop | kRight,   kLeft, kRight,
                                           kBottom | kLeft, kBottom, kBottom | kRight };
    constexpr std::array<std::array<int, 3>, 2> kStyles { { { 0, 3, 1 }, { 3, 1, 2 } } };
    for (const auto &style : kStyles) {
        for (const int sides : kPieces) {
            out.push_back(drawPixels([&](int row, int column) {
                const bool outside = ((sides & kTop) && row < 2) || ((sides & kBottom) && row > 5)
                    || ((sides & kLeft) && column < 2) || ((sides & kRight) && column > 5);
                const bool line = ((sides & kTop) && row == 2) || ((sides & kBottom) && row == 5)
                    || ((sides & kLeft) && column == 2) || ((sides & kRight) && column == 5);
                return outside ? style[0] : line ? style[1] : style[2];
            }));
        }
    }
    Q_ASSERT(static_cast<int>(out.size()) == kPatternCount);
    return out;
}

// A small fixed generator, so that every level's layout is the same on every build and
// machine (the standard library's distributions are not).
class Dice
{
public:
    explicit Dice(int seed)
        : m_state(static_cast<std::uint32_t>(seed) * 2654435761u + 12345u)
    { }

    // 0 .. sides - 1.
    int roll(int sides)
    {
        m_state = m_state * 1664525u + 1013904223u;
        return static_cast<int>((m_state >> 16) % static_cast<std::uint32_t>(sides));
    }

    // low .. high, both included.
    int between(int low, int high) { return low + roll(high - low + 1); }

private:
    std::uint32_t m_state;
};

// One level being laid out.
class Layout
{
public:
    static constexpr int kLastColumn = RomLayout::kLevelColumns - 1;
    static constexpr int kLastRow = RomLayout::kLevelRows - 1;
    static constexpr int kTitleRow = 1;
    static constexpr int kGroundRow = kLastRow - 2; // the grass, with a row of dirt below
    static constexpr std::array<int, 3> kPlatformRows { 4, 7, 10 };

    explicit Layout(int level)
        : m_level(level)
        , m_dice(level)
    { }

    std::array<std::uint8_t, RomLayout::kLevelBytes> build()
    {
        walls();
        title();
        ground();
        platforms();
        ladders();
        if (m_dice.roll(3) == 0)
            pipe();
        objects();
        return m_cells;
    }

private:
    std::uint8_t at(int column, int row) const
    {
        return m_cells[static_cast<std::size_t>(RomLayout::cellIndex(column, row))];
    }
    void set(int column, int row, std::uint8_t tile)
    {
        m_cells[static_cast<std::size_t>(RomLayout::cellIndex(column, row))] = tile;
    }
    static bool standable(std::uint8_t tile)
    {
        return tile == kGrass || tile == kBridge || tile == kSteel || tile == kBrick
            || tile == kCrate;
    }

    void walls()
    {
        for (int column = 0; column <= kLastColumn; ++column) {
            set(column, 0, kBrick);
            set(column, kLastRow, kBrick);
        }
        for (int row = 0; row <= kLastRow; ++row) {
            set(0, row, kBrick);
            set(kLastColumn, row, kBrick);
        }
    }

    // "LEVEL nn" in glyph tiles, centred under the top wall, so each level shows its number.
    void title()
    {
        char text[] = "LEVEL nn";
        text[6] = static_cast<char>('0' + m_level / 10);
        text[7] = static_cast<char>('0' + m_level % 10);
        const int length = static_cast<int>(sizeof text) - 1;
        const int first = (RomLayout::kLevelColumns - length) / 2;
        // The gap is the blank tile: the space glyph carries a faint mark to stay distinct
        // from tile 0, which would show between the word and the number.
        for (int i = 0; i < length; ++i)
            set(first + i, kTitleRow,
                text[i] == ' ' ? std::uint8_t { kBlank } : static_cast<std::uint8_t>(text[i]));
    }

    // Grass over dirt, broken by a pool of water or a bed of spikes in most levels.
    void ground()
    {
        for (int column = 1; column < kLastColumn; ++column) {
            set(column, kGroundRow, kGrass);
            set(column, kGroundRow + 1, kDirt);
        }
        const int hazard = m_dice.roll(3);
        const int width = m_dice.between(2, 4);
        const int first = m_dice.between(3, kLastColumn - 2 - width);
        for (int column = first; column < first + width; ++column) {
            if (hazard == 0) {
                set(column, kGroundRow, kWaterTop);
                set(column, kGroundRow + 1, kWater);
            } else if (hazard == 1) {
                set(column, kGroundRow, kSpikes);
            } else {
                set(column, kGroundRow - 1, kRock);
            }
        }
    }

    void platforms()
    {
        constexpr std::array<std::uint8_t, 4> kMaterials { kGrass, kBridge, kSteel, kBrick };
        for (const int row : kPlatformRows) {
            const std::uint8_t material = kMaterials[static_cast<std::size_t>(m_dice.roll(4))];
            const int segments = m_dice.between(1, 2);
            for (int i = 0; i < segments; ++i) {
                const int length = m_dice.between(4, 8);
                const int first = m_dice.between(1, kLastColumn - length);
                for (int column = first; column < first + length; ++column)
                    set(column, row, material);
            }
        }
    }

    // From each platform a ladder climbs down until it meets the platform or ground below.
    void ladders()
    {
        for (const int row : kPlatformRows) {
            std::vector<int> columns;
            for (int column = 1; column < kLastColumn; ++column) {
                if (standable(at(column, row)))
                    columns.push_back(column);
            }
            if (columns.empty())
                continue;
            const int column
                = columns[static_cast<std::size_t>(m_dice.roll(static_cast<int>(columns.size())))];
            set(column, row, kLadder);
            for (int below = row + 1; below < kGroundRow && at(column, below) == kBlank; ++below)
                set(column, below, kLadder);
        }
    }

    // A pipe along the row under the title that turns down at a random column.
    void pipe()
    {
        const int row = kTitleRow + 1;
        const int turn = m_dice.between(3, kLastColumn - 3);
        for (int column = 1; column < turn; ++column)
            set(column, row, kPipeAcross);
        set(turn, row, kPipeElbowLeft);
        for (int below = row + 1; below < kGroundRow && at(turn, below) == kBlank; ++below)
            set(turn, below, below % 3 == 0 ? kPipeJoint : kPipeDown);
    }

    // A blank cell on something to stand on, picked at random; {0, 0} if there is none.
    std::pair<int, int> spot(bool groundOnly, bool tall)
    {
        std::vector<std::pair<int, int>> spots;
        for (int row = kTitleRow + 2; row < kGroundRow; ++row) {
            if (groundOnly && row != kGroundRow - 1)
                continue;
            for (int column = 1; column < kLastColumn; ++column) {
                if (at(column, row) == kBlank && standable(at(column, row + 1))
                    && (!tall || at(column, row - 1) == kBlank))
                    spots.push_back({ column, row });
            }
        }
        if (spots.empty())
            return { 0, 0 };
        return spots[static_cast<std::size_t>(m_dice.roll(static_cast<int>(spots.size())))];
    }

    void place(std::uint8_t tile, bool groundOnly = false)
    {
        const auto [column, row] = spot(groundOnly, false);
        if (column != 0)
            set(column, row, tile);
    }

    void objects()
    {
        const auto [doorColumn, doorRow] = spot(true, true);
        if (doorColumn != 0) {
            set(doorColumn, doorRow - 1, kDoorTop);
            set(doorColumn, doorRow, kDoorBottom);
        }
        place(kPlayer, true);
        place(kKey);
        place(kBeetle);
        const int treasures = m_dice.between(2, 4);
        constexpr std::array<std::uint8_t, 4> kTreasures { kGem, kCoin, kHeart, kStar };
        for (int i = 0; i < treasures; ++i)
            place(kTreasures[static_cast<std::size_t>(m_dice.roll(4))]);
        constexpr std::array<std::uint8_t, 4> kScenery { kTree, kCrate, kFlag, kTorch };
        place(kScenery[static_cast<std::size_t>(m_dice.roll(4))], true);
        for (int i = m_dice.roll(3); i > 0; --i) {
            const int column = m_dice.between(1, kLastColumn - 1);
            if (at(column, kTitleRow + 1) == kBlank)
                set(column, kTitleRow + 1, kCloud);
        }
    }

    int m_level;
    Dice m_dice;
    std::array<std::uint8_t, RomLayout::kLevelBytes> m_cells {};
};

} // namespace

std::array<TileBytes, RomLayout::kTileCount> tiles()
{
    std::array<TileBytes, RomLayout::kTileCount> out {};
    for (int t = 0; t < kTerrainCount; ++t) {
        const Pixels &art = kTerrainArt.tiles[static_cast<std::size_t>(t)];
        out[static_cast<std::size_t>(t)] = encode(art);
        // Every other pixel a shade darker: the same object in a cave or at night.
        out[static_cast<std::size_t>(kShadedFirst + t)]
            = encode(drawPixels([&](int row, int column) {
                  const int value = pixelAt(art, row, column);
                  return ((row + column) & 1) ? std::min(3, value + 1) : value;
              }));
    }
    for (int g = 0; g < kGlyphCount; ++g) {
        const Pixels &glyph = kFontArt.tiles[static_cast<std::size_t>(g)];
        out[static_cast<std::size_t>(kGlyphFirst + g)] = encode(glyph);
        out[static_cast<std::size_t>(kInvertedFirst + g)] = encode(
            drawPixels([&](int row, int column) { return 3 - pixelAt(glyph, row, column); }));
    }
    const std::vector<Pixels> fills = patterns();
    for (int p = 0; p < kPatternCount; ++p)
        out[static_cast<std::size_t>(kPatternFirst + p)]
            = encode(fills[static_cast<std::size_t>(p)]);
    return out;
}

std::array<std::uint8_t, RomLayout::kLevelBytes> levelMap(int level)
{
    Q_ASSERT(level >= 1 && level <= RomLayout::kLevelCount);
    return Layout(level).build();
}

QByteArray buildImage()
{
    QByteArray image(kImageSize, '\0');
    std::memcpy(image.data() + kTitleOffset, kTitle, sizeof kTitle - 1);

    image[RomLayout::kTileRegionStart - 1] = static_cast<char>(kMarker);
    image[RomLayout::kTileRegionEnd] = static_cast<char>(kMarker);
    image[RomLayout::kLevelRegionStart - 1] = static_cast<char>(kMarker);
    image[RomLayout::kLevelRegionEnd] = static_cast<char>(kMarker);

    const auto art = tiles();
    for (int t = 0; t < RomLayout::kTileCount; ++t) {
        const TileBytes &bytes = art[static_cast<std::size_t>(t)];
        std::memcpy(image.data() + RomLayout::tileOffset(t), bytes.data(), bytes.size());
    }
    for (int level = 1; level <= RomLayout::kLevelCount; ++level) {
        const auto cells = levelMap(level);
        std::memcpy(image.data() + RomLayout::levelOffset(level), cells.data(), cells.size());
    }
    // Both checksums right, as a released image has them: emulators check the header one, and
    // patch changes and combine then start from an image whose checksums mean something.
    CartridgeHeader::fix(image);
    return image;
}

} // namespace DemoArt
