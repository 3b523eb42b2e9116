#include "boutreadout.h"

#include "clockreadout.h"
#include "timekeeper.h"

namespace {

// Below a minute the period display switches to seconds and tenths.
constexpr qint64 kTenthsThresholdTicks = 599000; // 59.9 s

const QString kMinutesSeconds = QStringLiteral("60,1");
const QString kSecondsTenths = QStringLiteral("1,.1");

QString timeText(const BoutReadout::ClockValue &clock, LedText::Groups groups)
{
    return LedText::timeText(clock.value, LedText::parseTimeFormat(clock.displayFormat), groups)
            .trimmed();
}

QString numberText(int number, int max)
{
    return LedText::numberText(QString::number(number), max).trimmed();
}

} // namespace

namespace BoutReadout {

ClockValue periodClock(const Bout &bout, const QTime &now, const QLocale &locale)
{
    const qint64 period = bout.periodEngine()->ticks();
    if (bout.clockTime()) {
        const QString text = locale.toString(now, QLocale::ShortFormat);
        return {float(ClockReadout::minutesOfDay(text, now)), kMinutesSeconds};
    }
    if (period > kTenthsThresholdTicks)
        return {ClockReadout::wholeSeconds(period), kMinutesSeconds};
    return {float(double(period) / BoutConstants::TicksPerSecond), kSecondsTenths};
}

ClockValue jamClock(const Bout &bout)
{
    return {ClockReadout::wholeSeconds(bout.jamEngine()->ticks()), kMinutesSeconds};
}

ClockValue penaltyClock(const Bout &bout, int penalty)
{
    // -1 shows nothing.
    return {bout.isPenaltyBlank(penalty)
                    ? -1.0f
                    : ClockReadout::wholeSeconds(bout.penaltyEngine(penalty)->ticks()),
            kMinutesSeconds};
}

Texts texts(const Bout &bout, const QTime &now, const QLocale &locale)
{
    Texts t;
    t.period = timeText(periodClock(bout, now, locale), PeriodGroups);
    t.jam = timeText(jamClock(bout), JamGroups);
    for (int i = 0; i < Bout::PenaltyCount; ++i)
        t.penalties[size_t(i)] = timeText(penaltyClock(bout, i), PenaltyGroups);
    t.homeScore = numberText(bout.homeScore(), BoutConstants::ScoreLimit);
    t.visitorScore = numberText(bout.visitorScore(), BoutConstants::ScoreLimit);
    t.periodNumber = numberText(bout.periodNumber(), BoutConstants::PeriodNumberLimit);
    return t;
}

} // namespace BoutReadout
