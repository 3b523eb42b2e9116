#include "colorswatch.h"

#include "platformcolor.h"

#include <QPalette>

ColorSwatch::ColorSwatch(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
    setMinimumSize(40, 24);
    setColor(0);
}

void ColorSwatch::setColor(qint32 bgr)
{
    m_color = bgr;
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, PlatformColor::toQColor(bgr));
    setPalette(palette);
}
