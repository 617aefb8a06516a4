// The Windows file decisions, free of system calls.
#include "WindowsFiles.h"

namespace WindowsFiles {
namespace {

// MAX_PATH less room for a file name: the limit the plain form of a path stops working at.
constexpr qsizetype kPlainPathLimit = 260 - 12;

const QString kDevicePrefix = QStringLiteral("\\\\.\\");
const QString kLongPrefix = QStringLiteral("\\\\?\\");

} // namespace

Kind kindBeforeOpening(std::uint32_t attributes, std::uint32_t reparseTag)
{
    // A mount point or junction carries the folder attribute too.
    if (attributes & kAttributeDirectory)
        return Kind::Folder;
    if (attributes & kAttributeReparsePoint) {
        switch (reparseTag) {
        case kTagAppExecLink:
        case kTagUnixSocket:
        case kTagWslFifo:
        case kTagWslCharDevice:
        case kTagWslBlockDevice:
            return Kind::NotAFile;
        default:
            break;
        }
    }
    return Kind::File;
}

Kind kindOfHandle(std::uint32_t fileType, std::uint32_t attributes)
{
    if (fileType != kFileTypeDisk)
        return Kind::NotAFile;
    return attributes & kAttributeDirectory ? Kind::Folder : Kind::File;
}

bool namesDevice(const QString &fullPath)
{
    return fullPath.startsWith(kDevicePrefix)
        || fullPath.startsWith(kLongPrefix + QLatin1String("GLOBALROOT"), Qt::CaseInsensitive);
}

QString openingForm(const QString &fullPath)
{
    if (fullPath.size() < kPlainPathLimit || fullPath.startsWith(kLongPrefix)
        || fullPath.startsWith(kDevicePrefix))
        return fullPath;
    if (fullPath.startsWith(QLatin1String("\\\\")))
        return kLongPrefix + QLatin1String("UNC\\") + fullPath.mid(2);
    return kLongPrefix + fullPath;
}

} // namespace WindowsFiles
