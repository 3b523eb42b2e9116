#include "selectionframe.h"

#include "shape.h"
#include "twips.h"

#include <QVariant>

#include <algorithm>

void FrameSelection(Shape *frame, const QWidget *selected, int widthPixels)
{
    const int margin = std::clamp(widthPixels, 0, 5) * Twips::perPixel;
    frame->hide();
    if (!selected)
        return;
    // Any display will do: its position is read by name, in twips.
    const QVariant left = selected->property("Left");
    const QVariant top = selected->property("Top");
    const QVariant width = selected->property("Width");
    const QVariant height = selected->property("Height");
    if (!left.isValid() || !top.isValid() || !width.isValid() || !height.isValid())
        return;
    frame->setTwipGeometry(left.toDouble() - margin, top.toDouble() - margin,
                           width.toDouble() + 2 * margin + Twips::perPixel,
                           height.toDouble() + 2 * margin + Twips::perPixel);
    frame->show();
}
