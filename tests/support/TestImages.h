// ROM images for tests, built byte by byte, and the pixels the editor should draw from them.
#pragma once

#include "rom/LevelMap.h"
#include "rom/RomLayout.h"

#include <QByteArray>
#include <QImage>
#include <QMap>
#include <QString>

#include <array>
#include <cstdint>

namespace TestImages {

// A full-size image (128 KiB) in which tile t's 16 bytes and level L's 340 cells follow simple
// rules, so any byte's expected value is known: tileByte() and cellByte() give them. Bytes
// outside both regions hold a filler pattern.
QByteArray patterned();

std::uint8_t tileByte(int tile, int index);
std::uint8_t cellByte(int level, int column, int row);

// Writes bytes to a new file at path; fails the test on error.
bool write(const QString &path, const QByteArray &bytes);
QByteArray read(const QString &path);

// A private desktop in folder for the lookup of the program for Game Boy images: the four XDG
// folder variables point there and, unless id is empty, the desktop file id, starting exec on
// the file, is its default; with an empty id the folder holds no program. unsetDesktop() puts
// the variables back.
bool setDesktopProgram(const QString &folder, const QString &id, const QByteArray &exec);
void unsetDesktop();

// The image with the map in the given level's place.
QByteArray withLevel(QByteArray image, int level, const LevelMap &map);

// The 16 x 16 picture the editor draws for a tile's 16 bytes, in the four standard shades.
QImage expectedTile(const std::array<std::uint8_t, 16> &bytes);
std::array<std::uint8_t, 16> tileBytesOf(const QByteArray &image, int tile);

// What lies at a path without following a last symbolic link: "file " and its bytes,
// "link to " and its target, "directory", "other", or "" when nothing does.
QByteArray entryAt(const QString &path);

// Everything under a folder, by relative name, as entryAt describes it.
QMap<QString, QByteArray> entriesUnder(const QString &root);

// The open file descriptors (on Windows, handles) of this process, to prove no access leaves
// one behind.
int openDescriptors();

// Something that is no file, for the refusals: a FIFO made at path, or on Windows, whose pipes
// live apart from folders, the name of one ("" on failure); and a device to read from
// ("/dev/zero", "NUL").
QString makeFifo(const QString &path);
QString device();

#ifdef Q_OS_WIN
// Whether this Windows takes path for a device (its full path is "\\.\NAME").
bool namesDevice(const QString &path);
#endif

} // namespace TestImages
