#pragma once

#include "bout.h"

class DigitEntry;

// The character c (see DigitEntry) typed on the selected display that shows shown: collected in
// entry until it finishes a time or a number, which the bout then takes or refuses. True when it
// finished one that the bout was given.
bool DisplayKeyDown(Bout *bout, DigitEntry &entry, Bout::Item shown, int c);

// With the game flow on, the jam clock shows the lineup's or a timeout's count, and the period
// clock the halftime's; switched to the time of day, the period clock shows that. A time typed
// there is kept for the jam or period to come without showing.
// The words that say so to the operator, or nothing where the display shows the time it took.
QString KeptTimeText(const Bout &bout, Bout::Item shown, int clockSwitchKey);

// The bout's number of the penalty clock that a display shows, -1 for any other display.
int PenaltyOf(Bout::Item shown);
