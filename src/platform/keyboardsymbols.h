#pragma once

#include "virtualkeys.h"

// What the keyboard layout in use types on a key, for the key codes (see VirtualKeys): on X11
// the X server's keyboard mapping, asked afresh at every key so that a layout switched mid-bout
// counts at once.
namespace KeyboardSymbols {

// The symbols of the key with this X keycode in the layout group of the X state given; empty
// off X11.
std::optional<VirtualKeys::KeySymbols> ofKey(quint32 keycode, quint32 state);
// Has the key codes ask ofKey.
void install();

} // namespace KeyboardSymbols
