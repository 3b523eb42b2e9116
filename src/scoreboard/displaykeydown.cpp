#include "displaykeydown.h"

#include "digitentry.h"

void DisplayKeyDown(Bout *bout, DigitEntry &entry, Bout::Item shown, int c)
{
    switch (shown) {
    case Bout::HomeScore:
    case Bout::VisitorScore:
    case Bout::PeriodNumber: {
        const int max = shown == Bout::PeriodNumber ? BoutConstants::PeriodNumberLimit
                                                    : BoutConstants::ScoreLimit;
        if (const auto typed = entry.typeNumber(shown, c, bout->number(shown), max)) {
            if (typed->blank)
                bout->clearNumber(shown);
            else
                bout->setNumber(shown, typed->value);
        }
        return;
    }
    case Bout::JamClock:
        if (const auto typed = entry.typeTime(shown, c, BoutConstants::JamLimitSeconds))
            bout->setJamTime(*typed);
        return;
    case Bout::PeriodClock:
        if (const auto typed = entry.typeTime(shown, c, BoutConstants::PeriodLimitSeconds))
            bout->setPeriodTime(*typed);
        return;
    case Bout::HomePenalty1:
    case Bout::HomePenalty2:
    case Bout::VisitorPenalty1:
    case Bout::VisitorPenalty2:
        if (const auto typed = entry.typeTime(shown, c, BoutConstants::PenaltyLimitSeconds))
            bout->setPenaltyTime(shown - Bout::HomePenalty1, *typed);
        return;
    case Bout::ClockTime:
    case Bout::ResetValues:
    case Bout::Latches:
    default:
        return; // no display shows these
    }
}
