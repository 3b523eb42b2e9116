#include "upwardscrollbar.h"

#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QWheelEvent>

UpwardScrollBar::UpwardScrollBar(int maximum, QWidget *parent)
    : QScrollBar(Qt::Vertical, parent)
{
    setRange(0, maximum);
    setSingleStep(1);
    setPageStep(1);
    // The thumb sits at the top for the maximum. Arrows, page areas and keys act as on any
    // vertical scroll bar, moving the thumb the way they point; reverse() turns that into the
    // value the thumb now stands for.
    setInvertedAppearance(true);
    setInvertedControls(true);
    connect(this, &QAbstractSlider::actionTriggered, this, &UpwardScrollBar::reverse);
    // Reached by Tab as the other settings are, so that the keyboard alone can set it.
    setFocusPolicy(Qt::StrongFocus);
    // Both arrows and a thumb that can be dragged, with room to spare for the page areas.
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int thumb = style()->pixelMetric(QStyle::PM_ScrollBarSliderMin, nullptr, this);
    setFixedHeight(2 * extent + thumb + extent);
}

void UpwardScrollBar::reverse(int action)
{
    // Called after the action has moved the slider position and before the value follows it.
    const int step = action == SliderSingleStepAdd || action == SliderSingleStepSub ? singleStep()
                                                                                    : pageStep();
    switch (action) {
    case SliderSingleStepAdd:
    case SliderPageStepAdd:
        setSliderPosition(qBound(minimum(), value() - step, maximum()));
        break;
    case SliderSingleStepSub:
    case SliderPageStepSub:
        setSliderPosition(qBound(minimum(), value() + step, maximum()));
        break;
    case SliderToMinimum:
        setSliderPosition(maximum());
        break;
    case SliderToMaximum:
        setSliderPosition(minimum());
        break;
    default:
        break;
    }
}

void UpwardScrollBar::wheelEvent(QWheelEvent *event)
{
    // The wheel does not pass through reverse(), so it is turned here: away from the operator
    // raises the value, as it moves the thumb up.
    QWheelEvent turned(event->position(), event->globalPosition(), -event->pixelDelta(),
                       -event->angleDelta(), event->buttons(), event->modifiers(), event->phase(),
                       event->inverted(), event->source());
    QScrollBar::wheelEvent(&turned);
    event->setAccepted(turned.isAccepted());
}

void UpwardScrollBar::paintEvent(QPaintEvent *event)
{
    QScrollBar::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(1, 1, -1, -1);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
}
