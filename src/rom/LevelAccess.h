// Reading and writing level maps in the ROM image.
#pragma once

#include "LevelMap.h"
#include "os/FileAccess.h"

#include <QString>

#include <cstdint>

namespace LevelAccess {

// Reads one cell of the level whose map starts at levelOffset.
Status ReadCell(const QString &path, std::int32_t levelOffset, int column, int row,
                std::uint8_t &tile);

// Writes one cell of the level whose map starts at levelOffset, changing that byte only.
Status WriteCell(const QString &path, std::int32_t levelOffset, int column, int row,
                 std::uint8_t tile);

// Reads a whole level map in one access. On failure map is unchanged, so a failed load never
// leaves half a level in memory.
Status ReadLevel(const QString &path, std::int32_t levelOffset, LevelMap &map);

// Writes a whole level map in one access and flushes it to disk. The image must already reach
// the level's last byte; it is refused before anything is written otherwise, so a save never
// leaves half a level behind and never extends the file.
Status WriteLevel(const QString &path, std::int32_t levelOffset, const LevelMap &map);

// WriteLevel, in the same one access, only if the file still holds expected there; written
// tells whether it did. The window's save passes the map it last read or wrote there, so a
// change another program made since is never silently overwritten.
Status WriteLevelIfUnchanged(const QString &path, std::int32_t levelOffset,
                             const LevelMap &expected, const LevelMap &map, bool &written);

} // namespace LevelAccess
