#pragma once

#include <optional>

// Brings the keyboard's NumLock to the wanted state: true on, false off. Returns true when the
// state is as wanted afterwards; false where the platform gives no way to set it (then it does
// nothing and says so once on standard error).
bool SetNumLock(bool wanted);

// The keyboard's NumLock state, or nothing where the platform does not tell.
std::optional<bool> NumLockState();

// Whether SetNumLock can work here: on Windows, and on X11 with a keymap that has a NumLock
// modifier. Other platforms (Wayland among them) give a program no way to set it.
bool NumLockSettable();
