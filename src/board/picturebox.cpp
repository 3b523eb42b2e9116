#include "picturebox.h"

#include "platformcolor.h"

#include <QPaintEvent>
#include <QPainter>

PictureBox::PictureBox(QWidget *parent)
    : BoardWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setBackColor(int color)
{
    if (color == m_backColor)
        return;
    m_backColor = color;
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), PlatformColor::toQColor(m_backColor));
}
