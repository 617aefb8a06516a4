// What an edit changes in an image, in Pebblefen's own terms: level cells, tile graphics, the
// cartridge header's fields, other byte ranges and the size.
#pragma once

#include "ImageDiff.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace ImageChanges {

// What one byte of an image holds.
struct Place
{
    enum Kind { Header, Tile, Cell, Other };
    Kind kind = Other;
    int index = 0; // the header field (in headerFieldName's order), tile number or level
    int column = 0; // for a cell
    int row = 0; // for a cell
    bool operator==(const Place &) const = default;
};

Place placeOf(qint64 offset);

// A header field's name as the listing gives it: "title", "header checksum", ...
QString headerFieldName(int field);

// True for the two checksum bytes' places, which every edit that touches the header changes.
bool isChecksum(qint64 offset);

// A run of bytes, start .. start + length - 1.
struct ByteRange
{
    qint64 start = 0;
    qint64 length = 0;
};

struct Changes
{
    QList<ImageDiff::CellChange> cells; // level by level, row by row, column fastest
    QList<int> tiles; // whose graphics change, ascending
    QList<int> headerFields; // ascending, see headerFieldName
    QList<ByteRange> otherBytes; // ascending, within the length both images share
    qint64 sizeBefore = 0;
    qint64 sizeAfter = 0;
    bool none() const
    {
        return cells.isEmpty() && tiles.isEmpty() && headerFields.isEmpty() && otherBytes.isEmpty()
            && sizeBefore == sizeAfter;
    }
};

// Classifies every byte that differs between two images of any length; bytes past the shorter
// image's end are the change of size.
Changes compare(const QByteArray &before, const QByteArray &after);

// The listing, one line each:
//   level L: N cells[: (C,R) XX->YY, ...]     (cells only unless brief)
//   tiles T[-T], ...
//   header: FIELD, FIELD, ...
//   bytes 0xSTART-0xEND (N bytes)           (one line a range; a single byte is just 0xSTART)
//   size BEFORE -> AFTER bytes
// or "no changes".
QStringList listing(const Changes &changes, bool brief);

// Tile numbers as the listing gives them: consecutive ones as a range, "2F-31, 40".
QString tileList(const QList<int> &tiles);

// A byte range as the listing gives it: "0x3F000-0x3F0FF" or "0x3F000".
QString rangeText(qint64 start, qint64 length);

} // namespace ImageChanges
