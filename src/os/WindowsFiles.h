// How Dorrik decides what a name on Windows leads to: the form of the path it opens, whether
// the name is a device, and whether what it found is a file to read and write. Pure functions
// over what the system reports (full paths, attributes, reparse tags, handle types), built on
// every platform so that the rules are tested on Linux as well as under Windows; the system
// calls that feed them are in FileAccessWindows.cpp.
#pragma once

#include <QString>

#include <cstdint>

namespace WindowsFiles {

// The values Windows documents for what the decisions read (winnt.h, winbase.h).
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeReparsePoint = 0x400;
constexpr std::uint32_t kFileTypeUnknown = 0; // GetFileType
constexpr std::uint32_t kFileTypeDisk = 1;
constexpr std::uint32_t kFileTypeChar = 2;
constexpr std::uint32_t kFileTypePipe = 3;
constexpr std::uint32_t kTagMountPoint = 0xA0000003; // also a junction
constexpr std::uint32_t kTagSymlink = 0xA000000C;
constexpr std::uint32_t kTagDedup = 0x80000013;
constexpr std::uint32_t kTagAppExecLink = 0x8000001B; // an app execution alias
constexpr std::uint32_t kTagCloud = 0x9000001A; // OneDrive and other cloud files: 0x9000?01A
constexpr std::uint32_t kTagUnixSocket = 0x80000023;
constexpr std::uint32_t kTagWslFifo = 0x80000024;
constexpr std::uint32_t kTagWslCharDevice = 0x80000025;
constexpr std::uint32_t kTagWslBlockDevice = 0x80000026;

enum class Kind { File, Folder, NotAFile };

// What a name is before it is opened, from its attributes and, for a reparse point, its tag.
// A reparse point is opened like any file (a cloud placeholder, a deduplicated file, a link)
// unless its tag says it stands for something that is not a file at all: an app's alias, a
// socket, or a FIFO or device made by Linux programs.
Kind kindBeforeOpening(std::uint32_t attributes, std::uint32_t reparseTag);

// What an opened handle is: only a file on a disk is read or written.
Kind kindOfHandle(std::uint32_t fileType, std::uint32_t attributes);

// Whether a full path, as the system makes it of a name (GetFullPathNameW), names a device:
// "COM1:", "NUL" and, on systems that reserve them in every folder, "aux.gb" come back as
// "\\.\COM1", "\\.\NUL", "\\.\aux".
bool namesDevice(const QString &fullPath);

// The form a full path is opened by: as it is while it is short, in the "\\?\" form (or
// "\\?\UNC\" for a network path) once it reaches the old 260-character limit, where only that
// form reaches the file.
QString openingForm(const QString &fullPath);

} // namespace WindowsFiles
