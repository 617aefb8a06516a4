// The test helpers that ask the system itself, on Windows.
#include "TestImages.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace TestImages {

int openDescriptors()
{
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return static_cast<int>(handles);
}

QString makeFifo(const QString &)
{
    return QStringLiteral("\\\\.\\pipe\\dorrik-test");
}

QString device()
{
    return QStringLiteral("NUL");
}

} // namespace TestImages
