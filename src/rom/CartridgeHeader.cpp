// Computing the cartridge header's title and checksums.
#include "CartridgeHeader.h"

namespace CartridgeHeader {
namespace {

std::uint8_t byteAt(const QByteArray &image, qsizetype offset)
{
    return static_cast<std::uint8_t>(image[offset]);
}

std::uint8_t computeHeader(const QByteArray &image)
{
    std::uint8_t x = 0;
    for (qsizetype i = kTitleStart; i < kHeaderChecksumAt; ++i)
        x = static_cast<std::uint8_t>(x - byteAt(image, i) - 1);
    return x;
}

std::uint16_t computeGlobal(const QByteArray &image)
{
    std::uint32_t sum = 0;
    for (const char byte : image)
        sum += static_cast<std::uint8_t>(byte);
    sum -= byteAt(image, kGlobalChecksumAt) + byteAt(image, kGlobalChecksumAt + 1);
    return static_cast<std::uint16_t>(sum);
}

} // namespace

QString title(const QByteArray &image)
{
    QString text;
    for (qsizetype i = kTitleStart; i < kTitleEnd && i < image.size(); ++i) {
        const std::uint8_t byte = byteAt(image, i);
        if (byte == 0)
            break;
        text += (byte >= 0x20 && byte < 0x7F) ? QChar(byte) : QChar(u'?');
    }
    return text;
}

Check headerChecksum(const QByteArray &image)
{
    Q_ASSERT(hasHeader(image));
    const std::uint8_t computed = computeHeader(image);
    return { byteAt(image, kHeaderChecksumAt), computed, computed };
}

Check globalChecksum(const QByteArray &image)
{
    Q_ASSERT(hasHeader(image));
    const std::uint32_t stored
        = byteAt(image, kGlobalChecksumAt) << 8 | byteAt(image, kGlobalChecksumAt + 1);
    const std::uint16_t computed = computeGlobal(image);
    const auto fixed = static_cast<std::uint16_t>(computed - byteAt(image, kHeaderChecksumAt)
                                                  + computeHeader(image));
    return { stored, computed, fixed };
}

void fix(QByteArray &image)
{
    Q_ASSERT(hasHeader(image));
    image[kHeaderChecksumAt] = static_cast<char>(computeHeader(image));
    const std::uint16_t global = computeGlobal(image);
    image[kGlobalChecksumAt] = static_cast<char>(global >> 8);
    image[kGlobalChecksumAt + 1] = static_cast<char>(global & 0xFF);
}

} // namespace CartridgeHeader
