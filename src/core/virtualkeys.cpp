#include "virtualkeys.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

struct KeyCode
{
    int qtKey;
    int code;
};

// Keys of the numeric keypad while NumLock is on; Qt reports them with Qt::KeypadModifier.
// With NumLock off the keypad reports Home, End, arrows and so on, which map as those keys do.
constexpr std::array KeypadKeys {
        KeyCode {Qt::Key_0, 96},
        KeyCode {Qt::Key_1, 97},
        KeyCode {Qt::Key_2, 98},
        KeyCode {Qt::Key_3, 99},
        KeyCode {Qt::Key_4, 100},
        KeyCode {Qt::Key_5, 101},
        KeyCode {Qt::Key_6, 102},
        KeyCode {Qt::Key_7, 103},
        KeyCode {Qt::Key_8, 104},
        KeyCode {Qt::Key_9, 105},
        KeyCode {Qt::Key_Asterisk, 106},
        KeyCode {Qt::Key_Plus, 107},
        KeyCode {Qt::Key_Minus, 109},
        KeyCode {Qt::Key_Period, 110},
        // Layouts with a decimal comma put it on the keypad's decimal key.
        KeyCode {Qt::Key_Comma, 110},
        KeyCode {Qt::Key_Slash, 111},
};

// Everything else, keypad or not. The shifted symbols of a US layout map back to the key that
// types them, since Qt reports the symbol (Shift+1 arrives as Key_Exclam); the shifted digits are
// apart, for on other layouts those symbols lie on other keys.
constexpr std::array Keys {
        KeyCode {Qt::Key_Backspace, 8},      KeyCode {Qt::Key_Tab, 9},
        KeyCode {Qt::Key_Backtab, 9},        KeyCode {Qt::Key_Clear, 12},
        KeyCode {Qt::Key_Return, 13},        KeyCode {Qt::Key_Enter, 13},
        KeyCode {Qt::Key_Shift, 16},         KeyCode {Qt::Key_Control, 17},
        KeyCode {Qt::Key_Alt, 18},           KeyCode {Qt::Key_AltGr, 18},
        KeyCode {Qt::Key_Pause, 19},         KeyCode {Qt::Key_CapsLock, 20},
        KeyCode {Qt::Key_Escape, 27},        KeyCode {Qt::Key_Space, 32},
        KeyCode {Qt::Key_PageUp, 33},        KeyCode {Qt::Key_PageDown, 34},
        KeyCode {Qt::Key_End, 35},           KeyCode {Qt::Key_Home, 36},
        KeyCode {Qt::Key_Left, 37},          KeyCode {Qt::Key_Up, 38},
        KeyCode {Qt::Key_Right, 39},         KeyCode {Qt::Key_Down, 40},
        KeyCode {Qt::Key_Print, 44},         KeyCode {Qt::Key_Insert, 45},
        KeyCode {Qt::Key_Delete, 46},        KeyCode {Qt::Key_Menu, 93},
        KeyCode {Qt::Key_NumLock, 144},      KeyCode {Qt::Key_ScrollLock, 145},
        KeyCode {Qt::Key_Semicolon, 186},    KeyCode {Qt::Key_Colon, 186},
        KeyCode {Qt::Key_Equal, 187},        KeyCode {Qt::Key_Plus, 187},
        KeyCode {Qt::Key_Comma, 188},        KeyCode {Qt::Key_Less, 188},
        KeyCode {Qt::Key_Minus, 189},        KeyCode {Qt::Key_Underscore, 189},
        KeyCode {Qt::Key_Period, 190},       KeyCode {Qt::Key_Greater, 190},
        KeyCode {Qt::Key_Slash, 191},        KeyCode {Qt::Key_Question, 191},
        KeyCode {Qt::Key_QuoteLeft, 192},    KeyCode {Qt::Key_AsciiTilde, 192},
        KeyCode {Qt::Key_BracketLeft, 219},  KeyCode {Qt::Key_BraceLeft, 219},
        KeyCode {Qt::Key_Backslash, 220},    KeyCode {Qt::Key_Bar, 220},
        KeyCode {Qt::Key_BracketRight, 221}, KeyCode {Qt::Key_BraceRight, 221},
        KeyCode {Qt::Key_Apostrophe, 222},   KeyCode {Qt::Key_QuoteDbl, 222},
};

constexpr std::array UsShiftedDigits {
        KeyCode {Qt::Key_ParenRight, 48},  KeyCode {Qt::Key_Exclam, 49},
        KeyCode {Qt::Key_At, 50},          KeyCode {Qt::Key_NumberSign, 51},
        KeyCode {Qt::Key_Dollar, 52},      KeyCode {Qt::Key_Percent, 53},
        KeyCode {Qt::Key_AsciiCircum, 54}, KeyCode {Qt::Key_Ampersand, 55},
        KeyCode {Qt::Key_Asterisk, 56},    KeyCode {Qt::Key_ParenLeft, 57},
};

// The keys that type the signs, whichever layout puts them where, shifted or not.
constexpr std::array<std::pair<char, int>, 5> SignKeys {
        {{'.', 190}, {',', 188}, {'-', 189}, {'+', 187}, {'=', 187}}};
// The US layout's other symbol keys, by the symbol they type unshifted.
constexpr std::array<std::pair<char, int>, 7> SymbolKeys {
        {{';', 186}, {'/', 191}, {'`', 192}, {'[', 219}, {'\\', 220}, {']', 221}, {'\'', 222}}};

// The letter of the US layout's key with this scan code, or 0.
int usLetterAt(quint32 scanCode)
{
    static constexpr std::pair<quint32, std::string_view> Rows[] {
            {24, "QWERTYUIOP"}, {38, "ASDFGHJKL"}, {52, "ZXCVBNM"}};
    for (const auto &[first, letters] : Rows) {
        if (scanCode >= first && scanCode < first + letters.size())
            return letters[scanCode - first];
    }
    return 0;
}

VirtualKeys::SymbolLookup s_lookup = nullptr;

template<std::size_t N>
int lookUp(const std::array<KeyCode, N> &table, int qtKey)
{
    const auto found = std::find_if(table.begin(), table.end(),
                                    [qtKey](const KeyCode &entry) { return entry.qtKey == qtKey; });
    return found == table.end() ? 0 : found->code;
}

} // namespace

namespace VirtualKeys {

int fromQt(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const int code = lookUp(KeypadKeys, qtKey))
            return code;
    }
    // Letters and main-block digits share their codes with Qt's (the ASCII capitals and digits).
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    if (const int code = lookUp(Keys, qtKey))
        return code;
    return lookUp(UsShiftedDigits, qtKey);
}

int fromKeyboard(int qtKey, Qt::KeyboardModifiers modifiers, quint32 scanCode,
                 const std::function<std::optional<KeySymbols>(quint32)> &symbols)
{
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (keypad) {
        if (const int code = lookUp(KeypadKeys, qtKey))
            return code;
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return qtKey;
    // Qt numbers the keys that type nothing from Escape on: F1, Enter, the arrows and the like.
    // A dead key (US International's Shift+6, French ^) is a symbol key all the same.
    const bool dead = qtKey >= Qt::Key_Dead_Grave && qtKey <= Qt::Key_Dead_Longsolidusoverlay;
    if ((qtKey >= Qt::Key_Escape && !dead) || qtKey == Qt::Key_Space)
        return fromQt(qtKey, modifiers);
    // A key that types a digit, shifted or not, is that digit, as Windows has it: French puts &
    // on the 1 key unshifted, German = on Shift+0, and Programmer Dvorak's row runs 7 5 3 1 9 0
    // 2 4 6 with the 8 beyond it.
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9 && !keypad)
        return qtKey;
    // X and Wayland number the row's keys 10 to 19 (1 to 9, then 0) on every layout.
    const bool numberRow = scanCode >= 10 && scanCode <= 19 && !keypad;
    const int rowDigit = scanCode == 19 ? Qt::Key_0 : Qt::Key_1 + int(scanCode - 10);
    // A letter key typing another letter, as French AltGr has A type æ, is its letter. Cyrillic,
    // Greek and the like: the letters Windows gives, those of the same places on a US keyboard;
    // a letter elsewhere (German Ü where [ is) has none.
    const bool letter = QChar::isLetter(char32_t(qtKey));
    if (letter && !numberRow) {
        const std::optional<KeySymbols> typed = symbols ? symbols(scanCode) : std::nullopt;
        if (typed && typed->unshifted >= 'a' && typed->unshifted <= 'z')
            return typed->unshifted - 'a' + 'A';
        return usLetterAt(scanCode);
    }
    const auto digitOn = [&symbols](quint32 key) {
        const std::optional<KeySymbols> typed = symbols ? symbols(key) : std::nullopt;
        for (const char symbol : {typed ? typed->unshifted : '\0', typed ? typed->shifted : '\0'}) {
            if (symbol >= '0' && symbol <= '9')
                return int(symbol);
        }
        return 0;
    };
    if (const int digit = digitOn(scanCode))
        return digit;
    // A row that types other digits than these (Persian), or one the platform cannot tell, is
    // its digits by where its keys are; on a row that has them, a key without one has none
    // (Programmer Dvorak's & key).
    if (numberRow) {
        bool rowHasDigits = false;
        for (quint32 key = 10; key <= 20 && !rowHasDigits; ++key)
            rowHasDigits = key != scanCode && digitOn(key) != 0;
        if (!rowHasDigits)
            return rowDigit;
    }
    const std::optional<KeySymbols> typed = symbols ? symbols(scanCode) : std::nullopt;
    if (!typed)
        return lookUp(Keys, qtKey);
    // A letter key typing something else, as AltGr has it type @ or €, is its letter all the
    // same: Windows gives the key's code whatever the modifiers. In a layout without Latin
    // letters (Greek AltGr+C types ©) it is the letter of its place, as its own letter is.
    if (typed->unshifted >= 'a' && typed->unshifted <= 'z')
        return typed->unshifted - 'a' + 'A';
    if (!typed->unshifted && !typed->shifted && !dead)
        if (const int letter = usLetterAt(scanCode))
            return letter;
    for (const auto &[sign, code] : SignKeys) {
        if (typed->unshifted == sign || typed->shifted == sign)
            return code;
    }
    for (const char symbol : {typed->unshifted, typed->shifted}) {
        for (const auto &[usSymbol, code] : SymbolKeys) {
            if (symbol == usSymbol)
                return code;
        }
    }
    return 0;
}

void setSymbolLookup(SymbolLookup lookup)
{
    s_lookup = lookup;
}

int fromEvent(const QKeyEvent *event)
{
    if (!event)
        return 0;
#ifdef Q_OS_WIN
    // Windows hands over the code itself, whatever the keyboard layout.
    if (const quint32 native = event->nativeVirtualKey(); native > 0 && native < 256)
        return int(native);
#endif
    static const bool keyboardCodes = QGuiApplication::platformName() == QLatin1String("xcb")
            || QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (!keyboardCodes)
        return fromQt(event->key(), event->modifiers());
    const quint32 scanCode = event->nativeScanCode();
    const quint32 native = event->nativeModifiers();
    return fromKeyboard(event->key(), event->modifiers(), scanCode,
                        [native](quint32 key) -> std::optional<KeySymbols> {
                            if (!s_lookup)
                                return std::nullopt;
                            return s_lookup(key, native);
                        });
}

} // namespace VirtualKeys
