// The BPS encoder that copies: bytes found elsewhere in the original, or earlier in the edited
// image, become one copy action instead of target bytes.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace BpsEncoder {

// Appends to out the actions (everything between a BPS patch's header and its CRCs) that turn
// original into edited. Stretches unchanged at their own offset are source reads; the rest is
// matched against a suffix array of the original and of the edited image's changed stretches,
// and each match long enough to pay for itself becomes a source or target copy. False, with out
// untouched, when the original and the edited image's new stretches together exceed 64 MiB.
bool actions(QByteArrayView original, QByteArrayView edited, QByteArray &out);

} // namespace BpsEncoder
