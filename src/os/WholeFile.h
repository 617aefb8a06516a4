// Whole-file reads of images, level text and patches, and all-or-nothing writes of the files
// the tool makes.
#pragma once

#include "base/Status.h"

#include <QByteArray>
#include <QString>

namespace WholeFile {

// Larger than any Game Boy cartridge by far; a bigger file is refused before it is read, so
// a wrong argument (a disk image, /dev/zero) cannot exhaust memory.
inline constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

// Reads a whole regular file. On failure bytes is unchanged and the reason names no file.
Status load(const QString &path, QByteArray &bytes);

// The checks load makes before it reads, for a reader that takes the file in pieces: it
// exists, is a regular file and holds at most kMaxFileBytes; size is its length.
Status check(const QString &path, qint64 &size);

// Writes bytes to path as OutputFile::write does: all or nothing, through the links the kernel
// would follow, keeping hard links, owner and group, durable before success is reported; a
// device or a pipe (/dev/null, a FIFO, Windows' NUL) is written to as it is. A write that fails
// is reported with the system's reason ("No space left on device").
Status save(const QString &path, const QByteArray &bytes);

// True if both names lead to the same existing file, so that an output can never replace an
// input the tool promises to leave alone.
bool sameFile(const QString &a, const QString &b);

} // namespace WholeFile
