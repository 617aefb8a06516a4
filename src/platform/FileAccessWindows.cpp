// Single-access binary file I/O over the Win32 API: wide paths end to end, positioned reads and
// writes, and every failure with the system's own reason.
#include "FileAccess.h"
#include "FileAccessFaults.h"
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

// Owns one handle for the length of one access; closing is part of the access, so a failed
// close of a written file is reported too.
class Handle
{
public:
    Handle() = default;
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }

    Status open(const QString &path, DWORD access)
    {
        if (path.isEmpty())
            return Status::failure(QStringLiteral("no file name was given"));
        const QString native = longPathForm(QDir::toNativeSeparators(path));
        const auto *name = reinterpret_cast<const wchar_t *>(native.utf16());
        if (Status checked = checkName(native, name); !checked)
            return checked;
        // Shared for reading, writing and deleting: an emulator that holds the image open
        // neither blocks a save nor is blocked by one.
        HANDLE handle = INVALID_HANDLE_VALUE;
        if (!attempt(Op::Open, [&] {
                handle = CreateFileW(name, access,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                return handle != INVALID_HANDLE_VALUE;
            }))
            return lastFailure();
        m_handle = handle;
        // A symbolic link was followed: what it leads to must be a file on a disk too.
        BY_HANDLE_FILE_INFORMATION info {};
        if (GetFileType(m_handle) != FILE_TYPE_DISK)
            return Status::failure(kNotRegular);
        if (!GetFileInformationByHandle(m_handle, &info))
            return lastFailure();
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return Status::failure(kFolder);
        m_size = static_cast<std::int64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
        return {};
    }

    Status close()
    {
        const HANDLE handle = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        // The handle is released even when a test injects a failure, so that no access
        // leaves one open.
        const bool closed = CloseHandle(handle) != 0;
        if (!attempt(Op::Close, [closed] { return closed; }))
            return lastFailure();
        return {};
    }

    HANDLE handle() const { return m_handle; }
    std::int64_t size() const { return m_size; }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    std::int64_t m_size = 0;
};

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

// Fills out from the open file, starting at offset, however many reads that takes.
Status readSpan(const Handle &file, std::int64_t offset, std::span<std::uint8_t> out)
{
    std::size_t done = 0;
    while (done < out.size()) {
        const std::int64_t from = offset + static_cast<std::int64_t>(done);
        OVERLAPPED position = at(from);
        DWORD n = 0;
        if (!attempt(Op::Read, [&] {
                return ReadFile(file.handle(), out.data() + done,
                                static_cast<DWORD>(std::min(out.size() - done, kChunk)), &n,
                                &position)
                    != 0;
            })) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                n = 0;
            else
                return lastFailure();
        }
        if (n == 0) // the file shrank between the size check and the read
            return Status::failure(
                QStringLiteral("the file ended before byte %1").arg(Hex::number(from)));
        done += n;
    }
    return {};
}

} // namespace

QString describe(int error)
{
    return reasonFor(systemErrorFor(error));
}

Status readAt(const QString &path, std::int64_t offset, std::span<std::uint8_t> out)
{
    Handle file;
    if (Status r = file.open(path, GENERIC_READ); !r)
        return r;
    if (Status r = checkSpan(file.size(), offset, out.size(), "read"); !r)
        return r;
    if (Status r = readSpan(file, offset, out); !r)
        return r;
    return file.close();
}

Status readAll(const QString &path, QByteArray &bytes)
{
    Handle file;
    if (Status r = file.open(path, GENERIC_READ); !r)
        return r;
    QByteArray read(static_cast<qsizetype>(file.size()), Qt::Uninitialized);
    const std::span<std::uint8_t> out(reinterpret_cast<std::uint8_t *>(read.data()),
                                      static_cast<std::size_t>(read.size()));
    if (Status r = readSpan(file, 0, out); !r)
        return r;
    if (Status r = file.close(); !r)
        return r;
    bytes = std::move(read);
    return {};
}

Status writeAt(const QString &path, std::int64_t offset, std::span<const std::uint8_t> data,
               Flush flush)
{
    Handle file;
    // OPEN_EXISTING and no truncation: a save changes bytes of an existing image and nothing
    // else.
    if (Status r = file.open(path, GENERIC_WRITE); !r)
        return r;
    if (Status r = checkSpan(file.size(), offset, data.size(), "write"); !r)
        return r;
    std::size_t done = 0;
    while (done < data.size()) {
        OVERLAPPED position = at(offset + static_cast<std::int64_t>(done));
        DWORD n = 0;
        if (!attempt(Op::Write, [&] {
                return WriteFile(file.handle(), data.data() + done,
                                 static_cast<DWORD>(std::min(data.size() - done, kChunk)), &n,
                                 &position)
                    != 0;
            }))
            return lastFailure();
        if (n == 0)
            return Status::failure(reasonFor(ERROR_WRITE_FAULT));
        done += n;
    }
    if (flush == Flush::ToDisk
        && !attempt(Op::Sync, [&] { return FlushFileBuffers(file.handle()) != 0; }))
        return lastFailure();
    return file.close();
}

} // namespace FileAccess
