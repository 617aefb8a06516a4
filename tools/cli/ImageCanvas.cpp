// Painting the editor's double-size tile pixels into a QImage at the chosen scale.
#include "ImageCanvas.h"

ImageCanvas::ImageCanvas(int widthInTilePixels, int heightInTilePixels, int scale, QRgb background)
    : m_image(widthInTilePixels * scale, heightInTilePixels * scale, QImage::Format_RGB32)
    , m_scale(scale)
{
    Q_ASSERT(scale >= 1);
    m_image.fill(background);
    m_bits = reinterpret_cast<QRgb *>(m_image.bits());
    m_stride = m_image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
}

QRgb ImageCanvas::toRgb(std::uint32_t colour)
{
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void ImageCanvas::setPixel(int x, int y, std::uint32_t colour)
{
    if (x < 0 || y < 0)
        return;
    const int left = x / 2 * m_scale;
    const int top = y / 2 * m_scale;
    if (left >= m_image.width() || top >= m_image.height())
        return;
    const QRgb rgb = toRgb(colour);
    for (int row = top; row < top + m_scale; ++row) {
        QRgb *line = m_bits + row * m_stride;
        for (int column = left; column < left + m_scale; ++column)
            line[column] = rgb;
    }
}
