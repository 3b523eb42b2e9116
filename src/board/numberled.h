#pragma once

#include "segmentdisplay.h"

// The number display: a score or the period number. Caption holds the number as text, as the
// program writes and reads it back; "-1" blanks the display. Max is the largest value shown and
// gives the number of digit cells (9: one cell, 999: three).
class NumberLED final : public SegmentDisplay
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(int Max READ Max WRITE setMax)

public:
    explicit NumberLED(QWidget *parent = nullptr);
    Q_DISABLE_COPY_MOVE(NumberLED)

    static constexpr int LargestMax = 32767;

    QString Caption() const { return m_caption; }
    int Max() const { return m_max; }

    void setCaption(const QString &caption);
    void setMax(int max);

private:
    void refreshText();

    QString m_caption = QStringLiteral("0");
    int m_max = 9;
};
