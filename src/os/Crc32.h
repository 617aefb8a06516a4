// CRC-32 (the reflected 0xEDB88320 polynomial that zip, PNG and patch files use), from zlib.
#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <zlib.h>

namespace Crc32 {

// Continues a running CRC over data; start from 0, the CRC of nothing.
inline std::uint32_t update(std::uint32_t crc, QByteArrayView data)
{
    // zlib reads a null buffer as a request for the starting value, 0, and an empty view may
    // have one.
    if (data.isEmpty())
        return crc;
    return static_cast<std::uint32_t>(crc32_z(crc, reinterpret_cast<const Bytef *>(data.data()),
                                              static_cast<z_size_t>(data.size())));
}

// The CRC of data in one go.
inline std::uint32_t of(QByteArrayView data)
{
    return update(0, data);
}

} // namespace Crc32
