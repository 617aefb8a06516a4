// File access over POSIX calls, so that every failure keeps its errno.
#include "FileAccess.h"
#include "FileAccessSystem.h"
#include "base/Hex.h"

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

Status lastFailure()
{
    return Status::failure(reasonFor(errno));
}

} // namespace

bool namesDevice(const QString &)
{
    return false;
}

QString describe(int error)
{
    return reasonFor(error);
}

File::~File()
{
    if (m_native >= 0)
        ::close(static_cast<int>(m_native));
}

Status File::open(const QString &path, Access access)
{
    if (path.isEmpty())
        return Status::failure(QStringLiteral("no file name was given"));
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK keeps a FIFO from blocking the editor until a writer appears; the file type
    // check below then refuses it.
    const int mode = access == Access::Read ? O_RDONLY
        : access == Access::Write           ? O_WRONLY
                                            : O_RDWR;
    const int flags = mode | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = -1;
    do {
        fd = attempt(Op::Open, [&] { return ::open(name.constData(), flags); });
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return lastFailure();
    m_native = fd;
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        return lastFailure();
    if (S_ISDIR(info.st_mode))
        return Status::failure(QStringLiteral("it is a directory, not a ROM image"));
    if (!S_ISREG(info.st_mode))
        return Status::failure(QStringLiteral("it is not a regular file"));
    m_size = info.st_size;
    return {};
}

Status File::close()
{
    const int fd = static_cast<int>(m_native);
    m_native = -1;
    // The descriptor is released even when a test injects a failure, so that no access leaves
    // one open. An interrupted close has released it too: Linux never retries a close.
    const int closed = ::close(fd);
    if (attempt(Op::Close, [closed] { return closed; }) != 0 && errno != EINTR)
        return lastFailure();
    return {};
}

Status File::read(std::int64_t offset, std::span<std::uint8_t> out) const
{
    std::size_t done = 0;
    while (done < out.size()) {
        const std::int64_t from = offset + static_cast<std::int64_t>(done);
        const ssize_t n = attempt(Op::Read, [&] {
            return ::pread(static_cast<int>(m_native), out.data() + done, out.size() - done, from);
        });
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return lastFailure();
        if (n == 0) // the file shrank between the size check and the read
            return Status::failure(
                QStringLiteral("the file ended before byte %1").arg(Hex::number(from)));
        done += static_cast<std::size_t>(n);
    }
    return {};
}

Status File::write(std::int64_t offset, std::span<const std::uint8_t> data) const
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = attempt(Op::Write, [&] {
            return ::pwrite(static_cast<int>(m_native), data.data() + done, data.size() - done,
                            offset + static_cast<std::int64_t>(done));
        });
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Status::failure(reasonFor(n < 0 ? errno : EIO));
        done += static_cast<std::size_t>(n);
    }
    return {};
}

Status File::flush() const
{
    if (attempt(Op::Sync, [&] { return ::fdatasync(static_cast<int>(m_native)); }) != 0)
        return lastFailure();
    return {};
}

} // namespace FileAccess
