// Single-access binary file I/O over POSIX calls, so that every failure keeps its errno.
#include "FileAccess.h"
#include "FileAccessFaults.h"
#include "Hex.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileAccess {
namespace {

// A system call's result, or the failure a test injects in its place: -1 with errno set, just
// as the call itself fails. Callers check both with the same code, so a test of an injected
// fault also tests the check of the real call.
template<typename Call> auto attempt(Op op, Call call) -> decltype(call())
{
    if (const int e = injectedFault(op)) {
        errno = e;
        return -1;
    }
    return call();
}

QString reasonFor(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Owns one descriptor for the length of one access; closing is part of the access, so a
// failed close of a written file is reported too.
class Handle
{
public:
    Handle() = default;
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    Status open(const QString &path, int flags)
    {
        if (path.isEmpty())
            return Status::failure(QStringLiteral("no file name was given"));
        const QByteArray name = QFile::encodeName(path);
        // O_NONBLOCK keeps a FIFO from blocking the editor until a writer appears; the file
        // type check below then refuses it.
        do {
            m_fd = attempt(Op::Open, [&] {
                return ::open(name.constData(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
            });
        } while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0)
            return Status::failure(reasonFor(errno));
        struct stat info
        {
        };
        if (::fstat(m_fd, &info) != 0)
            return Status::failure(reasonFor(errno));
        if (S_ISDIR(info.st_mode))
            return Status::failure(QStringLiteral("it is a directory, not a ROM image"));
        if (!S_ISREG(info.st_mode))
            return Status::failure(QStringLiteral("it is not a regular file"));
        m_size = info.st_size;
        return {};
    }

    Status close()
    {
        const int fd = m_fd;
        m_fd = -1;
        // The descriptor is released even when a test injects a failure, so that no access
        // leaves one open.
        const int closed = ::close(fd);
        if (attempt(Op::Close, [closed] { return closed; }) != 0 && errno != EINTR)
            return Status::failure(reasonFor(errno));
        return {};
    }

    int fd() const { return m_fd; }
    std::int64_t size() const { return m_size; }

private:
    int m_fd = -1;
    std::int64_t m_size = 0;
};

} // namespace

QString describe(int error)
{
    return reasonFor(error);
}

namespace {

// Fills out from the open file, starting at offset, however many reads that takes.
Status readSpan(const Handle &file, std::int64_t offset, std::span<std::uint8_t> out)
{
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = attempt(Op::Read, [&] {
            return ::pread(file.fd(), out.data() + done, out.size() - done,
                           offset + static_cast<std::int64_t>(done));
        });
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Status::failure(reasonFor(errno));
        if (n == 0) // the file shrank between the size check and the read
            return Status::failure(QStringLiteral("the file ended before byte %1")
                                       .arg(Hex::number(offset + static_cast<std::int64_t>(done))));
        done += static_cast<std::size_t>(n);
    }
    return {};
}

} // namespace

Status readAt(const QString &path, std::int64_t offset, std::span<std::uint8_t> out)
{
    Handle file;
    if (Status r = file.open(path, O_RDONLY); !r)
        return r;
    if (Status r = checkSpan(file.size(), offset, out.size(), "read"); !r)
        return r;
    if (Status r = readSpan(file, offset, out); !r)
        return r;
    return file.close();
}

Status readAll(const QString &path, QByteArray &bytes)
{
    Handle file;
    if (Status r = file.open(path, O_RDONLY); !r)
        return r;
    QByteArray read(static_cast<qsizetype>(file.size()), Qt::Uninitialized);
    const std::span<std::uint8_t> out(reinterpret_cast<std::uint8_t *>(read.data()),
                                      static_cast<std::size_t>(read.size()));
    if (Status r = readSpan(file, 0, out); !r)
        return r;
    if (Status r = file.close(); !r)
        return r;
    bytes = std::move(read);
    return {};
}

Status writeAt(const QString &path, std::int64_t offset, std::span<const std::uint8_t> data,
               Flush flush)
{
    Handle file;
    // No O_CREAT and no O_TRUNC: a save changes bytes of an existing image and nothing else.
    if (Status r = file.open(path, O_WRONLY); !r)
        return r;
    if (Status r = checkSpan(file.size(), offset, data.size(), "write"); !r)
        return r;
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = attempt(Op::Write, [&] {
            return ::pwrite(file.fd(), data.data() + done, data.size() - done,
                            offset + static_cast<std::int64_t>(done));
        });
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Status::failure(reasonFor(n < 0 ? errno : EIO));
        done += static_cast<std::size_t>(n);
    }
    if (flush == Flush::ToDisk && attempt(Op::Sync, [&] { return ::fdatasync(file.fd()); }) != 0)
        return Status::failure(reasonFor(errno));
    return file.close();
}

} // namespace FileAccess
