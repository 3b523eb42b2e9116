#include "clockreadout.h"

#include "boutconstants.h"

#include <QStringList>

#include <algorithm>

namespace ClockReadout {

float wholeSeconds(qint64 ticks)
{
    using BoutConstants::TicksPerSecond;
    const qint64 shifted = ticks + 4999;
    // Floor division, so that the remainder is never negative.
    qint64 whole = shifted / TicksPerSecond;
    qint64 rest = shifted % TicksPerSecond;
    if (rest < 0) {
        rest += TicksPerSecond;
        --whole;
    }
    if (rest > TicksPerSecond / 2 || (rest == TicksPerSecond / 2 && (whole & 1)))
        ++whole;
    return float(whole);
}

int minutesOfDay(const QString &timeText, const QTime &fallback)
{
    const QStringList parts = timeText.split(u':');
    // The hour is the number just before the first ':', whatever words stand before it ("오후
    // 9:04", "B21:04"); the minutes the number just after it.
    const auto number = [](QStringView digits) {
        int value = 0;
        for (const QChar digit : digits.first(std::min<qsizetype>(digits.size(), 6)))
            value = value * 10 + digit.digitValue();
        return value;
    };
    if (parts.size() >= 2) {
        const QString hourField = parts[0].trimmed();
        const QString minuteField = parts[1].trimmed();
        qsizetype hourStart = hourField.size();
        while (hourStart > 0 && hourField[hourStart - 1].isDigit())
            --hourStart;
        qsizetype minuteEnd = 0;
        while (minuteEnd < minuteField.size() && minuteField[minuteEnd].isDigit())
            ++minuteEnd;
        if (hourStart < hourField.size() && minuteEnd > 0)
            return number(QStringView(hourField).sliced(hourStart)) * 60
                    + number(QStringView(minuteField).first(minuteEnd));
    }
    return fallback.hour() * 60 + fallback.minute();
}

QString minutesText(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace ClockReadout
