// Classifying the bytes two images differ in: cells, tiles, header fields, other ranges, size.
#include "ImageChanges.h"

#include "CartridgeHeader.h"
#include "RomLayout.h"
#include "base/Hex.h"

#include <array>

namespace ImageChanges {
namespace {

struct HeaderField
{
    qint64 start;
    qint64 end; // one past the last byte
    const char *name;
};

// The cartridge header from the entry point to the global checksum, as the boot code reads it.
constexpr qint64 kHeaderStart = 0x100;
constexpr std::array<HeaderField, 13> kHeaderFields { {
    { 0x100, 0x104, "entry point" },
    { 0x104, 0x134, "logo" },
    { CartridgeHeader::kTitleStart, CartridgeHeader::kTitleEnd, "title" },
    { 0x144, 0x146, "licensee" },
    { 0x146, 0x147, "SGB flag" },
    { 0x147, 0x148, "cartridge type" },
    { 0x148, 0x149, "ROM size" },
    { 0x149, 0x14A, "RAM size" },
    { 0x14A, 0x14B, "destination" },
    { 0x14B, 0x14C, "old licensee" },
    { 0x14C, CartridgeHeader::kHeaderChecksumAt, "version" },
    { CartridgeHeader::kHeaderChecksumAt, CartridgeHeader::kGlobalChecksumAt, "header checksum" },
    { CartridgeHeader::kGlobalChecksumAt, CartridgeHeader::kHeaderEnd, "global checksum" },
} };

} // namespace

Place placeOf(qint64 offset)
{
    if (offset >= kHeaderStart && offset < CartridgeHeader::kHeaderEnd) {
        int field = 0;
        while (offset >= kHeaderFields[field].end)
            ++field;
        return { Place::Header, field, 0, 0 };
    }
    if (offset >= RomLayout::kTileRegionStart && offset < RomLayout::kTileRegionEnd)
        return { Place::Tile,
                 static_cast<int>((offset - RomLayout::kTileRegionStart) / RomLayout::kTileBytes),
                 0, 0 };
    if (offset >= RomLayout::kLevelRegionStart && offset < RomLayout::kLevelRegionEnd) {
        const auto within = static_cast<int>(offset - RomLayout::kLevelRegionStart);
        const int cell = within % RomLayout::kLevelBytes;
        return { Place::Cell, within / RomLayout::kLevelBytes + 1, cell % RomLayout::kLevelColumns,
                 cell / RomLayout::kLevelColumns };
    }
    return {};
}

QString headerFieldName(int field)
{
    return QLatin1String(kHeaderFields.at(field).name);
}

bool isChecksum(qint64 offset)
{
    return offset >= CartridgeHeader::kHeaderChecksumAt && offset < CartridgeHeader::kHeaderEnd;
}

Changes compare(const QByteArray &before, const QByteArray &after)
{
    Changes found;
    found.sizeBefore = before.size();
    found.sizeAfter = after.size();
    const qsizetype common = qMin(before.size(), after.size());
    for (qsizetype at = 0; at < common; ++at) {
        if (before[at] == after[at])
            continue;
        const Place place = placeOf(at);
        switch (place.kind) {
        case Place::Header:
            if (found.headerFields.isEmpty() || found.headerFields.last() != place.index)
                found.headerFields.append(place.index);
            break;
        case Place::Tile:
            if (found.tiles.isEmpty() || found.tiles.last() != place.index)
                found.tiles.append(place.index);
            break;
        case Place::Cell:
            found.cells.append({ place.index, place.column, place.row,
                                 static_cast<std::uint8_t>(before[at]),
                                 static_cast<std::uint8_t>(after[at]) });
            break;
        case Place::Other:
            if (!found.otherBytes.isEmpty()
                && found.otherBytes.last().start + found.otherBytes.last().length == at)
                ++found.otherBytes.last().length;
            else
                found.otherBytes.append({ at, 1 });
            break;
        }
    }
    return found;
}

QString tileList(const QList<int> &tiles)
{
    QStringList parts;
    for (qsizetype i = 0; i < tiles.size();) {
        qsizetype last = i;
        while (last + 1 < tiles.size() && tiles[last + 1] == tiles[last] + 1)
            ++last;
        parts.append(last == i ? Hex::digits(tiles[i], 2)
                               : Hex::digits(tiles[i], 2) + u'-' + Hex::digits(tiles[last], 2));
        i = last + 1;
    }
    return parts.join(QStringLiteral(", "));
}

QString rangeText(qint64 start, qint64 length)
{
    if (length == 1)
        return Hex::number(start);
    return Hex::number(start) + u'-' + Hex::number(start + length - 1);
}

QStringList listing(const Changes &changes, bool brief)
{
    QStringList lines;
    for (qsizetype i = 0; i < changes.cells.size();) {
        const int level = changes.cells[i].level;
        qsizetype end = i;
        QStringList cells;
        for (; end < changes.cells.size() && changes.cells[end].level == level; ++end) {
            const ImageDiff::CellChange &cell = changes.cells[end];
            if (!brief)
                cells.append(QStringLiteral("(%1,%2) %3->%4")
                                 .arg(cell.column)
                                 .arg(cell.row)
                                 .arg(Hex::digits(cell.before, 2), Hex::digits(cell.after, 2)));
        }
        const qsizetype count = end - i;
        QString line = QStringLiteral("level %1: %2 cell%3")
                           .arg(level)
                           .arg(count)
                           .arg(count == 1 ? "" : "s");
        if (!brief)
            line += QStringLiteral(": ") + cells.join(QStringLiteral(", "));
        lines.append(line);
        i = end;
    }
    if (!changes.tiles.isEmpty())
        lines.append(QStringLiteral("tiles ") + tileList(changes.tiles));
    if (!changes.headerFields.isEmpty()) {
        QStringList names;
        for (const int field : changes.headerFields)
            names.append(headerFieldName(field));
        lines.append(QStringLiteral("header: ") + names.join(QStringLiteral(", ")));
    }
    for (const ByteRange &range : changes.otherBytes)
        lines.append(QStringLiteral("bytes %1 (%2 byte%3)")
                         .arg(rangeText(range.start, range.length))
                         .arg(range.length)
                         .arg(range.length == 1 ? "" : "s"));
    if (changes.sizeBefore != changes.sizeAfter)
        lines.append(
            QStringLiteral("size %1 -> %2 bytes").arg(changes.sizeBefore).arg(changes.sizeAfter));
    if (lines.isEmpty())
        lines.append(QStringLiteral("no changes"));
    return lines;
}

} // namespace ImageChanges
