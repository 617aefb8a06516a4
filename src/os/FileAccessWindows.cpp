// File access over the Win32 API: wide paths end to end, positioned reads and writes, and every
// failure with the system's own reason.
#include "FileAccess.h"
#include "FileAccessSystem.h"
#include "Hex.h"

#include <QDir>
#include <QStringList>

#include <cerrno>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

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

QString reasonFor(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString reason = length > 0 ? QString::fromWCharArray(text, static_cast<qsizetype>(length))
                                : QStringLiteral("system error %1").arg(error);
    LocalFree(text);
    // The callers end the sentence themselves.
    reason = reason.trimmed();
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return reason;
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
    return Status::failure(reasonFor(GetLastError()));
}

// Names that open a device rather than a file in any folder, with or without an extension:
// "NUL", "con.gb", "COM1.txt". Windows also takes the superscript digits.
bool isDeviceName(const QString &path)
{
    static const QStringList plain
        = { QStringLiteral("CON"),   QStringLiteral("PRN"),    QStringLiteral("AUX"),
            QStringLiteral("NUL"),   QStringLiteral("CONIN$"), QStringLiteral("CONOUT$"),
            QStringLiteral("CLOCK$") };
    QString name = path.section(QLatin1Char('\\'), -1).section(QLatin1Char('/'), -1);
    name = name.section(QLatin1Char('.'), 0, 0);
    while (name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    name = name.toUpper();
    if (plain.contains(name))
        return true;
    if (name.size() == 4
        && (name.startsWith(QLatin1String("COM")) || name.startsWith(QLatin1String("LPT")))) {
        const QChar digit = name.at(3);
        return (digit >= QLatin1Char('0') && digit <= QLatin1Char('9')) || digit == QChar(0x00B9)
            || digit == QChar(0x00B2) || digit == QChar(0x00B3);
    }
    return false;
}

const QString kNotRegular = QStringLiteral("it is not a regular file");
const QString kFolder = QStringLiteral("it is a directory, not a ROM image");

// What the name leads to, checked before anything is opened: a folder, a device or pipe, or a
// reparse point other than a plain symbolic link is refused without touching it.
Status checkName(const QString &native, const wchar_t *name)
{
    if (native.startsWith(QLatin1String("\\\\.\\"))
        || native.startsWith(QLatin1String("\\\\?\\GLOBALROOT"), Qt::CaseInsensitive)
        || isDeviceName(native))
        return Status::failure(kNotRegular);
    const DWORD attributes = GetFileAttributesW(name);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return {}; // opening says why: missing, no access, bad name
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Status::failure(kFolder);
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (native.contains(QLatin1Char('*')) || native.contains(QLatin1Char('?')))
            return Status::failure(kNotRegular);
        WIN32_FIND_DATAW found {};
        const HANDLE search = FindFirstFileW(name, &found);
        if (search == INVALID_HANDLE_VALUE)
            return lastFailure();
        FindClose(search);
        if (found.dwReserved0 != IO_REPARSE_TAG_SYMLINK)
            return Status::failure(kNotRegular);
    }
    return {};
}

// A path as long as the system's old limit (MAX_PATH, 260) or longer reaches the file only in
// the "\\?\" form, which takes the path as it is: so it is made absolute and clean first.
QString longPathForm(const QString &native)
{
    if (native.size() < MAX_PATH - 12 || native.startsWith(QLatin1String("\\\\?\\"))
        || native.startsWith(QLatin1String("\\\\.\\")))
        return native;
    const QString full = QDir::toNativeSeparators(
        QDir::cleanPath(QDir::current().absoluteFilePath(QDir::fromNativeSeparators(native))));
    if (full.startsWith(QLatin1String("\\\\")))
        return QStringLiteral("\\\\?\\UNC\\") + full.mid(2);
    return QStringLiteral("\\\\?\\") + full;
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

QString describe(int error)
{
    return reasonFor(systemErrorFor(error));
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
    const QString native = longPathForm(QDir::toNativeSeparators(path));
    const auto *name = reinterpret_cast<const wchar_t *>(native.utf16());
    if (Status checked = checkName(native, name); !checked)
        return checked;
    // Shared for reading, writing and deleting: an emulator that holds the image open neither
    // blocks a save nor is blocked by one.
    HANDLE handle = INVALID_HANDLE_VALUE;
    if (!attempt(Op::Open, [&] {
            handle = CreateFileW(name, access == Access::Read ? GENERIC_READ : GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            return handle != INVALID_HANDLE_VALUE;
        }))
        return lastFailure();
    m_native = reinterpret_cast<std::intptr_t>(handle);
    // A symbolic link was followed: what it leads to must be a file on a disk too.
    if (GetFileType(handle) != FILE_TYPE_DISK)
        return Status::failure(kNotRegular);
    BY_HANDLE_FILE_INFORMATION info {};
    if (!GetFileInformationByHandle(handle, &info))
        return lastFailure();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return Status::failure(kFolder);
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
            return Status::failure(reasonFor(ERROR_WRITE_FAULT));
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
