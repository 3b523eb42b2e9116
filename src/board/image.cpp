#include "image.h"

#include "twips.h"

#include <QPainter>

Image::Image(QWidget *parent)
    : BoardWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Image::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    m_scaled = QPixmap();
    if (!m_stretch)
        takeNaturalSize();
    update();
}

void Image::setSource(const QString &source, const QSize &naturalSize)
{
    m_source = source;
    m_naturalSize = naturalSize;
}

void Image::setStretch(bool stretch)
{
    if (stretch == m_stretch)
        return;
    // Switching stretching off keeps the present size until a picture is given, so an image that
    // gets no new picture stays as it was fitted.
    m_stretch = stretch;
    m_scaled = QPixmap();
    update();
}

void Image::takeNaturalSize()
{
    if (m_picture.isNull())
        return;
    const QSizeF natural = m_picture.deviceIndependentSize();
    setWidth(natural.width() * Twips::perPixel);
    setHeight(natural.height() * Twips::perPixel);
}

void Image::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    if (!m_stretch) {
        painter.drawPixmap(0, 0, m_picture);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize target = (QSizeF(size()) * ratio).toSize();
    if (m_scaled.size() != target) {
        m_scaled = m_picture.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaled.setDevicePixelRatio(ratio);
    }
    painter.drawPixmap(0, 0, m_scaled);
}
