// The drawing surface: a kept QImage painted inside a flat one-pixel frame.
#include "DrawingSurface.h"

#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>

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
    m_dirty.left = std::min(m_dirty.left, x);
    m_dirty.top = std::min(m_dirty.top, y);
    m_dirty.right = std::max(m_dirty.right, x);
    m_dirty.bottom = std::max(m_dirty.bottom, y);
}

void DrawingSurface::refresh()
{
    // Only what was drawn since the last refresh is repainted: a level load refreshes after
    // every tile and lets the window repaint after every row.
    if (m_dirty.left > m_dirty.right)
        return;
    update(QRect(QPoint(m_dirty.left, m_dirty.top), QPoint(m_dirty.right, m_dirty.bottom))
               .translated(contentsRect().topLeft()));
    m_dirty = DirtyArea {};
}

void DrawingSurface::paintPicture(const QImage &source, int x, int y)
{
    const QRect target = QRect(QPoint(x, y), source.size()) & m_image.rect();
    if (target.isEmpty())
        return;
    if (source.format() == m_image.format()) {
        // Painting copies a preview cell at every mouse movement: a row copy per line keeps
        // that far below what a painter would cost.
        const int bytesPerPixel = m_image.depth() / 8;
        for (int row = target.top(); row <= target.bottom(); ++row) {
            const uchar *from = source.constScanLine(row - y) + (target.left() - x) * bytesPerPixel;
            uchar *to = m_image.scanLine(row) + target.left() * bytesPerPixel;
            std::memcpy(to, from, static_cast<std::size_t>(target.width() * bytesPerPixel));
        }
    } else {
        QPainter painter(&m_image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(x, y, source);
    }
    update(target.translated(contentsRect().topLeft()));
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

void DrawingSurface::setOutline(const QRect &outline)
{
    if (outline == m_outline)
        return;
    m_outline = outline;
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
    if (!m_outline.isEmpty()) {
        // Dashes of black over white show on every shade a tile can have.
        const QRect edge = m_outline.adjusted(0, 0, -1, -1);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(edge);
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawRect(edge);
    }
}

QPointF DrawingSurface::insidePosition(const QPointF &widgetPosition) const
{
    return widgetPosition - QPointF(contentsRect().topLeft());
}

void DrawingSurface::reportButton(QMouseEvent *event, ButtonSignal signal)
{
    const int button = buttonCode(event->button());
    const QPointF at = insidePosition(event->position());
    m_buttonsHeld = buttonCode(event->buttons());
    if (button != 0) {
        emit(this->*signal)(button, shiftState(event->modifiers()), static_cast<float>(at.x()),
                            static_cast<float>(at.y()));
    }
    event->accept();
}

void DrawingSurface::mousePressEvent(QMouseEvent *event)
{
    reportButton(event, &DrawingSurface::mouseDown);
}

void DrawingSurface::mouseReleaseEvent(QMouseEvent *event)
{
    reportButton(event, &DrawingSurface::mouseUp);
}

void DrawingSurface::wheelEvent(QWheelEvent *event)
{
    if (!isSignalConnected(QMetaMethod::fromSignal(&DrawingSurface::mouseWheel))) {
        QFrame::wheelEvent(event);
        return;
    }
    constexpr int kNotch = QWheelEvent::DefaultDeltasPerStep;
    m_wheelRemainder += event->angleDelta().y();
    const int notches = m_wheelRemainder / kNotch; // towards zero: parts stay for the next
    m_wheelRemainder -= notches * kNotch;
    if (notches != 0)
        emit mouseWheel(notches);
    event->accept();
}

void DrawingSurface::leaveEvent(QEvent *event)
{
    QFrame::leaveEvent(event);
    emit pointerLeft();
}

void DrawingSurface::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = insidePosition(event->position());
    m_buttonsHeld = buttonCode(event->buttons());
    emit mouseMove(buttonCode(event->buttons()), shiftState(event->modifiers()),
                   static_cast<float>(at.x()), static_cast<float>(at.y()));
    // Handled here: passing it on would make the frame around the surface hit-test its
    // caption at every movement.
    event->accept();
}
