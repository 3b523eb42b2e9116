#pragma once

#include "ledtext.h"
#include "segmentdisplay.h"

// The time display: a clock face of two digit groups around a colon or a point.
//
// Value is what the program wrote, in seconds (or minutes, for a time of day); -1 blanks the
// display. DisplayFormat chooses the reading: "60,1" shows minutes and seconds (hours and
// minutes when the value holds minutes), "1,.1" seconds and tenths. GroupLengths gives the digit
// cells before and after the colon, "2,2" for a period clock, "1,2" for a jam or penalty clock;
// it fixes the display's size whatever the format.
class TimeLED final : public SegmentDisplay
{
    Q_OBJECT
    Q_PROPERTY(float Value READ Value WRITE setValue)
    Q_PROPERTY(QString DisplayFormat READ DisplayFormat WRITE setDisplayFormat)
    Q_PROPERTY(QString GroupLengths READ GroupLengths WRITE setGroupLengths)
    Q_PROPERTY(int PaddingD READ PaddingD WRITE setPaddingD)

public:
    explicit TimeLED(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TimeLED)

    float Value() const { return m_value; }
    QString DisplayFormat() const { return m_displayFormat; }
    QString GroupLengths() const { return LedText::groupsText(m_groups); }
    int PaddingD() const { return separatorPadding(); }

    void setValue(float value);
    void setDisplayFormat(const QString &displayFormat);
    // Text that is not two numbers is ignored; each count is clamped to what fits a clock.
    void setGroupLengths(const QString &groupLengths);
    void setPaddingD(int twips) { setSeparatorPadding(twips); }
    // Groups for the time shown alone, where it needs more than the display is built with (a
    // long flow clock on the jam display): the display keeps its size and draws the row smaller
    // to fit. The built groups are shown again with showGroups() of those.
    void showGroups(LedText::Groups groups);

private:
    void refreshText();

    float m_value = 0;
    QString m_displayFormat = QStringLiteral("60,1");
    LedText::Groups m_groups;
    LedText::Groups m_shownGroups;
};
