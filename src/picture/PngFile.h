// PNG files written the all-or-nothing way every output of Dorrik is written.
#pragma once

#include "base/Status.h"

#include <QImage>
#include <QString>

namespace PngFile {

// Encodes picture as PNG and writes it through WholeFile::save. On failure the reason names
// no file.
Status save(const QString &path, const QImage &picture);

} // namespace PngFile
