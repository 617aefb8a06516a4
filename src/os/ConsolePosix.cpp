// The standard streams on Linux: UTF-8 bytes, whatever the stream leads to.
#include "Console.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace Console {

Status write(Stream stream, QByteArrayView utf8)
{
    std::FILE *file = stream == Stream::Output ? stdout : stderr;
    const auto size = static_cast<std::size_t>(utf8.size());
    errno = 0;
    // A write that fails part-way leaves nothing for fflush to report, so the stream's error
    // flag is asked as well: a full disk under "> file" must not pass for success.
    const bool written = size == 0 || std::fwrite(utf8.data(), 1, size, file) == size;
    if (written && std::fflush(file) == 0 && !std::ferror(file))
        return {};
    return Status::failure(QString::fromLocal8Bit(std::strerror(errno != 0 ? errno : EIO)));
}

} // namespace Console
