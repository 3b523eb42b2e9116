#include "cacheddrawing.h"

#include <QPainter>
#include <QWidget>

void CachedDrawing::paint(QWidget *widget, const std::function<void(QPainter &)> &draw)
{
    const qreal ratio = widget->devicePixelRatioF();
    const QSize pixels = widget->size() * ratio;
    if (pixels.isEmpty())
        return;
    if (m_pixmap.size() != pixels || m_pixmap.devicePixelRatio() != ratio) {
        m_pixmap = QPixmap(pixels);
        m_pixmap.setDevicePixelRatio(ratio);
        m_pixmap.fill(Qt::transparent);
        QPainter painter(&m_pixmap);
        draw(painter);
    }
    QPainter(widget).drawPixmap(0, 0, m_pixmap);
}
