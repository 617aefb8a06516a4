// The rules outputs are written by, the same on every platform.
#include "OutputFile.h"

namespace OutputFile {

bool mayFollow(const LinkFacts &link)
{
    return !(link.folderSticky && link.folderWorldWritable) || link.linkOwner == link.follower
        || link.linkOwner == link.folderOwner;
}

Way wayFor(std::uint64_t links, bool ownerKept)
{
    return links == 1 && ownerKept ? Way::Rename : Way::WriteInto;
}

Status writeAll(QFileDevice &file, QByteArrayView bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.data() + done, bytes.size() - done);
        if (written <= 0)
            return Status::failure(file.errorString());
        done += written;
    }
    return {};
}

} // namespace OutputFile
