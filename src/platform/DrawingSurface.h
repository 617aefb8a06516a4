// A picture area that keeps what is drawn on it, takes single pixels and reports the mouse.
#pragma once

#include "base/TileCanvas.h"

#include <QColor>
#include <QFrame>
#include <QImage>

#include <climits>
#include <vector>

// A straight line drawn over a surface's kept image, like the palette's grid lines. Lines are
// not part of the image: they are painted on top of it and never copied with it.
struct LineControl
{
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    bool visible = true;
};

// The editor's drawing surfaces: the level, the palette and the three previews. The surface
// has a one-pixel flat border; everything else (pixel writes, mouse positions, lines) is in
// pixels of the inside, with (0, 0) at its top-left pixel. The kept image survives repaints,
// and the mouse keeps being reported beyond the edges while a button that went down on the
// surface is held.
class DrawingSurface : public QFrame, public TileCanvas
{
    Q_OBJECT

public:
    // Mouse button and shift codes as the handlers receive them: a press reports the one
    // button that went down, a movement the sum of the buttons held.
    enum Button { LeftButton = 1, RightButton = 2, MiddleButton = 4 };
    enum Shift { ShiftKey = 1, CtrlKey = 2, AltKey = 4 };

    explicit DrawingSurface(QSize inside, QWidget *parent = nullptr);

    QSize insideSize() const { return m_image.size(); }

    // Fills the top-left corner with a plain picture, as the palette surfaces start.
    void setInitialPicture(QSize size, QColor colour);

    // TileCanvas: pixel writes land in the kept image; refresh shows them.
    void setPixel(int x, int y, std::uint32_t colour) override;
    void refresh() override;

    // The kept image, whole.
    const QImage &image() const { return m_image; }

    // Copies source, unscaled and whole, onto the kept image with its top-left corner at
    // (x, y), clipped to the inside; the surface repaints once control returns to the event
    // loop.
    void paintPicture(const QImage &source, int x, int y);

    int addLine(const LineControl &line);
    const LineControl &line(int index) const { return m_lines.at(static_cast<std::size_t>(index)); }
    void setLine(int index, const LineControl &line);
    int lineCount() const { return static_cast<int>(m_lines.size()); }

    // A rectangle (in pixels of the inside) outlined over the kept image, as the lines are, to
    // show a selection; an empty one shows none.
    void setOutline(const QRect &outline);
    const QRect &outline() const { return m_outline; }

    // The sum of the button codes held at the mouse event being handled, or at the last one.
    // During mouseUp it no longer holds the released button, so 0 means the gesture is over.
    int buttonsHeld() const { return m_buttonsHeld; }

signals:
    void mouseDown(int button, int shift, float x, float y);
    void mouseMove(int button, int shift, float x, float y);
    void mouseUp(int button, int shift, float x, float y);
    // Whole notches of the wheel turned over the surface, positive away from the user. Only a
    // surface with a receiver for it takes wheel events; the others pass them on as before.
    void mouseWheel(int notches);
    // The pointer has left the surface.
    void pointerLeft();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    using ButtonSignal = void (DrawingSurface::*)(int, int, float, float);
    // A press or a release: the button that went down or up, with the buttons held after it.
    void reportButton(QMouseEvent *event, ButtonSignal signal);
    QPointF insidePosition(const QPointF &widgetPosition) const;
    QColor lineColour() const;

    // The bounding box of the pixels written since the last refresh; empty when left > right.
    struct DirtyArea
    {
        int left = INT_MAX;
        int top = INT_MAX;
        int right = INT_MIN;
        int bottom = INT_MIN;
    };

    QImage m_image;
    DirtyArea m_dirty;
    std::vector<LineControl> m_lines;
    QRect m_outline;
    int m_buttonsHeld = 0;
    // Wheel turns not yet a whole notch, in eighths of a degree: fine-grained wheels and touch
    // pads report parts of a notch that add up.
    int m_wheelRemainder = 0;
};
