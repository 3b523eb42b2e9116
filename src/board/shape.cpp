#include "shape.h"

#include "platformcolor.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

Shape::Shape(QWidget *parent)
    : BoardWidget(parent)
{
    // Shapes are drawn on the window surface: clicks reach the window, not the outline.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::setKind(int kind)
{
    const int valid = kind == RoundedRectangle ? RoundedRectangle : Rectangle;
    if (valid == m_kind)
        return;
    m_kind = valid;
    update();
}

void Shape::setBorderColor(int color)
{
    if (color == m_borderColor)
        return;
    m_borderColor = color;
    update();
}

void Shape::setBorderWidth(double pixels)
{
    // Whole pixels, as the layout records them.
    const double width = std::max(0.0, std::nearbyint(pixels));
    if (width == m_borderWidth)
        return;
    m_borderWidth = width;
    update();
}

void Shape::setFillColor(int color)
{
    if (color == m_fillColor)
        return;
    m_fillColor = color;
    update();
}

void Shape::setFilled(bool filled)
{
    if (filled == m_filled)
        return;
    m_filled = filled;
    update();
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF outer = rect();
    if (m_kind == Rectangle) {
        if (m_filled)
            painter.fillRect(outer, PlatformColor::toQColor(m_fillColor));
        if (m_borderWidth > 0) {
            // The border lies inside the shape's bounds, so the outline never leaves them.
            const double w = std::min({m_borderWidth, outer.width() / 2, outer.height() / 2});
            QPainterPath frame;
            frame.addRect(outer);
            frame.addRect(outer.adjusted(w, w, -w, -w));
            painter.fillPath(frame, PlatformColor::toQColor(m_borderColor));
        }
        return;
    }

    painter.setRenderHint(QPainter::Antialiasing);
    // The corner follows the smaller side, so small and large frames have the same look.
    const double radius = std::min(outer.width(), outer.height()) / 8.0;
    const double half = m_borderWidth / 2.0;
    const QRectF path = outer.adjusted(half, half, -half, -half);
    const double inner = std::max(0.0, radius - half);
    if (m_filled) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(PlatformColor::toQColor(m_fillColor));
        painter.drawRoundedRect(path, inner, inner);
    }
    if (m_borderWidth > 0) {
        // The border is filled as a ring between two rounded rectangles, the outline of a pen
        // m_borderWidth wide along path: stroking a wide pen round a board-sized frame costs a
        // tenth of a second at 3840 x 2160, filling the ring a fraction of that. The ring is
        // made once for a size and border.
        if (m_ringSize != size() || m_ringBorder != m_borderWidth) {
            m_ring = QPainterPath();
            m_ring.addRoundedRect(outer, inner + half, inner + half);
            const QRectF hole = path.adjusted(half, half, -half, -half);
            if (hole.width() > 0 && hole.height() > 0) {
                const double holeRadius = std::max(0.0, inner - half);
                m_ring.addRoundedRect(hole, holeRadius, holeRadius);
            }
            m_ringSize = size();
            m_ringBorder = m_borderWidth;
        }
        painter.fillPath(m_ring, PlatformColor::toQColor(m_borderColor));
    }
}
