// Whole-file reads with size checks, and writes through QSaveFile.
#include "ImageFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

namespace ImageFile {
namespace {

constexpr int kPngQuality = 50;

FileAccess::Result commit(QSaveFile &file)
{
    if (!file.commit())
        return FileAccess::Result::failure(file.errorString());
    return {};
}

FileAccess::Result openForSaving(QSaveFile &file)
{
    if (file.fileName().isEmpty())
        return FileAccess::Result::failure(QStringLiteral("no file name was given"));
    if (QFileInfo(file.fileName()).isDir())
        return FileAccess::Result::failure(QStringLiteral("it is a directory"));
    if (!file.open(QIODevice::WriteOnly))
        return FileAccess::Result::failure(file.errorString());
    return {};
}

} // namespace

FileAccess::Result load(const QString &path, QByteArray &bytes)
{
    const QFileInfo info(path);
    if (path.isEmpty())
        return FileAccess::Result::failure(QStringLiteral("no file name was given"));
    if (!info.exists())
        return FileAccess::Result::failure(QStringLiteral("No such file or directory"));
    if (info.isDir())
        return FileAccess::Result::failure(QStringLiteral("it is a directory"));
    if (!info.isFile())
        return FileAccess::Result::failure(QStringLiteral("it is not a regular file"));
    if (info.size() > kMaxFileBytes)
        return FileAccess::Result::failure(
            QStringLiteral("it is %1 bytes long, more than the %2 MiB the tool reads")
                .arg(info.size())
                .arg(kMaxFileBytes / (1024 * 1024)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileAccess::Result::failure(file.errorString());
    QByteArray read = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return FileAccess::Result::failure(file.errorString());
    if (read.size() != info.size())
        return FileAccess::Result::failure(QStringLiteral("it changed size while being read"));
    bytes = std::move(read);
    return {};
}

FileAccess::Result save(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (FileAccess::Result opened = openForSaving(file); !opened)
        return opened;
    if (file.write(bytes) != bytes.size())
        return FileAccess::Result::failure(file.errorString());
    return commit(file);
}

FileAccess::Result savePng(const QString &path, const QImage &picture)
{
    QSaveFile file(path);
    if (FileAccess::Result opened = openForSaving(file); !opened)
        return opened;
    QImageWriter writer(&file, "png");
    // A middle compression level: the file is about a third larger than at Qt's default and
    // written in half the time, which keeps a contact sheet well inside a tenth of a second.
    writer.setQuality(kPngQuality);
    if (!writer.write(picture)) {
        file.cancelWriting();
        return FileAccess::Result::failure(writer.errorString());
    }
    return commit(file);
}

bool sameFile(const QString &a, const QString &b)
{
    const QString canonicalA = QFileInfo(a).canonicalFilePath();
    return !canonicalA.isEmpty() && canonicalA == QFileInfo(b).canonicalFilePath();
}

} // namespace ImageFile
