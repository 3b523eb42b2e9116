#pragma once

#include <QPixmap>
#include <QPoint>

#include <functional>

class QPainter;
class QRect;
class QWidget;

// A widget's drawing kept as a pixmap, so that repainting a large board copies pixels instead of
// shaping text and stroking paths again. Only the part of the widget the drawing can reach is
// kept and copied: a caption fills little of a wide label. The drawing is redone only after
// invalidate() or when the widget's size or pixel ratio has changed.
class CachedDrawing final
{
public:
    void invalidate() { m_pixmap = QPixmap(); }

    // What a drawing covers, in the widget's coordinates, and how it is drawn there: draw gets
    // the pixmap's painter and the area's top left corner, to be taken off every coordinate. (A
    // painter moved by the corner instead would place text glyphs a fraction of a pixel apart.)
    struct Drawing
    {
        QRect area;
        std::function<void(QPainter &, QPoint)> draw;
    };

    // Paints the widget from the cache, calling make and its draw on a transparent pixmap of the
    // area first when the cache is out of date.
    void paint(QWidget *widget, const std::function<Drawing()> &make);

private:
    void prepare(const QWidget *widget, const std::function<Drawing()> &make);

    QPixmap m_pixmap;
    QSize m_widgetSize;
    QPoint m_at;
    bool m_blank = false;
};
