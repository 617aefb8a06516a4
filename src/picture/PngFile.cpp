// The PNG encoding of an output, in memory first, then written as any other output.
#include "PngFile.h"

#include "os/WholeFile.h"

#include <QBuffer>
#include <QImageWriter>

namespace PngFile {
namespace {

constexpr int kPngQuality = 50;

} // namespace

Status save(const QString &path, const QImage &picture)
{
    // Encoded in memory first: the PNG writer only knows that a write failed, never why, so the
    // file is written by WholeFile::save, which keeps the system's reason.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // A middle compression level: the file is about a third larger than at Qt's default and
    // written in half the time, which keeps a contact sheet well inside a tenth of a second.
    writer.setQuality(kPngQuality);
    if (!writer.write(picture))
        return Status::failure(writer.errorString());
    buffer.close();
    return WholeFile::save(path, png);
}

} // namespace PngFile
