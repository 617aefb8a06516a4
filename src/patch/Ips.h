// IPS patches: "PATCH", records of offset + size + bytes (or a run of one byte), "EOF".
#pragma once

#include "base/Status.h"

#include <QByteArray>
#include <QByteArrayView>

namespace Ips {

// Record offsets are three bytes; no record may start at or beyond this.
inline constexpr qsizetype kAddressLimit = 0x1000000;

// True if the bytes begin like an IPS patch.
bool isIps(QByteArrayView patch);

// The patch that turns original into edited. An edited image shorter than the original is
// recorded with the common truncation extension: three more bytes after "EOF" giving the new
// length. An edited image of more than 16 MiB is refused, as its end cannot be addressed.
Status make(QByteArrayView original, QByteArrayView edited, QByteArray &patch);

// Applies the patch to original. The whole patch is checked as it is read: records that run
// past the patch's end, a missing "EOF", empty runs and anything after "EOF" other than a
// truncation length are refused. A record past the image's end grows the image, the gap
// zero-filled; a truncation length beyond the image changes nothing. On failure output is
// unchanged.
Status apply(QByteArrayView original, QByteArrayView patch, QByteArray &output);

} // namespace Ips
