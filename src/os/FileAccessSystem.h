// Inside file access: what each platform's half (FileAccessPosix.cpp, FileAccessWindows.cpp)
// gives the shared rules in FileAccess.cpp.
#pragma once

#include "FileAccess.h"

#include <cstdint>
#include <span>

namespace FileAccess {

// The errno value a test wants this call to fail with, or 0.
int injectedFault(Op op);

// One open regular file for the length of one access; closing is part of the access, so a
// failed close of a written file is reported too. Dropped unclosed (after a failure), it is
// closed quietly.
class File
{
public:
    enum class Access { Read, Write, ReadWrite };

    File() = default;
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    ~File();

    // Opens an existing regular file; a folder, device, pipe or FIFO is refused without
    // blocking on it.
    Status open(const QString &path, Access access);
    Status close();
    std::int64_t size() const { return m_size; }

    // Fills out from offset, however many calls that takes; a file that ends first is a
    // failure.
    Status read(std::int64_t offset, std::span<std::uint8_t> out) const;
    Status write(std::int64_t offset, std::span<const std::uint8_t> data) const;
    // The written bytes on disk.
    Status flush() const;

private:
    std::intptr_t m_native = -1; // a descriptor, or a HANDLE; -1 is neither
    std::int64_t m_size = 0;
};

#ifdef Q_OS_WIN
// Writes bytes to a name the system takes for a device, as it is, through the system's own
// handle (Qt's file engine would make "\\?\\\.\NUL" of "NUL").
Status writeDevice(const QString &path, QByteArrayView bytes);
#endif

} // namespace FileAccess
