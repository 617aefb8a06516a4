// Outputs written as cp, the shell and careful editors keep them: all or nothing, through the
// links the kernel would follow and no others, keeping hard links, owner and group, and durable
// before they are reported written. WholeFile::save writes every output of the tool through it.
#pragma once

#include "base/Status.h"

#include <QByteArrayView>
#include <QFileDevice>
#include <QString>

#include <cstdint>

namespace OutputFile {

// What the kernel looks at before it follows a symbolic link (fs.protected_symlinks): the link
// is followed unless it lies in a sticky, world-writable folder (such as /tmp) and belongs to
// neither the user who follows it nor the folder's owner.
struct LinkFacts
{
    bool folderSticky = false;
    bool folderWorldWritable = false;
    std::uint32_t linkOwner = 0;
    std::uint32_t folderOwner = 0;
    std::uint32_t follower = 0;
};
bool mayFollow(const LinkFacts &link);

// How an existing output is written: a new file renamed over it keeps nothing but the name, so
// that is done only for a regular file with one name whose owner and group the new file can
// take; any other is written into, its room reserved first.
enum class Way { Rename, WriteInto };
Way wayFor(std::uint64_t links, bool ownerKept);

// Writes every byte through a Qt file, for the platform halves: Qt reports a short write as a
// count, not as an error, and only the next write meets the full disk and sets the system's
// reason ("No space left on device"), so the rest is written until all is in or a write fails.
Status writeAll(QFileDevice &file, QByteArrayView bytes);

// Writes bytes to path as above; a device or a pipe is written to as it is and stays what it
// was. The reason of a failure names no file.
Status write(const QString &path, QByteArrayView bytes);

} // namespace OutputFile
