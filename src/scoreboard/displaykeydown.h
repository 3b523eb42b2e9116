#pragma once

#include "bout.h"

#include <functional>

class SegmentDisplay;
struct SettingsModel;

// A key pressed on the selected display, in its order: a penalty clock's own clear and increment
// keys, then the key as a command of the window (command), then a penalty clock's start/stop key
// and last the key as the character (character) typed into the display, which the bout takes.
void DisplayKeyDown(Bout *bout, SegmentDisplay *display, Bout::Item shown, int keyCode,
                    const SettingsModel &settings, const std::function<void(int)> &command,
                    const std::function<int(int)> &character);
