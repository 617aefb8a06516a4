// A TileCanvas that keeps what the editor's tile drawing paints in a QImage, at any scale.
#pragma once

#include "rom/TileCanvas.h"

#include <QImage>

// CBuffer::DrawTile paints each tile pixel as a 2 x 2 block in the editor's coordinates. This
// canvas turns every such block into a scale x scale block of its image, so at scale 2 it holds
// exactly the editor's pixels and at any other scale the same picture, larger or smaller.
class ImageCanvas : public TileCanvas
{
public:
    // An image of the given size in tile pixels, filled with background.
    ImageCanvas(int widthInTilePixels, int heightInTilePixels, int scale, QRgb background);

    void setPixel(int x, int y, std::uint32_t colour) override;
    void refresh() override { }

    const QImage &image() const { return m_image; }

    // The colour DrawTile hands over (red in the lowest byte) as a QImage pixel.
    static QRgb toRgb(std::uint32_t colour);

private:
    QImage m_image;
    int m_scale;
    QRgb *m_bits;
    qsizetype m_stride; // pixels per image line
};
