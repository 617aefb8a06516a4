// The dot patterns of the digits 0 to 9 and drawing them.
#include "DigitFont.h"

#include <array>

namespace DigitFont {
namespace {

// Five rows of three dots per digit, the leftmost dot in the highest of the three bits.
constexpr std::array<std::array<std::uint8_t, kDigitHeight>, 10> kGlyphs = { {
    { 0b111, 0b101, 0b101, 0b101, 0b111 },
    { 0b010, 0b110, 0b010, 0b010, 0b111 },
    { 0b111, 0b001, 0b111, 0b100, 0b111 },
    { 0b111, 0b001, 0b011, 0b001, 0b111 },
    { 0b101, 0b101, 0b111, 0b001, 0b001 },
    { 0b111, 0b100, 0b111, 0b001, 0b111 },
    { 0b111, 0b100, 0b111, 0b101, 0b111 },
    { 0b111, 0b001, 0b010, 0b010, 0b010 },
    { 0b111, 0b101, 0b111, 0b101, 0b111 },
    { 0b111, 0b101, 0b111, 0b001, 0b111 },
} };

void fillBlock(QImage &image, int x, int y, int size, uchar colourIndex)
{
    for (int row = qMax(y, 0); row < qMin(y + size, image.height()); ++row) {
        uchar *line = image.scanLine(row);
        for (int column = qMax(x, 0); column < qMin(x + size, image.width()); ++column)
            line[column] = colourIndex;
    }
}

} // namespace

int width(int number, int dotSize)
{
    const int digits = static_cast<int>(QByteArray::number(number).size());
    return (digits * (kDigitWidth + 1) - 1) * dotSize;
}

void draw(QImage &image, int x, int y, int number, int dotSize, uchar colourIndex)
{
    Q_ASSERT(number >= 0 && image.format() == QImage::Format_Indexed8);
    const QByteArray digits = QByteArray::number(number);
    for (const char digit : digits) {
        const auto &glyph = kGlyphs.at(digit - '0');
        for (int row = 0; row < kDigitHeight; ++row) {
            for (int dot = 0; dot < kDigitWidth; ++dot) {
                if (glyph[row] & (0b100 >> dot))
                    fillBlock(image, x + dot * dotSize, y + row * dotSize, dotSize, colourIndex);
            }
        }
        x += (kDigitWidth + 1) * dotSize;
    }
}

} // namespace DigitFont
