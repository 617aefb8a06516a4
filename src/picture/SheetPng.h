// Reading a tile sheet's PNG with bounded work: the size its header declares is checked before
// any pixel is decoded, and the file is read only as far as the picture's pixels need.
#pragma once

#include "base/Status.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

namespace SheetPng {

// Reads the picture at path. fits sees the size the header declares, before anything else
// is read; its failure is returned as it is. Only the pixel data the picture needs is taken
// from the file: data that runs on past it (however much it would inflate to) is never read,
// and chunks that do not change the pixels are skipped unread. The decoder's own reasons
// ("its image data is damaged: ...") reach the returned failure, and nothing is printed.
// paletteSize is the true size of a palette shorter than its bit depth allows (0 to 255), and
// -1 otherwise: such a palette is read filled out with black, so that the caller can find the
// pixels that point past it by their index. On failure picture is unchanged; the reason names
// no file.
Status read(const QString &path, const std::function<Status(QSize)> &fits, QImage &picture,
            int &paletteSize);

} // namespace SheetPng
