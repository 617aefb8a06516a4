// Outputs on Linux: links judged as the kernel judges them, a new file renamed into place when
// nothing is lost by it (QSaveFile, an unnamed temporary file until it is complete), otherwise
// the bytes written into the file itself; the data, then the folder, synced before success.
#include "FileAccess.h"
#include "OutputFile.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace OutputFile {
namespace {

constexpr int kMostLinks = 40; // as many as the kernel follows in one name

Status systemFailure(int error = errno)
{
    return Status::failure(FileAccess::describe(error));
}

QByteArray folderOf(const QByteArray &name)
{
    const qsizetype slash = name.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : name.left(slash);
}

// The name the output is written under once every symbolic link at its end is followed, each
// judged as the kernel would judge it.
Status followLinks(const QString &path, QByteArray &name)
{
    name = QFile::encodeName(path);
    for (int hops = 0; hops < kMostLinks; ++hops) {
        struct stat link
        {
        };
        if (::lstat(name.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
            return {};
        const QByteArray folder = folderOf(name);
        struct stat place
        {
        };
        if (::stat(folder.constData(), &place) != 0)
            return systemFailure();
        if (!mayFollow({ (place.st_mode & S_ISVTX) != 0, (place.st_mode & S_IWOTH) != 0,
                         link.st_uid, place.st_uid, ::geteuid() }))
            return Status::failure(
                QStringLiteral("it is a symbolic link in a sticky folder anyone may write to, "
                               "owned by neither you nor the folder's owner, and such links are "
                               "not followed (the kernel's protected_symlinks rule)"));
        QByteArray to(link.st_size > 0 ? link.st_size + 1 : 4096, '\0');
        const ssize_t length = ::readlink(name.constData(), to.data(), size_t(to.size()));
        if (length < 0)
            return systemFailure();
        to.truncate(length);
        name = to.startsWith('/') ? to : folder + '/' + to;
    }
    return systemFailure(ELOOP);
}

Status syncFolder(const QByteArray &name)
{
    const int folder = ::open(folderOf(name).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return systemFailure();
    const int synced = ::fsync(folder);
    const int error = errno;
    ::close(folder);
    return synced == 0 ? Status {} : systemFailure(error);
}

// Into the file itself, for an output whose other names, owner or group a rename would lose:
// room for every byte is reserved first, so that a full disk is found before any byte changes.
Status writeInto(const QByteArray &name, QByteArrayView bytes)
{
    const int file = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    if (file < 0)
        return systemFailure();
    const auto fail = [file](int error) {
        ::close(file);
        return systemFailure(error);
    };
    if (!bytes.isEmpty()) {
        if (const int error = ::posix_fallocate(file, 0, off_t(bytes.size())); error != 0)
            return fail(error);
    }
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written
            = ::pwrite(file, bytes.data() + done, size_t(bytes.size() - done), off_t(done));
        if (written < 0 && errno != EINTR)
            return fail(errno);
        done += written > 0 ? written : 0;
    }
    if (::ftruncate(file, off_t(bytes.size())) != 0 || ::fsync(file) != 0)
        return fail(errno);
    return ::close(file) == 0 ? Status {} : systemFailure();
}

// A pipe or device is written to as it is, as cp and shell redirection do: renaming a file over
// it would put a plain file in place of /dev/null or of someone's FIFO.
Status writeDevice(const QByteArray &name, QByteArrayView bytes)
{
    const int device = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
    if (device < 0)
        return systemFailure();
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(device, bytes.data() + done, size_t(bytes.size() - done));
        if (written <= 0 && errno != EINTR) {
            const int error = written == 0 ? ENOSPC : errno;
            ::close(device);
            return systemFailure(error);
        }
        done += written > 0 ? written : 0;
    }
    return ::close(device) == 0 ? Status {} : systemFailure();
}

// A new file, renamed over the old one (if any) once it is complete and on disk. old holds what
// the old file was; the new one takes its owner and group, or, where it cannot, the old file is
// written into instead.
Status replace(const QByteArray &name, QByteArrayView bytes, const struct stat *old)
{
    // Unbuffered, so that every write reaches the system and its failure is seen there.
    QSaveFile file(QFile::decodeName(name));
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Status::failure(file.errorString());
    const int handle = file.handle();
    if (old != nullptr) {
        struct stat made
        {
        };
        const bool ownerKept = ::fstat(handle, &made) == 0
            && ((made.st_uid == old->st_uid && made.st_gid == old->st_gid)
                || ::fchown(handle, old->st_uid, old->st_gid) == 0);
        if (wayFor(1, ownerKept) == Way::WriteInto) {
            file.cancelWriting();
            return writeInto(name, bytes);
        }
        // A change of owner drops the set-user and set-group bits: the old mode comes back.
        ::fchmod(handle, old->st_mode & 07777);
    }
    if (Status written = writeAll(file, bytes); !written)
        return written;
    // QSaveFile syncs and closes on commit without a word about either; the sync is made here,
    // where its failure (a network file system reports write errors there) is seen.
    if (::fsync(handle) != 0)
        return systemFailure();
    if (!file.commit())
        return Status::failure(file.errorString());
    return syncFolder(name);
}

} // namespace

Status write(const QString &path, QByteArrayView bytes)
{
    QByteArray name;
    if (Status followed = followLinks(path, name); !followed)
        return followed;
    struct stat old
    {
    };
    if (::stat(name.constData(), &old) != 0) {
        if (errno != ENOENT)
            return systemFailure();
        return replace(name, bytes, nullptr);
    }
    if (S_ISDIR(old.st_mode))
        return Status::failure(QStringLiteral("it is a directory"));
    if (!S_ISREG(old.st_mode))
        return writeDevice(name, bytes);
    if (wayFor(std::uint64_t(old.st_nlink), true) == Way::WriteInto)
        return writeInto(name, bytes);
    return replace(name, bytes, &old);
}

} // namespace OutputFile
