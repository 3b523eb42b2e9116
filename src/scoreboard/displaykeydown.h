#pragma once

#include "bout.h"

#include <functional>

class DigitEntry;
struct SettingsModel;

// A key pressed on the selected display, in its order: a penalty clock's own clear and increment
// keys, then the key as a command of the window (command), then a penalty clock's start/stop key
// and last the key as the character (character) typed into the display, collected in entry
// until it finishes a time or number that the bout takes.
void DisplayKeyDown(Bout *bout, DigitEntry &entry, Bout::Item shown, int keyCode,
                    const SettingsModel &settings, const std::function<void(int)> &command,
                    const std::function<int(int)> &character);
