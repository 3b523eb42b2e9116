#include "facetra.h"
#include "segmentdisplay.h"

#include <QPainter>

#include <cmath>

namespace {

// The preview shows the style in the board's default time colour on the default LED background.
const QColor kLit(0xFF, 0x80, 0x00);
const QColor kBack(Qt::black);

} // namespace

Facetra::Facetra(QWidget *parent)
    : BoardWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setPixelSize(sizeHint());
}

void Facetra::setLedType(int ledType)
{
    ledType = qBound(int(SegmentGlyphs::Lines), ledType, int(SegmentGlyphs::Dots));
    if (ledType == m_ledType)
        return;
    m_ledType = ledType;
    update();
}

void Facetra::setSize(int size)
{
    size = qBound(1, size, SegmentDisplay::LargestSize);
    if (size == m_size)
        return;
    m_size = size;
    setPixelSize(sizeHint());
    update();
}

int Facetra::margin() const
{
    return qMax(1, int(std::lround(m_size * 0.15)));
}

QSize Facetra::sizeHint() const
{
    return QSize(SegmentGlyphs::digitWidth(m_size) + 2 * margin(), m_size + 2 * margin());
}

void Facetra::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBack);
    m_glyphs.setLook({m_size, m_ledType, kLit, kBack, devicePixelRatioF()});
    const QPixmap digit = m_glyphs.glyph(QLatin1Char('8'), true);
    painter.drawPixmap(
            QPoint((width() - SegmentGlyphs::digitWidth(m_size)) / 2, (height() - m_size) / 2),
            digit);
}
