// What both platforms' file access share: the rules of an access, the span check and the
// fault seam. The system calls are in FileAccessPosix.cpp and FileAccessWindows.cpp.
#include "FileAccess.h"

#include "FileAccessSystem.h"
#include "base/Hex.h"

#include <algorithm>
#include <vector>

namespace FileAccess {
namespace {

FaultHook &faultHook()
{
    static FaultHook hook;
    return hook;
}

} // namespace

int injectedFault(Op op)
{
    const FaultHook &hook = faultHook();
    return hook ? hook(op) : 0;
}

void setFaultHook(FaultHook hook)
{
    faultHook() = std::move(hook);
}

Status checkSpan(std::int64_t fileSize, std::int64_t offset, std::size_t length, const char *verb)
{
    const auto end = offset + static_cast<std::int64_t>(length);
    if (offset < 0 || end > fileSize) {
        return Status::failure(
            QStringLiteral("the file is %1 bytes long, too short to %2 bytes "
                           "%3..%4")
                .arg(fileSize)
                .arg(QLatin1String(verb), Hex::number(offset), Hex::number(end - 1)));
    }
    return {};
}

Status readAt(const QString &path, std::int64_t offset, std::span<std::uint8_t> out)
{
    File file;
    if (Status r = file.open(path, File::Access::Read); !r)
        return r;
    if (Status r = checkSpan(file.size(), offset, out.size(), "read"); !r)
        return r;
    if (Status r = file.read(offset, out); !r)
        return r;
    return file.close();
}

Status readAll(const QString &path, QByteArray &bytes)
{
    File file;
    if (Status r = file.open(path, File::Access::Read); !r)
        return r;
    QByteArray read(static_cast<qsizetype>(file.size()), Qt::Uninitialized);
    const std::span<std::uint8_t> out(reinterpret_cast<std::uint8_t *>(read.data()),
                                      static_cast<std::size_t>(read.size()));
    if (Status r = file.read(0, out); !r)
        return r;
    if (Status r = file.close(); !r)
        return r;
    bytes = std::move(read);
    return {};
}

Status writeAt(const QString &path, std::int64_t offset, std::span<const std::uint8_t> data,
               Flush flush)
{
    bool written = false;
    return writeAtIfUnchanged(path, offset, {}, data, flush, written);
}

Status writeAtIfUnchanged(const QString &path, std::int64_t offset,
                          std::span<const std::uint8_t> expected,
                          std::span<const std::uint8_t> data, Flush flush, bool &written)
{
    Q_ASSERT(expected.empty() || expected.size() == data.size());
    written = false;
    File file;
    // An existing file, not truncated: a save changes bytes of an image and nothing else.
    if (Status r
        = file.open(path, expected.empty() ? File::Access::Write : File::Access::ReadWrite);
        !r)
        return r;
    if (Status r = checkSpan(file.size(), offset, data.size(), "write"); !r)
        return r;
    if (!expected.empty()) {
        std::vector<std::uint8_t> found(expected.size());
        if (Status r = file.read(offset, found); !r)
            return r;
        if (!std::equal(found.begin(), found.end(), expected.begin()))
            return file.close();
    }
    written = true;
    if (Status r = file.write(offset, data); !r)
        return r;
    if (flush == Flush::ToDisk) {
        if (Status r = file.flush(); !r)
            return r;
    }
    return file.close();
}

} // namespace FileAccess
