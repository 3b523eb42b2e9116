#include "boutreadout.h"

#include "clockreadout.h"
#include "timekeeper.h"

#include <algorithm>

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

bool jamShowsFlow(const Bout &bout)
{
    switch (bout.phase()) {
    case Bout::Lineup:
    case Bout::HomeTimeout:
    case Bout::VisitorTimeout:
    case Bout::OfficialTimeout:
    case Bout::HomeReview:
    case Bout::VisitorReview:
        return bout.gameFlow();
    default:
        return false;
    }
}

bool periodShowsFlow(const Bout &bout)
{
    return bout.gameFlow() && bout.phase() == Bout::Halftime;
}

QString caption(const Bout &bout)
{
    if (periodShowsFlow(bout) && bout.clockTime())
        return {};
    return Bout::caption(bout.phase());
}

ClockValue flowClock(const Bout &bout)
{
    const qint64 ticks = bout.flowEngine()->ticks();
    if (bout.flowCountsUp()) {
        using BoutConstants::TicksPerSecond;
        return {float(std::max<qint64>(ticks, 0) / TicksPerSecond), kMinutesSeconds};
    }
    return {ClockReadout::wholeSeconds(std::max<qint64>(ticks, 0)), kMinutesSeconds};
}

ClockValue periodClock(const Bout &bout, const QTime &now, const QLocale &locale)
{
    if (bout.clockTime()) {
        const QString text = locale.toString(now, QLocale::ShortFormat);
        return {float(ClockReadout::minutesOfDay(text, now)), kMinutesSeconds};
    }
    const qint64 period
            = periodShowsFlow(bout) ? bout.flowEngine()->ticks() : bout.periodEngine()->ticks();
    if (period > kTenthsThresholdTicks)
        return {ClockReadout::wholeSeconds(period), kMinutesSeconds};
    return {float(double(period) / BoutConstants::TicksPerSecond), kSecondsTenths};
}

ClockValue jamClock(const Bout &bout)
{
    if (jamShowsFlow(bout))
        return flowClock(bout);
    return {ClockReadout::wholeSeconds(bout.jamEngine()->ticks()), kMinutesSeconds};
}

LedText::Groups jamGroups(const Bout &bout)
{
    constexpr float kLargestInJamGroups = 9 * 60 + 59;
    return jamShowsFlow(bout) && flowClock(bout).value > kLargestInJamGroups ? PeriodGroups
                                                                             : JamGroups;
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
    t.jam = timeText(jamClock(bout), jamGroups(bout));
    for (int i = 0; i < Bout::PenaltyCount; ++i)
        t.penalties[size_t(i)] = timeText(penaltyClock(bout, i), PenaltyGroups);
    t.homeScore = numberText(bout.homeScore(), BoutConstants::ScoreLimit);
    t.visitorScore = numberText(bout.visitorScore(), BoutConstants::ScoreLimit);
    t.periodNumber = numberText(bout.periodNumber(), BoutConstants::PeriodNumberLimit);
    if (bout.gameFlow()) {
        using BoutConstants::CountLimit;
        t.jamNumber = numberText(bout.jamNumber(), BoutConstants::JamNumberLimit);
        t.homeTimeouts = numberText(bout.homeTimeouts(), CountLimit);
        t.visitorTimeouts = numberText(bout.visitorTimeouts(), CountLimit);
        t.homeReviews = numberText(bout.homeReviews(), CountLimit);
        t.visitorReviews = numberText(bout.visitorReviews(), CountLimit);
        t.caption = caption(bout);
    } else {
        // The jammers' seats are never shown without the flow.
        t.penalties[4].clear();
        t.penalties[5].clear();
    }
    return t;
}

} // namespace BoutReadout
