// Where a scroll bar's arrows are on screen, as the bar's own style draws them, so that tests
// can click them like a user.
#pragma once

#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

namespace ScrollBarArrows {

// Reaches the scroll bar's protected style option, as its own painting builds it.
struct Option : QScrollBar
{
    static QStyleOptionSlider of(const QScrollBar &bar)
    {
        QStyleOptionSlider option;
        (bar.*(&Option::initStyleOption))(&option);
        return option;
    }
};

// The rectangle of an arrow: QStyle::SC_ScrollBarSubLine is the upper one of a vertical bar,
// SC_ScrollBarAddLine the lower one.
inline QRect arrowRect(const QScrollBar &bar, QStyle::SubControl arrow)
{
    const QStyleOptionSlider option = Option::of(bar);
    return bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, arrow, &bar);
}

inline QPoint arrowCentre(const QScrollBar &bar, QStyle::SubControl arrow)
{
    return arrowRect(bar, arrow).center();
}

} // namespace ScrollBarArrows
