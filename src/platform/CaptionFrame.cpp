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

void CaptionFrame::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    // Etched: a shadow line with a light line inside it on the top and left, and the light
    // line outside the shadow on the bottom and right.
    qDrawShadeRect(&painter, rect(), palette(), true, 1, 0);

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
