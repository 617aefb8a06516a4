// What both platforms' file access share: the span check and the fault seam.
#include "FileAccess.h"

#include "FileAccessFaults.h"
#include "Hex.h"

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

} // namespace FileAccess
