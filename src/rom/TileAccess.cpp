// Tile graphics access: one open, one transfer and one close per call.
#include "TileAccess.h"

#include "RomLayout.h"
#include "os/FileAccess.h"

namespace TileAccess {

Status readTiles(const QString &path, int first, int count, QByteArray &bytes)
{
    QByteArray read(count * RomLayout::kTileBytes, Qt::Uninitialized);
    Status result = FileAccess::readAt(
        path, RomLayout::tileOffset(first),
        { reinterpret_cast<std::uint8_t *>(read.data()), static_cast<std::size_t>(read.size()) });
    if (result)
        bytes = std::move(read);
    return result;
}

} // namespace TileAccess
