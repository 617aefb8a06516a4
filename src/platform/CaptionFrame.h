// A frame with its caption set into its top edge.
#pragma once

#include <QGroupBox>

// The frames of the editor's layout: an etched three-dimensional border whose top line runs
// through the middle of the caption's text, interrupted by the caption, which is drawn in the
// frame's own font from the frame's top row down, so that it stands across the line. The
// children keep the places they were designed at, measured from the frame's outer corner, not
// from the line. The caption stays the group box's title().
class CaptionFrame : public QGroupBox
{
public:
    // Where the caption starts, from the frame's left edge.
    static constexpr int kCaptionLeft = 8;

    CaptionFrame(const QString &caption, QWidget *parent);

    // The part of the top edge that the caption takes, in the frame's coordinates.
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The row of the top edge's outer line: half the caption's height, or the frame's top row
    // when it has no caption.
    int edgeTop() const;
};
