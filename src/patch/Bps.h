// BPS patches: "BPS1", sizes, copy and read actions, then CRC32s of source, target and patch.
#pragma once

#include "base/Status.h"

#include <QByteArray>
#include <QByteArrayView>

namespace Bps {

// The largest target a patch may declare; a larger one can only be a corrupt size field.
inline constexpr quint64 kMaxTarget = 256 * 1024 * 1024;

// True if the bytes begin like a BPS patch.
bool isBps(QByteArrayView patch);

// The patch that turns original into edited, of any lengths: bytes found elsewhere in the
// original or earlier in edited are copied from there (BpsEncoder), and it is never larger than
// makeInPlace's.
Status make(QByteArrayView original, QByteArrayView edited, QByteArray &patch);

// The patch without copies from elsewhere: unchanged stretches at the same offset become source
// reads, changed ones target reads, and runs of one repeated byte a target copy of the byte
// before.
Status makeInPlace(QByteArrayView original, QByteArrayView edited, QByteArray &patch);

// Applies the patch to original. The patch's own CRC is checked first, then that original is
// the image it was made for (size and CRC), then every action's bounds, then the result's
// CRC. On failure output is unchanged.
Status apply(QByteArrayView original, QByteArrayView patch, QByteArray &output);

} // namespace Bps
