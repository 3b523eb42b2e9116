#pragma once

#include <Qt>

#include <functional>
#include <optional>

class QKeyEvent;

// The board's keys are stored and compared as the platform's virtual-key codes (J is 74, F1 112,
// NumLock 144). These functions turn Qt's key events into those codes. A key is identified by
// where it is, not by the symbol it types: with Shift held, 1 is still 49 and = still 187.
namespace VirtualKeys {

// What a key of the main block types in the keyboard layout in use, unshifted and shifted: an
// ASCII character, or 0 for any other symbol or none.
struct KeySymbols
{
    char unshifted = 0;
    char shifted = 0;
};
// Asks the windowing system for a key's symbols by its scan code and the modifiers' native
// state (which holds the layout group); empty when it cannot say.
using SymbolLookup = std::optional<KeySymbols> (*)(quint32 scanCode, quint32 nativeModifiers);

// 0 when the key has no code.
int fromQt(int qtKey, Qt::KeyboardModifiers modifiers);
int fromEvent(const QKeyEvent *event);
// A key on a platform that numbers the keys as X does (the number row 10 to 19), with the
// symbols its layout gives it when known: letters by the letter they type, and in a layout
// without Latin letters by where they are; a symbol key by the signs it types, as Windows
// has it (the key that types . shifted or not is 190, the one for + is 187), so that Shift never
// makes it another key; a symbol key that types no US symbol has no code, and none types a digit.
// symbols gives those of any key by its scan code, in the layout group in use; they are asked
// for only when needed.
int fromKeyboard(int qtKey, Qt::KeyboardModifiers modifiers, quint32 scanCode,
                 const std::function<std::optional<KeySymbols>(quint32)> &symbols);
// The windowing system's lookup, set once by the program at start.
void setSymbolLookup(SymbolLookup lookup);

} // namespace VirtualKeys
