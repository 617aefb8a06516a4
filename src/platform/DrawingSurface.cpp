// The drawing surface: a kept QImage painted inside a flat one-pixel frame.
#include "DrawingSurface.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

int shiftState(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= DrawingSurface::ShiftKey;
    if (modifiers & Qt::ControlModifier)
        shift |= DrawingSurface::CtrlKey;
    if (modifiers & Qt::AltModifier)
        shift |= DrawingSurface::AltKey;
    return shift;
}

int buttonCode(Qt::MouseButtons buttons)
{
    int code = 0;
    if (buttons & Qt::LeftButton)
        code |= DrawingSurface::LeftButton;
    if (buttons & Qt::RightButton)
        code |= DrawingSurface::RightButton;
    if (buttons & Qt::MiddleButton)
        code |= DrawingSurface::MiddleButton;
    return code;
}

} // namespace

DrawingSurface::DrawingSurface(QSize inside, QWidget *parent)
    : QFrame(parent)
    , m_image(inside, QImage::Format_RGB32)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFixedSize(inside + QSize(2, 2));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_image.fill(palette().color(QPalette::Base));
}

void DrawingSurface::setInitialPicture(QSize size, QColor colour)
{
    QPainter painter(&m_image);
    painter.fillRect(QRect(QPoint(0, 0), size), colour);
    update();
}

void DrawingSurface::setPixel(int x, int y, std::uint32_t colour)
{
    if (x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return;
    const QRgb rgb = qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    reinterpret_cast<QRgb *>(m_image.scanLine(y))[x] = rgb;
}

void DrawingSurface::refresh()
{
    update();
}

void DrawingSurface::paintPicture(const QImage &source, int x, int y)
{
    QPainter painter(&m_image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(x, y, source);
    painter.end();
    update(QRect(contentsRect().topLeft() + QPoint(x, y), source.size()));
}

int DrawingSurface::addLine(const LineControl &line)
{
    m_lines.push_back(line);
    update();
    return lineCount() - 1;
}

void DrawingSurface::setLine(int index, const LineControl &line)
{
    m_lines.at(static_cast<std::size_t>(index)) = line;
    update();
}

QColor DrawingSurface::lineColour() const
{
    return palette().color(QPalette::WindowText);
}

void DrawingSurface::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect inside = contentsRect();
    painter.setClipRect(inside);
    painter.drawImage(inside.topLeft(), m_image);
    painter.translate(inside.topLeft());
    painter.setPen(QPen(lineColour(), 1));
    for (const LineControl &line : m_lines) {
        if (line.visible)
            painter.drawLine(line.x1, line.y1, line.x2, line.y2);
    }
}

QPointF DrawingSurface::insidePosition(const QPointF &widgetPosition) const
{
    return widgetPosition - QPointF(contentsRect().topLeft());
}

void DrawingSurface::mousePressEvent(QMouseEvent *event)
{
    const int button = buttonCode(event->button());
    const QPointF at = insidePosition(event->position());
    if (button != 0) {
        emit mouseDown(button, shiftState(event->modifiers()), static_cast<float>(at.x()),
                       static_cast<float>(at.y()));
    }
    QFrame::mousePressEvent(event);
}

void DrawingSurface::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = insidePosition(event->position());
    emit mouseMove(buttonCode(event->buttons()), shiftState(event->modifiers()),
                   static_cast<float>(at.x()), static_cast<float>(at.y()));
    QFrame::mouseMoveEvent(event);
}
