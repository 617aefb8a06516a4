// The face of a drawing surface that tile drawing draws on: single-pixel writes and a refresh.
// Qt-free, so the ROM data layer can draw through it without knowing any widget.
#pragma once

#include <cstdint>

class TileCanvas
{
public:
    virtual ~TileCanvas() = default;

    // Sets one pixel of the kept image; colour holds red in its lowest byte, then green, then
    // blue. Pixels outside the surface are ignored.
    virtual void setPixel(int x, int y, std::uint32_t colour) = 0;

    // Shows what has been drawn so far.
    virtual void refresh() = 0;
};
