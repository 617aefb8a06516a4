// Comparing two images cell by cell inside the levels and byte by byte outside them.
#include "ImageDiff.h"

#include "RomLayout.h"

namespace ImageDiff {

Differences compare(const QByteArray &a, const QByteArray &b)
{
    Q_ASSERT(a.size() >= RomLayout::kLevelRegionEnd && b.size() >= RomLayout::kLevelRegionEnd);
    Differences found;
    for (int level = 1; level <= RomLayout::kLevelCount; ++level) {
        const qsizetype start = RomLayout::levelOffset(level);
        for (int row = 0; row < RomLayout::kLevelRows; ++row) {
            for (int column = 0; column < RomLayout::kLevelColumns; ++column) {
                const qsizetype at = start + RomLayout::cellIndex(column, row);
                if (a[at] != b[at])
                    found.cells.append({ level, column, row, static_cast<std::uint8_t>(a[at]),
                                         static_cast<std::uint8_t>(b[at]) });
            }
        }
    }
    const qsizetype common = qMin(a.size(), b.size());
    for (qsizetype at = 0; at < common; ++at) {
        if (at == RomLayout::kLevelRegionStart)
            at = RomLayout::kLevelRegionEnd;
        if (at < common && a[at] != b[at])
            ++found.otherBytes;
    }
    found.lengthDifference = qAbs(a.size() - b.size());
    found.otherBytes += found.lengthDifference;
    return found;
}

} // namespace ImageDiff
