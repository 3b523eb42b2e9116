#pragma once

#include "bout.h"

class DigitEntry;

// The character c (see DigitEntry) typed on the selected display that shows shown: collected in
// entry until it finishes a time or a number, which the bout then takes or refuses.
void DisplayKeyDown(Bout *bout, DigitEntry &entry, Bout::Item shown, int c);

// The bout's number of the penalty clock that a display shows, -1 for any other display.
int PenaltyOf(Bout::Item shown);
