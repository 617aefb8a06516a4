// A tiny built-in digit font for labelling pictures without depending on installed fonts.
#pragma once

#include <QImage>

namespace DigitFont {

// Each digit is 3 x 5 dots with one dot of space after it.
inline constexpr int kDigitWidth = 3;
inline constexpr int kDigitHeight = 5;

// The width in pixels of number drawn with dots of dotSize x dotSize pixels.
int width(int number, int dotSize);

// Draws the decimal number in palette entry colourIndex with its top-left corner at (x, y);
// pixels outside the image are skipped. image must be in Format_Indexed8.
void draw(QImage &image, int x, int y, int number, int dotSize, uchar colourIndex);

} // namespace DigitFont
