#include "colorapply.h"

#include "label.h"
#include "picturebox.h"
#include "segmentdisplay.h"
#include "shape.h"

void ColorLED(SegmentDisplay *display, qint32 litColor, qint32 backColor)
{
    display->setBackColor(backColor);
    display->setLitColor(litColor);
}

void ColorFormControls(QWidget *window, const QList<QWidget *> &exclusions, qint32 borderColor,
                       qint32 backColor)
{
    for (BoardWidget *control : BoardWidget::laidOutIn(window)) {
        if (control->objectName().isEmpty() || exclusions.contains(control))
            continue;
        if (auto *label = qobject_cast<Label *>(control))
            label->setForeColor(borderColor);
        else if (auto *frame = qobject_cast<PictureBox *>(control))
            frame->setBackColor(backColor);
        else if (auto *shape = qobject_cast<Shape *>(control))
            shape->setBorderColor(borderColor);
    }
}
