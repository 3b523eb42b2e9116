#include "numberled.h"
#include "ledtext.h"

NumberLED::NumberLED(QWidget *parent)
    : SegmentDisplay(parent)
{
    setPattern(QString(LedText::numberCells(m_max), QLatin1Char('8')));
    refreshText();
}

void NumberLED::setCaption(const QString &caption)
{
    m_caption = caption;
    refreshText();
}

void NumberLED::setMax(int max)
{
    max = qBound(0, max, LargestMax);
    if (max == m_max)
        return;
    m_max = max;
    setPattern(QString(LedText::numberCells(m_max), QLatin1Char('8')));
    refreshText();
}

void NumberLED::refreshText()
{
    setText(LedText::numberText(m_caption, m_max));
}
