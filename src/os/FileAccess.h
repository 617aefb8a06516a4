// Single-access binary file I/O: every call opens the file, moves one item and closes it again.
// One half per platform (FileAccessPosix.cpp, FileAccessWindows.cpp) behind the same rules: only
// a regular file is read or written, never a folder, device or pipe, and every failure comes
// back with the system's reason.
#pragma once

#include "base/Status.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <span>

namespace FileAccess {

// Whether writeAt returns as soon as the bytes are handed to the system, or only once they
// are on disk.
enum class Flush { No, ToDisk };

// Reads out.size() bytes starting at the 0-based offset. The whole span must lie inside the
// file: a short file is an error, never a partial read. The file must be a regular file; a
// directory, FIFO or device is refused without blocking on it.
Status readAt(const QString &path, std::int64_t offset, std::span<std::uint8_t> out);

// Reads a whole regular file, as long as it is when opened, in one access. On failure bytes
// is unchanged. The caller sees to it that the file is not too large to hold in memory.
Status readAll(const QString &path, QByteArray &bytes);

// Writes data at the 0-based offset, in place. The span must lie wholly inside the file as it
// is: a write never extends or truncates the image. With Flush::ToDisk the bytes are on disk
// (fdatasync, FlushFileBuffers) before the call reports success. Other programs may hold the file
// open meanwhile (an emulator running the image): the access shares it with them.
Status writeAt(const QString &path, std::int64_t offset, std::span<const std::uint8_t> data,
               Flush flush);

// writeAt, when the span holds expected: in the same access the span is read first, and data is
// written only if it matches. On success, written tells which happened; a mismatch is no
// failure. A save uses it to leave alone a level another program changed since it was read.
Status writeAtIfUnchanged(const QString &path, std::int64_t offset,
                          std::span<const std::uint8_t> expected,
                          std::span<const std::uint8_t> data, Flush flush, bool &written);

// Succeeds if bytes offset .. offset + length - 1 lie inside a file of fileSize bytes; the
// failure says so in the words readAt and writeAt use ("the file is 4 bytes long, too short to
// read bytes 0x11001..0x12000"). verb is "read" or "write".
Status checkSpan(std::int64_t fileSize, std::int64_t offset, std::size_t length, const char *verb);

// A seam for tests: the hook sees every system call an access makes and may make it fail by
// returning an errno value (0 lets the call proceed). Only tests install one. On Windows the
// call fails with the system error that stands for that errno value.
enum class Op { Open, Read, Write, Sync, Close };
using FaultHook = std::function<int(Op)>;
void setFaultHook(FaultHook hook);

// The reason a failure with this errno value is reported with, in the system's own words
// ("No such file or directory", "The system cannot find the file specified").
QString describe(int error);

// Whether the system takes the name for a device on its own ("NUL", "CON", "COM1:", "\\.\NUL"
// on Windows, in any folder); always false on Linux, where a device is a file of its own kind.
bool namesDevice(const QString &path);

} // namespace FileAccess
