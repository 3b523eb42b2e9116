#pragma once

#include <optional>

// Brings the keyboard's NumLock to the wanted state: true on, false off. Returns true when the
// state is as wanted afterwards; false where the platform gives no way to set it (then it does
// nothing and says so once on standard error).
bool SetNumLock(bool wanted);

// The keyboard's NumLock state, or nothing where the platform does not tell.
std::optional<bool> NumLockState();
