#pragma once

#include <QScrollBar>

// A vertical scroll bar for a number, whose top is its maximum: the up arrow, the page area above
// the thumb, the Up and Page Up keys and the wheel turned away all raise the value. A plain
// QScrollBar drawn upside down still lowers its value on its upper arrow.
class UpwardScrollBar final : public QScrollBar
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpwardScrollBar)

public:
    explicit UpwardScrollBar(int maximum, QWidget *parent = nullptr);

protected:
    void wheelEvent(QWheelEvent *event) override;
    // With the keys, it is framed as the other controls are: the style draws no focus of its own
    // on a scroll bar.
    void paintEvent(QPaintEvent *event) override;

private:
    void reverse(int action);
};
