// Choosing the format of a patch from its first bytes.
#include "Patch.h"

#include "Bps.h"
#include "Ips.h"

namespace Patch {

Status apply(QByteArrayView original, QByteArrayView patch, QByteArray &output)
{
    if (Ips::isIps(patch))
        return Ips::apply(original, patch, output);
    if (Bps::isBps(patch))
        return Bps::apply(original, patch, output);
    return Status::failure(
        QStringLiteral("it is neither an IPS patch (\"PATCH\") nor a BPS patch (\"BPS1\")"));
}

} // namespace Patch
