// The standard streams on Windows: a console takes UTF-16 characters through WriteConsoleW,
// since the bytes the C runtime writes are read in the console's code page (an OEM one, which
// turns UTF-8 and ANSI text alike into other letters); a file or pipe takes UTF-8 bytes.
#include "Console.h"
#include "WindowsReason.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace Console {
namespace {

// One call moves at most this many characters; a surrogate pair is never split.
constexpr qsizetype kChunk = 4096;

Status writeToConsole(HANDLE console, const QString &text)
{
    qsizetype done = 0;
    while (done < text.size()) {
        qsizetype chunk = std::min(text.size() - done, kChunk);
        if (done + chunk < text.size() && text.at(done + chunk - 1).isHighSurrogate())
            --chunk;
        DWORD n = 0;
        if (!WriteConsoleW(console, text.utf16() + done, static_cast<DWORD>(chunk), &n, nullptr))
            return Status::failure(windowsReason(GetLastError()));
        if (n == 0)
            return Status::failure(windowsReason(ERROR_WRITE_FAULT));
        done += static_cast<qsizetype>(n);
    }
    return {};
}

} // namespace

Status write(Stream stream, QByteArrayView utf8)
{
    std::FILE *file = stream == Stream::Output ? stdout : stderr;
    const HANDLE handle
        = GetStdHandle(stream == Stream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        std::fflush(file); // what the C runtime still holds goes first
        return writeToConsole(handle, QString::fromUtf8(utf8));
    }
    const auto size = static_cast<std::size_t>(utf8.size());
    errno = 0;
    _doserrno = 0;
    // As on Linux, the error flag catches a write that failed part-way.
    const bool written = size == 0 || std::fwrite(utf8.data(), 1, size, file) == size;
    if (written && std::fflush(file) == 0 && !std::ferror(file))
        return {};
    // The C runtime keeps the system's own error beside errno: its words are Windows' own.
    if (_doserrno != 0)
        return Status::failure(windowsReason(_doserrno));
    return Status::failure(QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO)));
}

} // namespace Console
