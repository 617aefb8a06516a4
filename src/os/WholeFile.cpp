// Whole-file reads with size checks, and the tool's outputs written through OutputFile.
#include "WholeFile.h"

#include "FileAccess.h"
#include "OutputFile.h"

#include <QFileInfo>

#include <cerrno>

namespace WholeFile {

Status check(const QString &path, qint64 &size)
{
    const QFileInfo info(path);
    if (path.isEmpty())
        return Status::failure(QStringLiteral("no file name was given"));
    // Windows' device names (NUL, CON) are no file, whatever folder they are named in.
    if (FileAccess::namesDevice(path))
        return Status::failure(QStringLiteral("it is not a regular file"));
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
    return OutputFile::write(path, bytes);
}

bool sameFile(const QString &a, const QString &b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

} // namespace WholeFile
