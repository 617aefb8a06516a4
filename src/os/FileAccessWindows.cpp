// File access over the Win32 API: wide paths end to end, positioned reads and writes, and every
// failure with the system's own reason.
#include "FileAccess.h"
#include "FileAccessSystem.h"
#include "WindowsFiles.h"
#include "WindowsReason.h"
#include "base/Hex.h"

#include <QDir>

#include <algorithm>
#include <cerrno>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

QString windowsReason(unsigned long error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString reason = length > 0 ? QString::fromWCharArray(text, static_cast<qsizetype>(length))
                                : QStringLiteral("system error %1").arg(error);
    LocalFree(text);
    // The callers end the sentence themselves.
    reason = reason.trimmed();
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason;
}

namespace FileAccess {
namespace {

// The system error that stands for an errno value a test injects: the one the real failure
// would bring.
DWORD systemErrorFor(int error)
{
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
        return ERROR_ACCESS_DENIED;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case EIO:
        return ERROR_IO_DEVICE;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// A call's success, or the failure a test injects in its place: false with the matching system
// error set, just as the call itself fails, so the same check handles both.
template<typename Call> bool attempt(Op op, Call call)
{
    if (const int e = injectedFault(op)) {
        SetLastError(systemErrorFor(e));
        return false;
    }
    return call();
}

Status lastFailure()
{
    return Status::failure(windowsReason(GetLastError()));
}

const QString kNotRegular = QStringLiteral("it is not a regular file");
const QString kFolder = QStringLiteral("it is a directory, not a ROM image");

Status refusalFor(WindowsFiles::Kind kind)
{
    switch (kind) {
    case WindowsFiles::Kind::File:
        return {};
    case WindowsFiles::Kind::Folder:
        return Status::failure(kFolder);
    case WindowsFiles::Kind::NotAFile:
        break;
    }
    return Status::failure(kNotRegular);
}

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// The full path the system makes of a name: against the current folder, or against a drive's
// own current folder for "C:image.gb"; a name the system takes for a device comes back as
// "\\.\NAME", whatever rules this version of Windows has for them.
Status fullPathOf(const QString &native, QString &full)
{
    DWORD size = GetFullPathNameW(wide(native), 0, nullptr, nullptr);
    for (;;) {
        if (size == 0)
            return lastFailure();
        full.resize(static_cast<qsizetype>(size));
        const DWORD length = GetFullPathNameW(wide(native), size,
                                              reinterpret_cast<wchar_t *>(full.data()), nullptr);
        if (length < size) {
            full.resize(static_cast<qsizetype>(length));
            return length == 0 ? lastFailure() : Status {};
        }
        size = length; // the current folder changed in between: try again with room for it
    }
}

// What the name leads to, checked before anything is opened: a folder, or a reparse point that
// stands for no file (an app's alias, a socket), is refused without touching it. Everything
// else, cloud and deduplicated files included, is opened, and the handle says what it is.
Status checkName(const wchar_t *name)
{
    const DWORD attributes = GetFileAttributesW(name);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {}; // opening says why: missing, no access, bad name
    DWORD tag = 0;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        WIN32_FIND_DATAW found {};
        const HANDLE search = FindFirstFileW(name, &found);
        if (search == INVALID_HANDLE_VALUE)
            return lastFailure();
        FindClose(search);
        tag = found.dwReserved0;
    }
    return refusalFor(WindowsFiles::kindBeforeOpening(attributes, tag));
}

// A synchronous handle reads and writes at the offset an OVERLAPPED names.
OVERLAPPED at(std::int64_t offset)
{
    OVERLAPPED position {};
    position.Offset = static_cast<DWORD>(offset & 0xFFFFFFFF);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

// One call moves at most this much; larger spans take several.
constexpr std::size_t kChunk = 1u << 30;

HANDLE handleOf(std::intptr_t native)
{
    return reinterpret_cast<HANDLE>(native);
}

} // namespace

bool namesDevice(const QString &path)
{
    QString full;
    return !path.isEmpty() && fullPathOf(QDir::toNativeSeparators(path), full)
        && WindowsFiles::namesDevice(full);
}

Status writeDevice(const QString &path, QByteArrayView bytes)
{
    QString full;
    if (Status made = fullPathOf(QDir::toNativeSeparators(path), full); !made)
        return made;
    const HANDLE device = CreateFileW(wide(full), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return lastFailure();
    for (qsizetype done = 0; done < bytes.size();) {
        const DWORD piece = static_cast<DWORD>(std::min<qsizetype>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(device, bytes.data() + done, piece, &written, nullptr) || written == 0) {
            Status failed = lastFailure();
            CloseHandle(device);
            return failed;
        }
        done += written;
    }
    CloseHandle(device);
    return {};
}

QString describe(int error)
{
    return windowsReason(systemErrorFor(error));
}

File::~File()
{
    if (handleOf(m_native) != INVALID_HANDLE_VALUE)
        CloseHandle(handleOf(m_native));
}

Status File::open(const QString &path, Access access)
{
    if (path.isEmpty())
        return Status::failure(QStringLiteral("no file name was given"));
    QString full;
    if (Status made = fullPathOf(QDir::toNativeSeparators(path), full); !made)
        return made;
    if (WindowsFiles::namesDevice(full))
        return Status::failure(kNotRegular);
    const QString native = WindowsFiles::openingForm(full);
    if (Status checked = checkName(wide(native)); !checked)
        return checked;
    // Shared for reading, writing and deleting: an emulator that holds the image open neither
    // blocks a save nor is blocked by one.
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (!attempt(Op::Open, [&] {
            const DWORD rights = access == Access::Read ? GENERIC_READ
                : access == Access::Write               ? GENERIC_WRITE
                                                        : GENERIC_READ | GENERIC_WRITE;
            handle = CreateFileW(wide(native), rights,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            return handle != INVALID_HANDLE_VALUE;
        }))
        return lastFailure();
    m_native = reinterpret_cast<std::intptr_t>(handle);
    // What was opened, links followed, must be a file on a disk.
    BY_HANDLE_FILE_INFORMATION info {};
    const DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_DISK && !GetFileInformationByHandle(handle, &info))
        return lastFailure();
    if (Status kind = refusalFor(WindowsFiles::kindOfHandle(type, info.dwFileAttributes)); !kind)
        return kind;
    m_size = static_cast<std::int64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    return {};
}

Status File::close()
{
    const HANDLE handle = handleOf(m_native);
    m_native = -1;
    // The handle is released even when a test injects a failure, so that no access leaves one
    // open.
    const bool closed = CloseHandle(handle) != 0;
    if (!attempt(Op::Close, [closed] { return closed; }))
        return lastFailure();
    return {};
}

Status File::read(std::int64_t offset, std::span<std::uint8_t> out) const
{
    std::size_t done = 0;
    while (done < out.size()) {
        const std::int64_t from = offset + static_cast<std::int64_t>(done);
        OVERLAPPED position = at(from);
        DWORD n = 0;
        if (!attempt(Op::Read, [&] {
                return ReadFile(handleOf(m_native), out.data() + done,
                                static_cast<DWORD>(std::min(out.size() - done, kChunk)), &n,
                                &position)
                    != 0;
            })) {
            if (GetLastError() != ERROR_HANDLE_EOF)
                return lastFailure();
            n = 0;
        }
        if (n == 0) // the file shrank between the size check and the read
            return Status::failure(
                QStringLiteral("the file ended before byte %1").arg(Hex::number(from)));
        done += n;
    }
    return {};
}

Status File::write(std::int64_t offset, std::span<const std::uint8_t> data) const
{
    std::size_t done = 0;
    while (done < data.size()) {
        OVERLAPPED position = at(offset + static_cast<std::int64_t>(done));
        DWORD n = 0;
        if (!attempt(Op::Write, [&] {
                return WriteFile(handleOf(m_native), data.data() + done,
                                 static_cast<DWORD>(std::min(data.size() - done, kChunk)), &n,
                                 &position)
                    != 0;
            }))
            return lastFailure();
        if (n == 0)
            return Status::failure(windowsReason(ERROR_WRITE_FAULT));
        done += n;
    }
    return {};
}

Status File::flush() const
{
    if (!attempt(Op::Sync, [&] { return FlushFileBuffers(handleOf(m_native)) != 0; }))
        return lastFailure();
    return {};
}

} // namespace FileAccess
