// CRC-32 (the reflected 0xEDB88320 polynomial that zip, PNG and patch files use).
#pragma once

#include <QByteArrayView>

#include <cstdint>

namespace Crc32 {

// Continues a running CRC over data; start from 0, the CRC of nothing.
std::uint32_t update(std::uint32_t crc, QByteArrayView data);

// The CRC of data in one go.
inline std::uint32_t of(QByteArrayView data)
{
    return update(0, data);
}

} // namespace Crc32
