// The cartridge header's title and its two checksums, read from and fixed in an image in memory.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace CartridgeHeader {

// Where the Game Boy's boot code and emulators look for the title and the checksums.
inline constexpr qsizetype kTitleStart = 0x134;
inline constexpr qsizetype kTitleEnd = 0x144; // one past the last title byte
inline constexpr qsizetype kHeaderChecksumAt = 0x14D; // covers 0x134 .. 0x14C
inline constexpr qsizetype kGlobalChecksumAt = 0x14E; // two bytes, high byte first
inline constexpr qsizetype kHeaderEnd = 0x150; // an image shorter than this has no header

// One checksum as stored, as computed from the image as it is, and as fix() would set it. The
// last two differ for the global checksum while the header checksum, which it covers, is wrong.
struct Check
{
    std::uint32_t stored = 0;
    std::uint32_t computed = 0;
    std::uint32_t fixed = 0;
    bool valid() const { return stored == computed; }
};

// True if the image is long enough to hold a cartridge header.
inline bool hasHeader(const QByteArray &image)
{
    return image.size() >= kHeaderEnd;
}

// The title: the printable ASCII characters up to the first NUL (anything else shows as '?').
QString title(const QByteArray &image);

// The header checksum at 0x14D: x = x - byte - 1 over 0x134 .. 0x14C, low 8 bits.
Check headerChecksum(const QByteArray &image);

// The global checksum at 0x14E: the 16-bit sum of every byte except the two it is stored in.
Check globalChecksum(const QByteArray &image);

// Sets both checksums so that they are valid; only bytes 0x14D .. 0x14F change. The header
// checksum goes first because the global sum covers it.
void fix(QByteArray &image);

} // namespace CartridgeHeader
