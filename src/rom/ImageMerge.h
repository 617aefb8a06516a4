// Several edits of one image put together: where they agree, the combined image; where they set
// the same place differently, the collisions, named in Pebblefen's terms.
#pragma once

#include "ImageChanges.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace ImageMerge {

// One place two or more edits change differently.
struct Collision
{
    enum Kind { Size, Cell, Tile, HeaderField, Bytes };
    Kind kind = Bytes;
    ImageChanges::Place place; // the cell, tile or header field
    qint64 start = 0; // the bytes, for Bytes
    qint64 length = 0;
    QList<int> edits; // the edits that change the place, by their index, ascending
    QList<qint64> values; // a cell: what each edit sets it to (-1: cuts it off); size: the sizes
};

struct Result
{
    QByteArray image; // the combined image; meaningful only without collisions
    QList<Collision> collisions; // the size first, then in the order of the image's bytes
    bool checksumsFixed = false; // an edit changed a checksum, so both were set for the image
};

// Puts the edits of original together. A byte two edits set to the same value is no collision;
// the checksums never collide: when an edit changes either, the combined image gets both set
// right for its own bytes. Edits that change the size differently collide; one that changes it
// beside others that keep it sets the size. The order of the edits changes nothing but the
// indexes.
Result merge(const QByteArray &original, const QList<QByteArray> &edited);

// A collision as one line, naming the edits by labels[index]:
//   size: A makes it N bytes, B makes it M bytes
//   level L (C,R): A sets XX, B sets YY
//   tile T: A and B both change its graphics
//   header FIELD: A and B both change it
//   bytes 0xSTART-0xEND: A and B both change them
QString describe(const Collision &collision, const QStringList &labels);

} // namespace ImageMerge
