// Level map access: one open, one transfer and one close per call.
#include "LevelAccess.h"

namespace LevelAccess {

Status ReadCell(const QString &path, std::int32_t levelOffset, int column, int row,
                std::uint8_t &tile)
{
    Q_ASSERT(LevelMap::inRange(column, row));
    std::uint8_t byte = 0;
    Status result = FileAccess::readAt(
        path, std::int64_t { levelOffset } + RomLayout::cellIndex(column, row), { &byte, 1 });
    if (result)
        tile = byte;
    return result;
}

Status WriteCell(const QString &path, std::int32_t levelOffset, int column, int row,
                 std::uint8_t tile)
{
    Q_ASSERT(LevelMap::inRange(column, row));
    return FileAccess::writeAt(path,
                               std::int64_t { levelOffset } + RomLayout::cellIndex(column, row),
                               { &tile, 1 }, FileAccess::Flush::No);
}

Status ReadLevel(const QString &path, std::int32_t levelOffset, LevelMap &map)
{
    LevelMap read;
    Status result = FileAccess::readAt(path, levelOffset, read.bytes());
    if (result)
        map = read;
    return result;
}

Status WriteLevel(const QString &path, std::int32_t levelOffset, const LevelMap &map)
{
    // writeAt checks that the whole span lies inside the file before its single write.
    return FileAccess::writeAt(path, levelOffset, map.bytes(), FileAccess::Flush::ToDisk);
}

Status WriteLevelIfUnchanged(const QString &path, std::int32_t levelOffset,
                             const LevelMap &expected, const LevelMap &map, bool &written)
{
    return FileAccess::writeAtIfUnchanged(path, levelOffset, expected.bytes(), map.bytes(),
                                          FileAccess::Flush::ToDisk, written);
}

} // namespace LevelAccess
