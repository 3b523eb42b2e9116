#pragma once

#include <QPixmap>

#include <functional>

class QPainter;
class QWidget;

// A widget's drawing kept as a pixmap, so that repainting a large board copies pixels instead of
// shaping text and stroking paths again. The drawing is redone only after invalidate() or when the
// widget's size or pixel ratio has changed.
class CachedDrawing final
{
public:
    void invalidate() { m_pixmap = QPixmap(); }

    // Paints the widget from the cache, calling draw on a transparent pixmap of the widget's
    // size first when the cache is out of date.
    void paint(QWidget *widget, const std::function<void(QPainter &)> &draw);

private:
    QPixmap m_pixmap;
};
