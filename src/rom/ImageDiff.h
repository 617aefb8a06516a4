// The differences between two images: changed level cells, and a count of all other changes.
#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>

namespace ImageDiff {

// One level cell that holds another tile in the second image.
struct CellChange
{
    int level = 0; // 1 .. 46
    int column = 0; // 0 .. 19
    int row = 0; // 0 .. 16
    std::uint8_t before = 0;
    std::uint8_t after = 0;
};

struct Differences
{
    QList<CellChange> cells; // level by level, row by row, column fastest
    qint64 otherBytes = 0; // differing bytes outside the levels, plus the length difference
    qint64 lengthDifference = 0; // how many bytes one image is longer than the other
    bool none() const { return cells.isEmpty() && otherBytes == 0; }
};

// Compares two images that both hold every level.
Differences compare(const QByteArray &a, const QByteArray &b);

} // namespace ImageDiff
