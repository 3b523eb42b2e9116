#include "cacheddrawing.h"

#include <QPainter>
#include <QWidget>

void CachedDrawing::prepare(const QWidget *widget, const std::function<Drawing()> &make)
{
    const qreal ratio = widget->devicePixelRatioF();
    if (widget->size().isEmpty())
        return;
    if (m_pixmap.isNull() || m_widgetSize != widget->size()
        || m_pixmap.devicePixelRatio() != ratio) {
        const Drawing drawing = make();
        const QRect area = drawing.area & widget->rect();
        m_widgetSize = widget->size();
        m_at = area.topLeft();
        m_blank = area.isEmpty();
        if (m_blank) {
            // Nothing to draw; a pixmap of one pixel marks the cache as made.
            m_pixmap = QPixmap(1, 1);
            m_pixmap.setDevicePixelRatio(ratio);
            return;
        }
        m_pixmap = QPixmap(area.size() * ratio);
        m_pixmap.setDevicePixelRatio(ratio);
        m_pixmap.fill(Qt::transparent);
        QPainter painter(&m_pixmap);
        drawing.draw(painter, m_at);
    }
}

void CachedDrawing::paint(QWidget *widget, const std::function<Drawing()> &make)
{
    prepare(widget, make);
    if (!m_blank && !m_pixmap.isNull())
        QPainter(widget).drawPixmap(m_at, m_pixmap);
}
