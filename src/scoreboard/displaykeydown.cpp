#include "displaykeydown.h"

#include "boutreadout.h"
#include "clockreadout.h"
#include "digitentry.h"
#include "keycodetostr.h"
#include "timekeeper.h"

#include <QCoreApplication>

namespace {

int numberLimit(Bout::Item shown)
{
    switch (shown) {
    case Bout::HomeScore:
    case Bout::VisitorScore:
        return BoutConstants::ScoreLimit;
    case Bout::PeriodNumber:
        return BoutConstants::PeriodNumberLimit;
    case Bout::JamNumber:
        return BoutConstants::JamNumberLimit;
    default:
        return BoutConstants::CountLimit;
    }
}

// 1:30, or 45.5 for a period's last minute, as the clock will show it.
QString clockText(qint64 ticks, bool tenthsInLastMinute)
{
    using BoutConstants::TicksPerSecond;
    if (tenthsInLastMinute && ticks < 60 * TicksPerSecond) {
        const qint64 tenths = (ticks + TicksPerSecond / 20) / (TicksPerSecond / 10);
        return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
    }
    return ClockReadout::minutesText(qint64(ClockReadout::wholeSeconds(ticks)));
}

} // namespace

int PenaltyOf(Bout::Item shown)
{
    switch (shown) {
    case Bout::HomePenalty1:
    case Bout::HomePenalty2:
    case Bout::VisitorPenalty1:
    case Bout::VisitorPenalty2:
        return shown - Bout::HomePenalty1;
    case Bout::HomePenalty3:
        return 4;
    case Bout::VisitorPenalty3:
        return 5;
    default:
        return -1;
    }
}

bool DisplayKeyDown(Bout *bout, DigitEntry &entry, Bout::Item shown, int c)
{
    switch (shown) {
    case Bout::HomeScore:
    case Bout::VisitorScore:
    case Bout::PeriodNumber:
    case Bout::JamNumber:
    case Bout::HomeTimeouts:
    case Bout::VisitorTimeouts:
    case Bout::HomeReviews:
    case Bout::VisitorReviews: {
        const int max = numberLimit(shown);
        if (const auto typed = entry.typeNumber(shown, c, bout->number(shown), max)) {
            if (typed->blank)
                bout->clearNumber(shown);
            else
                bout->setNumber(shown, typed->value);
            return true;
        }
        return false;
    }
    case Bout::JamClock:
        if (const auto typed = entry.typeTime(shown, c, BoutConstants::JamLimitSeconds)) {
            bout->setJamTime(*typed);
            return true;
        }
        return false;
    case Bout::PeriodClock:
        if (const auto typed = entry.typeTime(shown, c, BoutConstants::PeriodLimitSeconds)) {
            bout->setPeriodTime(*typed);
            return true;
        }
        return false;
    case Bout::HomePenalty1:
    case Bout::HomePenalty2:
    case Bout::VisitorPenalty1:
    case Bout::VisitorPenalty2:
    case Bout::HomePenalty3:
    case Bout::VisitorPenalty3:
        if (const auto typed = entry.typeTime(shown, c, BoutConstants::PenaltyLimitSeconds)) {
            bout->setPenaltyTime(PenaltyOf(shown), *typed);
            return true;
        }
        return false;
    case Bout::ClockTime:
    case Bout::ResetValues:
    case Bout::Latches:
    default:
        return false; // no display shows these
    }
}

QString KeptTimeText(const Bout &bout, Bout::Item shown, int clockSwitchKey)
{
    const auto tr
            = [](const char *text) { return QCoreApplication::translate("frmScoreboard", text); };
    if (shown == Bout::JamClock && BoutReadout::jamShowsFlow(bout))
        return tr("Jam clock set to %1; it shows when the jam starts.")
                .arg(clockText(bout.jamEngine()->ticks(), false));
    if (shown != Bout::PeriodClock)
        return {};
    const QString time = clockText(bout.periodEngine()->ticks(), true);
    // At halftime the clock switch shows the halftime clock, not the period's.
    if (BoutReadout::periodShowsFlow(bout))
        return tr("Period clock set to %1; it shows when the period starts.").arg(time);
    if (bout.clockTime() && clockSwitchKey != 0)
        return tr("Period clock set to %1; press %2 to see it.")
                .arg(time, KeyCodeToStr(clockSwitchKey));
    if (bout.clockTime())
        return tr("Period clock set to %1; the display shows the time of day.").arg(time);
    return {};
}
