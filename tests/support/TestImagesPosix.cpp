// The test helpers that ask the system itself, on Linux.
#include "TestImages.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace TestImages {

int openDescriptors()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                                .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                                .size());
}

QString makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
}

QString device()
{
    return QStringLiteral("/dev/zero");
}

} // namespace TestImages
