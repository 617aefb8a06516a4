// Outputs on Windows: a name the system takes for a device ("NUL", "CON") is written as it is
// through the system, decided as the editor decides its files; any other through a temporary
// file renamed into place once complete (QSaveFile).
#include "FileAccess.h"
#include "FileAccessSystem.h"
#include "OutputFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace OutputFile {
namespace {

// A pipe is written to as it is: a file renamed over it would take its place.
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

Status write(const QString &path, QByteArrayView bytes)
{
    if (FileAccess::namesDevice(path))
        return FileAccess::writeDevice(path, bytes);
    const QFileInfo info(path);
    if (info.isDir())
        return Status::failure(QStringLiteral("it is a directory"));
    if (info.exists() && !info.isFile())
        return writeInPlace(path, bytes);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Status::failure(file.errorString());
    if (Status written = writeAll(file, bytes); !written)
        return written;
    if (!file.commit())
        return Status::failure(file.errorString());
    return {};
}

} // namespace OutputFile
