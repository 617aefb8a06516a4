// The reversed scroll bar over a negated range.
#include "ReversedScrollBar.h"

ReversedScrollBar::ReversedScrollBar(int top, int bottom, int initial, QWidget *parent)
    : QScrollBar(Qt::Vertical, parent)
{
    setRange(-top, -bottom);
    setSingleStep(1);
    setPageStep(1);
    setValue(-initial);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QScrollBar::valueChanged, this,
            [this](int value) { emit numberChanged(-value); });
}
