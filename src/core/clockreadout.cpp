#include "clockreadout.h"

#include "boutconstants.h"

#include <QStringList>

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
    if (parts.size() < 2)
        return fallback.hour() * 60 + fallback.minute();
    auto leadingNumber = [](const QString &part) {
        const QString trimmed = part.trimmed();
        int value = 0;
        for (qsizetype i = 0; i < trimmed.size() && trimmed[i].isDigit() && i < 6; ++i)
            value = value * 10 + trimmed[i].digitValue();
        return value;
    };
    return leadingNumber(parts[0]) * 60 + leadingNumber(parts[1]);
}

} // namespace ClockReadout
