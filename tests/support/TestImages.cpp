// Test images whose every byte follows a known rule.
#include "TestImages.h"

#include "rom/TileGraphics.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace TestImages {

std::uint8_t tileByte(int tile, int index)
{
    // Distinct for every (tile, index) pair that matters, and all four shades occur.
    return static_cast<std::uint8_t>((tile * 7 + index * 13 + (index & 1) * 0x55) & 0xFF);
}

std::uint8_t cellByte(int level, int column, int row)
{
    // Tile numbers 0..95, different in every level.
    return static_cast<std::uint8_t>((level * 11 + column * 3 + row * 5) % 96);
}

QByteArray patterned()
{
    QByteArray bytes(128 * 1024, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 31 + 7) & 0xFF);
    for (int tile = 0; tile < RomLayout::kTileCount; ++tile) {
        for (int index = 0; index < RomLayout::kTileBytes; ++index)
            bytes[RomLayout::tileOffset(tile) + index] = static_cast<char>(tileByte(tile, index));
    }
    for (int level = 1; level <= RomLayout::kLevelCount; ++level) {
        for (int row = 0; row < RomLayout::kLevelRows; ++row) {
            for (int column = 0; column < RomLayout::kLevelColumns; ++column) {
                bytes[RomLayout::levelOffset(level) + RomLayout::cellIndex(column, row)]
                    = static_cast<char>(cellByte(level, column, row));
            }
        }
    }
    return bytes;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

namespace {
const char *const kXdgFolders[]
    = { "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS" };
} // namespace

bool setDesktopProgram(const QString &folder, const QString &id, const QByteArray &exec)
{
    QDir applications(folder + QStringLiteral("/applications"));
    if (!applications.removeRecursively() || !QDir().mkpath(applications.path()))
        return false;
    for (const char *name : kXdgFolders)
        qputenv(name, QFile::encodeName(folder));
    if (id.isEmpty())
        return !QFile::exists(folder + "/mimeapps.list")
            || QFile::remove(folder + "/mimeapps.list");
    return write(folder + "/mimeapps.list",
                 "[Default Applications]\napplication/x-gameboy-rom=" + id.toUtf8() + '\n')
        && write(applications.filePath(id),
                 "[Desktop Entry]\nType=Application\nExec=" + exec + '\n');
}

void unsetDesktop()
{
    for (const char *name : kXdgFolders)
        qunsetenv(name);
}

QByteArray withLevel(QByteArray image, int level, const LevelMap &map)
{
    image.replace(
        RomLayout::levelOffset(level), RomLayout::kLevelBytes,
        QByteArray(reinterpret_cast<const char *>(map.bytes().data()), RomLayout::kLevelBytes));
    return image;
}

QImage expectedTile(const std::array<std::uint8_t, 16> &bytes)
{
    constexpr int kCell = TileGraphics::kCellPixels;
    QImage image(kCell, kCell, QImage::Format_RGB32);
    for (int y = 0; y < kCell; ++y) {
        for (int x = 0; x < kCell; ++x) {
            const int row = y / TileGraphics::kScreenScale;
            const int bit = 7 - x / TileGraphics::kScreenScale;
            const int value = ((bytes[2 * row] >> bit) & 1) + 2 * ((bytes[2 * row + 1] >> bit) & 1);
            image.setPixel(x, y, TileGraphics::argbOf(TileGraphics::kShades[value]));
        }
    }
    return image;
}

std::array<std::uint8_t, 16> tileBytesOf(const QByteArray &image, int tile)
{
    std::array<std::uint8_t, 16> bytes {};
    for (int i = 0; i < 16; ++i)
        bytes[i] = static_cast<std::uint8_t>(image.at(RomLayout::tileOffset(tile) + i));
    return bytes;
}

QByteArray entryAt(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return "link to " + QFile::encodeName(info.symLinkTarget());
    if (!info.exists())
        return {};
    if (info.isFile())
        return "file " + read(path);
    return info.isDir() ? "directory" : "other";
}

QMap<QString, QByteArray> entriesUnder(const QString &root)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        entries.insert(QDir(root).relativeFilePath(path), entryAt(path));
    }
    return entries;
}

} // namespace TestImages
