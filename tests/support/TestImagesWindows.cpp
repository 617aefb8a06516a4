// The test helpers that ask the system itself, on Windows.
#include "TestImages.h"
#include "os/WindowsFiles.h"

#include <QDir>

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

bool namesDevice(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    wchar_t full[1024];
    const DWORD length
        = GetFullPathNameW(reinterpret_cast<const wchar_t *>(native.utf16()), 1024, full, nullptr);
    return length > 0 && length < 1024
        && WindowsFiles::namesDevice(QString::fromWCharArray(full, length));
}

} // namespace TestImages
