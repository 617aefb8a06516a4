// The BPS encoder that copies: bytes found elsewhere in the original, or earlier in the edited
// image, become one copy action instead of target bytes.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace BpsEncoder {

// Appends to out the actions (everything between a BPS patch's header and its CRCs) that turn
// original into edited. Stretches unchanged at their own offset, runs of one value and moved
// stretches are found first; the rest is matched against a suffix array of the original and of
// the edited image's remaining stretches. Of all these, the actions chosen are those that cost
// the fewest patch bytes, so a copy keeps running over bytes that also happen to be unchanged in
// place. False, with out untouched, when the original and the edited image's remaining
// stretches together exceed 64 MiB.
bool actions(QByteArrayView original, QByteArrayView edited, QByteArray &out);

} // namespace BpsEncoder
