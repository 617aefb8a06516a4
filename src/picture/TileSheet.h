// Tile sheets read back into tile graphics: a picture laid out as Render::tileSheet draws it (16
// tiles a row, the first at the top left), edited in any pixel editor. Every reason names no
// file: the caller adds the sheet's name.
#pragma once

#include "base/Status.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>
#include <vector>

namespace TileSheet {

// The sheet's scale and number of tiles, told from its size. Every row holds 16 tiles, so the
// width alone gives the scale (128 pixels a scale step) and no size fits two scales;
// givenScale, when not 0, must agree. The height is whole rows of tiles, at most the 16 of a
// full sheet.
Status layout(const QSize &size, int givenScale, int &scale, int &tiles);

// Reads the sheet at path, refusing it for its declared size before any pixel is decoded, and
// for pixels that point past a short palette. On failure picture is unchanged.
Status read(const QString &path, int givenScale, QImage &picture);

// Every pixel of the picture as its shade 0..3, row after row. Fails at the first pixel, in
// reading order, that is not opaque or (unless nearest) not exactly one of the four shades;
// moved counts the pixels nearest changed.
Status shadesOf(const QImage &picture, bool nearest, std::vector<std::uint8_t> &shades,
                qsizetype &moved);

// The graphics of the sheet's count tiles, 16 bytes each, in sheet order, from its shades (width
// pixels a row). At a scale above 1 every tile pixel is a scale x scale block of one shade; the
// first block that is not fails.
Status encode(const std::vector<std::uint8_t> &shades, int width, int scale, int count,
              QByteArray &tiles);

} // namespace TileSheet
