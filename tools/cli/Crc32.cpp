// A table-driven CRC-32, one byte per step: fast enough for whole images.
#include "Crc32.h"

#include <array>

namespace Crc32 {
namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

constexpr std::array<std::uint32_t, 256> makeTable()
{
    std::array<std::uint32_t, 256> table {};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? kPolynomial ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kTable = makeTable();

} // namespace

std::uint32_t update(std::uint32_t crc, QByteArrayView data)
{
    std::uint32_t c = ~crc;
    for (const char byte : data)
        c = kTable[(c ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (c >> 8);
    return ~c;
}

} // namespace Crc32
