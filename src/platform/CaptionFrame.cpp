// The frame's own border and caption, instead of the style's group box that puts the caption
// above a border drawn lower down.
#include "CaptionFrame.h"

#include <QPainter>
#include <qdrawutil.h>

CaptionFrame::CaptionFrame(const QString &caption, QWidget *parent)
    : QGroupBox(caption, parent)
{ }

QRect CaptionFrame::captionRect() const
{
    if (title().isEmpty())
        return {};
    const QFontMetrics metrics(font());
    return { kCaptionLeft, 0, metrics.horizontalAdvance(title()), metrics.height() };
}

int CaptionFrame::edgeTop() const
{
    // The font's height is in whole pixels, its ascent and descent each rounded, and half of
    // it is rounded down: the caption's 12 rows put the line on row 6, the lower of the two
    // middle rows.
    return captionRect().height() / 2;
}

void CaptionFrame::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    // Etched: a shadow line with a light line inside it on the top and left, and the light
    // line outside the shadow on the bottom and right. Only the top edge comes down to the
    // caption's middle; the other three stay on the frame's rectangle, so a frame directly
    // below another one draws its top edge clear of the upper frame's bottom edge.
    qDrawShadeRect(&painter, rect().adjusted(0, edgeTop(), 0, 0), palette(), true, 1, 0);

    const QRect caption = captionRect();
    if (caption.isEmpty())
        return;
    // The caption's box, with its one space on each side, cuts both lines of the top edge.
    painter.fillRect(caption, palette().window());
    painter.setFont(font());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, title());
}
