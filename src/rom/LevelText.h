// Level maps as plain text for diffs and hand edits: "level N", then 17 rows of 20 hex numbers.
#pragma once

#include "LevelMap.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

namespace LevelText {

// One level as it appears in the text.
struct Level
{
    int number = 0; // 1 .. RomLayout::kLevelCount
    LevelMap map;
};

// Where a text was refused, counted from 1, and why.
struct ParseError
{
    int line = 0;
    int column = 0;
    QString reason;
};

// The text for the given levels, in their order: a "level N" line, the rows of the map as
// uppercase two-digit hex numbers separated by single spaces, and a blank line after each.
QByteArray format(const QList<Level> &levels);

// Reads levels back from text. Blank lines and lines starting with '#' are skipped, hex
// digits may be of either case and numbers may be separated by any spaces or tabs. Returns
// false and fills error at the first fault; levels is then unchanged.
bool parse(const QByteArray &text, QList<Level> &levels, ParseError &error);

// A rectangle of cells as the editor copies and pastes them: rows of tile numbers, all of one
// length, with no "level N" line; or a whole level with its line.
struct Piece
{
    int columns = 0;
    int rows = 0;
    std::vector<std::uint8_t> tiles; // row by row
    bool wholeLevel = false;
};

// The rows of the rectangle of map cells from (column, row), columns x rows in size, as the
// level text writes them.
QByteArray formatPiece(const LevelMap &map, int column, int row, int columns, int rows);

// Reads a piece: one level as parse reads it (a text holding more is refused), or rows of at
// most 20 tile numbers each, all as long as the first, at most 17 of them. Blank lines and
// '#' lines are skipped. Returns false and fills error at the first fault; piece is then
// unchanged.
bool parsePiece(const QByteArray &text, Piece &piece, ParseError &error);

} // namespace LevelText
