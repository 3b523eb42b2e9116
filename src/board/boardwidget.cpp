#include "boardwidget.h"

#include "twips.h"

#include <cmath>

namespace {

int toPixels(double twips)
{
    return int(std::lround(twips / Twips::perPixel));
}

void collect(const QObject *parent, QList<BoardWidget *> &out)
{
    for (QObject *child : parent->children()) {
        if (child->isWidgetType() && static_cast<QWidget *>(child)->isWindow())
            continue;
        if (auto *widget = qobject_cast<BoardWidget *>(child))
            out.append(widget);
        collect(child, out);
    }
}

} // namespace

BoardWidget::BoardWidget(QWidget *parent)
    : QWidget(parent)
{ }

void BoardWidget::setLeft(double twips)
{
    m_left = twips;
    applyGeometry();
}

void BoardWidget::setTop(double twips)
{
    m_top = twips;
    applyGeometry();
}

void BoardWidget::setWidth(double twips)
{
    m_width = twips;
    applyGeometry();
}

void BoardWidget::setHeight(double twips)
{
    m_height = twips;
    applyGeometry();
}

void BoardWidget::setTwipGeometry(double left, double top, double width, double height)
{
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    applyGeometry();
}

QList<BoardWidget *> BoardWidget::laidOutIn(const QWidget *window)
{
    QList<BoardWidget *> out;
    collect(window, out);
    return out;
}

void BoardWidget::setPixelSize(const QSize &size)
{
    m_width = size.width() * Twips::perPixel;
    m_height = size.height() * Twips::perPixel;
    applyGeometry();
}

void BoardWidget::holdGeometry(bool hold)
{
    m_held = hold;
    applyGeometry();
}

void BoardWidget::applyGeometry()
{
    if (m_held)
        return;
    const int left = toPixels(m_left);
    const int top = toPixels(m_top);
    // Edges rather than sizes are rounded, so that neighbouring widgets never gap or overlap.
    const QRect pixels(QPoint(left, top),
                       QPoint(toPixels(m_left + m_width) - 1, toPixels(m_top + m_height) - 1));
    if (geometry() != pixels)
        setGeometry(pixels);
}
