// A patch of either format, told apart by its first bytes, as every command that reads one
// takes it.
#pragma once

#include "base/Status.h"

#include <QByteArray>
#include <QByteArrayView>

namespace Patch {

// Applies an IPS patch ("PATCH") or a BPS patch ("BPS1") to original. The patch is checked
// through before output is set; on failure output is unchanged and the reason names no file.
Status apply(QByteArrayView original, QByteArrayView patch, QByteArray &output);

} // namespace Patch
