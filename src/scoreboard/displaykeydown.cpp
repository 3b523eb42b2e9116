#include "displaykeydown.h"

#include "digitentry.h"
#include "settingsmodel.h"

void DisplayKeyDown(Bout *bout, DigitEntry &entry, Bout::Item shown, int keyCode,
                    const SettingsModel &settings, const std::function<void(int)> &command,
                    const std::function<int(int)> &character)
{
    const SettingsModel &s = settings;
    const int penalty = shown - Bout::HomePenalty1;
    const bool isPenalty = penalty >= 0 && penalty < Bout::PenaltyCount;
    // A penalty clock's own keys act before the key runs as a command.
    if (isPenalty && keyCode == s.ClearKey)
        bout->clearPenalty(penalty);
    if (isPenalty && keyCode == s.PenaltyIncrementSecKey)
        bout->addPenaltyTime(penalty, s.PenaltyIncrementSec);
    command(keyCode);
    const int c = character(keyCode);
    if (isPenalty && keyCode == s.SepTimeKey)
        bout->startStopPenalty(penalty);

    if (shown >= Bout::HomeScore && shown <= Bout::PeriodNumber) {
        const int max = shown == Bout::PeriodNumber ? Bout::PeriodNumberLimit : Bout::ScoreLimit;
        if (const auto typed = entry.typeNumber(shown, c, bout->number(shown), max)) {
            if (typed->blank)
                bout->clearNumber(shown);
            else
                bout->setNumber(shown, typed->value);
        }
    } else if (shown == Bout::JamClock) {
        if (const auto typed = entry.typeTime(shown, c, Bout::JamLimitSeconds))
            bout->setJamTime(*typed);
    } else if (shown == Bout::PeriodClock) {
        if (const auto typed = entry.typeTime(shown, c, Bout::PeriodLimitSeconds))
            bout->setPeriodTime(*typed);
    } else if (const auto typed = entry.typeTime(shown, c, Bout::PenaltyLimitSeconds)) {
        bout->setPenaltyTime(penalty, *typed);
    }
}
