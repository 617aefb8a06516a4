// Text for the person at the terminal, on the standard output and error streams.
#pragma once

#include "base/Status.h"

#include <QByteArrayView>

namespace Console {

enum class Stream { Output, Error };

// Writes utf8 to the stream, whole and flushed. A Windows console is given the characters
// themselves, so that a name like "Léa's hack.gb" shows as typed whatever the console's code
// page; a file or pipe gets UTF-8 bytes on every platform. A failure (a full disk under
// "> file", a closed pipe) carries the system's reason.
Status write(Stream stream, QByteArrayView utf8);

} // namespace Console
