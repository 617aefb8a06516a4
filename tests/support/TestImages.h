// ROM images for tests, built byte by byte, and the pixels the editor should draw from them.
#pragma once

#include "rom/RomLayout.h"

#include <QByteArray>
#include <QImage>
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

// The 16 x 16 picture the editor draws for a tile's 16 bytes, in the four standard shades.
QImage expectedTile(const std::array<std::uint8_t, 16> &bytes);
std::array<std::uint8_t, 16> tileBytesOf(const QByteArray &image, int tile);

// The open file descriptors of this process, to prove no access leaves one behind.
int openDescriptors();

} // namespace TestImages
