#include "timeled.h"

TimeLED::TimeLED(QWidget *parent)
    : SegmentDisplay(parent)
{
    setPattern(LedText::timePattern(m_groups));
    refreshText();
}

void TimeLED::setValue(float value)
{
    m_value = value;
    refreshText();
}

void TimeLED::setDisplayFormat(const QString &displayFormat)
{
    m_displayFormat = displayFormat;
    refreshText();
}

void TimeLED::setGroupLengths(const QString &groupLengths)
{
    LedText::Groups groups;
    if (!LedText::parseGroups(groupLengths, &groups))
        return;
    m_groups = m_shownGroups = groups;
    setPattern(LedText::timePattern(m_groups));
    refreshText();
}

void TimeLED::showGroups(LedText::Groups groups)
{
    if (groups.first == m_shownGroups.first && groups.second == m_shownGroups.second)
        return;
    m_shownGroups = groups;
    refreshText();
}

// Only a change in the characters shown repaints: the program rewrites every clock twenty times
// a second, and most writes show the same time.
void TimeLED::refreshText()
{
    setText(LedText::timeText(m_value, LedText::parseTimeFormat(m_displayFormat), m_shownGroups));
}
