// Level maps as plain text for diffs and hand edits: "level N", then 17 rows of 20 hex numbers.
#pragma once

#include "LevelMap.h"

#include <QByteArray>
#include <QList>
#include <QString>

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

} // namespace LevelText
