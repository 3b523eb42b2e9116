#pragma once

#include <Qt>

class QKeyEvent;

// The board's keys are stored and compared as the platform's virtual-key codes (J is 74, F1 112,
// NumLock 144). These functions turn Qt's key events into those codes. A key is identified by
// where it is, not by the symbol it types: with Shift held, 1 is still 49 and = still 187.
namespace VirtualKeys {

// 0 when the key has no code.
int fromQt(int qtKey, Qt::KeyboardModifiers modifiers);
int fromEvent(const QKeyEvent *event);

} // namespace VirtualKeys
