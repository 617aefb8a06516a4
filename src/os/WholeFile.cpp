// Whole-file reads with size checks, and writes through QSaveFile (or into a device as it is).
#include "WholeFile.h"

#include "FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace WholeFile {
namespace {

// Qt reports a short write as a count, not as an error: only the next write meets the full
// disk and sets the system's reason ("No space left on device"). So the rest is written until
// every byte is in or a write fails.
Status writeAll(QFileDevice &file, QByteArrayView bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return Status::failure(file.errorString());
        done += written;
    }
    return {};
}

// A pipe or device is written to as it is, as cp and shell redirection do: renaming a
// temporary file over it would put a plain file in place of /dev/null or of someone's FIFO.
Status writeInPlace(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Status::failure(file.errorString());
    Status written = writeAll(file, bytes);
    file.close();
    if (written && file.error() != QFileDevice::NoError)
        return Status::failure(file.errorString());
    return written;
}

} // namespace

Status check(const QString &path, qint64 &size)
{
    const QFileInfo info(path);
    if (path.isEmpty())
        return Status::failure(QStringLiteral("no file name was given"));
    if (!info.exists())
        return Status::failure(FileAccess::describe(ENOENT)); // in the system's own words
    if (info.isDir())
        return Status::failure(QStringLiteral("it is a directory"));
    if (!info.isFile())
        return Status::failure(QStringLiteral("it is not a regular file"));
    if (info.size() > kMaxFileBytes)
        return Status::failure(
            QStringLiteral("it is %1 bytes long, more than the %2 MiB the tool reads")
                .arg(info.size())
                .arg(kMaxFileBytes / (1024 * 1024)));
    size = info.size();
    return {};
}

Status load(const QString &path, QByteArray &bytes)
{
    qint64 size = 0;
    if (Status checked = check(path, size); !checked)
        return checked;
    // check() words the tool's refusals; the read itself goes through the same file layer as
    // the editor's, one open, one transfer, one close.
    QByteArray read;
    if (Status done = FileAccess::readAll(path, read); !done)
        return done;
    if (read.size() != size)
        return Status::failure(QStringLiteral("it changed size while being read"));
    bytes = std::move(read);
    return {};
}

Status save(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty())
        return Status::failure(QStringLiteral("no file name was given"));
    const QFileInfo info(path);
    if (info.isDir())
        return Status::failure(QStringLiteral("it is a directory"));
    if (info.exists() && !info.isFile())
        return writeInPlace(path, bytes);
    // Unbuffered, so that every write reaches the system and its failure is seen there, not
    // later in a commit that would forget the reason.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Status::failure(file.errorString());
    if (Status written = writeAll(file, bytes); !written)
        return written;
    if (!file.commit())
        return Status::failure(file.errorString());
    return {};
}

bool sameFile(const QString &a, const QString &b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

} // namespace WholeFile
