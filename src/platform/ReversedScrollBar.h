// A vertical scroll bar whose larger end value is at the top.
#pragma once

#include <QScrollBar>

// The editor's number steppers: a 17 x 21 bar that is in effect two arrow buttons, where the
// upper arrow raises the number by one. Qt's inverted appearance flips the slider but not what
// the arrows do, so the bar runs over the negated range (-top .. -bottom) and is read back
// negated. numberChanged is raised on every real change of the number, whether the user
// clicked an arrow or code called setNumber, and never when the number stays.
class ReversedScrollBar : public QScrollBar
{
    Q_OBJECT

public:
    // top is the larger end value, shown at the top; bottom the smaller.
    ReversedScrollBar(int top, int bottom, int initial, QWidget *parent = nullptr);

    int number() const { return -value(); }
    void setNumber(int number) { setValue(-number); }

    // The end values: top is what the editor calls the bar's minimum.
    int topEnd() const { return -minimum(); }
    int bottomEnd() const { return -maximum(); }

signals:
    void numberChanged(int number);
};
