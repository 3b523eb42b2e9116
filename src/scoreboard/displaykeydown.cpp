#include "displaykeydown.h"

#include "digitentry.h"

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

void DisplayKeyDown(Bout *bout, DigitEntry &entry, Bout::Item shown, int c)
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
    case Bout::HomePenalty3:
    case Bout::VisitorPenalty3:
        if (const auto typed = entry.typeTime(shown, c, BoutConstants::PenaltyLimitSeconds))
            bout->setPenaltyTime(PenaltyOf(shown), *typed);
        return;
    case Bout::ClockTime:
    case Bout::ResetValues:
    case Bout::Latches:
    default:
        return; // no display shows these
    }
}
