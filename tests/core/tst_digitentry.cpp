#include "digitentry.h"
#include "keycharacter.h"
#include "keycodetostr.h"
#include "virtualkeys.h"

#include <QKeyEvent>
#include <QObject>
#include <QTest>

namespace {

constexpr int kJam = 1;
constexpr int kPeriod = 2;
constexpr int kHome = 3;
constexpr int kVisitor = 4;

// Key codes of a typed text: digits and signs as themselves, '\n' Enter, ' ' Space, '#' the
// clear key (0), '?' any other key.
QList<int> codes(const QString &typed)
{
    QList<int> result;
    for (QChar ch : typed)
        result.append(ch == u'\n' ? 13 : ch == u'#' ? 0 : ch == u'?' ? -1 : ch.unicode());
    return result;
}

// Types on a time display and returns what the last key committed, in seconds (-1: nothing).
double typeTime(DigitEntry &entry, int display, const QString &typed, qint32 max)
{
    std::optional<qint64> last;
    for (int c : codes(typed))
        last = entry.typeTime(display, c, max);
    return last ? double(*last) / 10000 : -1;
}

// Types on a number display showing shown, which takes every finished entry as a display
// would, and returns what the last finished entry came to: a number, "blank", or "" for none.
QString typeNumber(DigitEntry &entry, int display, const QString &typed, int max, int shown = 0)
{
    QString last;
    for (int c : codes(typed)) {
        if (const auto number = entry.typeNumber(display, c, shown, max)) {
            last = number->blank ? QStringLiteral("blank") : QString::number(number->value);
            shown = number->blank ? -1 : number->value;
        }
    }
    return last;
}

} // namespace

class TestDigitEntry : public QObject
{
    Q_OBJECT

private slots:
    void timeEntry()
    {
        // What is typed, the clock's limit, the seconds committed (-1: nothing).
        const std::tuple<const char *, int, double> rows[] = {
                {"2.00\n", 599, 120},   {".45\n", 599, 45},        {"1.5\n", 599, 65},
                {"1.305\n", 599, 90.5}, {"10\n", 5999, 600},       {"1.2.3\n", 5999, -1},
                {"100\n", 9999, -1},    {"01.30500\n", 599, 90.5}, {"01.305000\n", 599, -1},
                {"1.90\n", 599, 150},   {"\n", 599, -1},           {"9.59\n", 599, 599},
                {"10.00\n", 599, -1},   {"99.59\n", 5999, 5999},   {"99.99\n", 5999, -1},
                {"5 2.00\n", 599, 120}, {"+2-?.#00\n", 599, 120},  {"2.00", 599, -1},
        };
        for (const auto &[typed, max, seconds] : rows) {
            DigitEntry entry;
            QCOMPARE(typeTime(entry, kJam, typed, max), seconds);
            // Enter always empties the buffer, accepted or not; without it the text stays pending.
            QCOMPARE(typeTime(entry, kJam, "\n", 5999),
                     QString(typed).endsWith(u'\n') ? -1.0 : 120.0);
        }

        // Typing on another display starts over.
        DigitEntry entry;
        typeTime(entry, kJam, "1.", 599);
        QCOMPARE(typeTime(entry, kPeriod, "30\n", 5999), 1800.0);
        QCOMPARE(typeTime(entry, kJam, "\n", 599), -1.0);
        // A key that types nothing on another display (Shift on its way to Shift+Tab back, a
        // command's key) leaves what is pending; a key that types there does not.
        typeTime(entry, kJam, "1.3", 599);
        typeTime(entry, kPeriod, "?", 5999);
        typeNumber(entry, kHome, "?", 999);
        QCOMPARE(typeTime(entry, kJam, "0\n", 599), 90.0);
        typeTime(entry, kJam, "1.3", 599);
        typeTime(entry, kPeriod, " ", 5999);
        QCOMPARE(typeTime(entry, kJam, "0\n", 599), 0.0);
        // Each board keeps its own entry.
        DigitEntry other;
        typeTime(entry, kJam, "2", 599);
        typeTime(other, kJam, "3", 599);
        QCOMPARE(typeTime(entry, kJam, "\n", 599), 120.0);
    }

    void numberEntry()
    {
        // The number shown before, what is typed, the limit, what the last finished entry came
        // to: the number typed or worked out, whatever the display's range, "blank", or "" for
        // nothing.
        const std::tuple<int, const char *, int, const char *> rows[] = {
                {0, "12\n", 999, "12"}, {5, "12", 999, ""},        {4, "+3", 999, "7"},
                {4, "+10", 999, "5"},   {4, "+10\n", 999, "0"},    {3, "-5", 999, "-2"},
                {3, "-4", 999, "-1"},   {3, "-3", 999, "0"},       {-1, "-1", 999, "-1"},
                {0, "-1", 9, "-1"},     {999, "+1", 999, "1000"},  {-1, "+2", 999, "2"},
                {1, "++5", 999, ""},    {1, "37", 9, "7"},         {1, "+", 9, ""},
                {1, "+2", 9, "3"},      {0, "1.2\n", 999, "12"},   {42, "#", 999, "blank"},
                {42, "7#\n", 999, "7"}, {0, "12 3\n", 999, "3"},   {8, "1000\n", 999, "1000"},
                {8, "?\n", 999, ""},    {10, "12+3\n", 999, "12"}, {10, "+-2\n", 999, "8"},
        };
        for (const auto &[shown, typed, max, result] : rows) {
            DigitEntry entry;
            QCOMPARE(typeNumber(entry, kHome, typed, max, shown), QString(result));
        }

        // A long run of digits saturates far out of every range rather than wrapping round into it.
        DigitEntry entry;
        QVERIFY(typeNumber(entry, kHome, "99999999999999999999999\n", 999).toInt() > 999);

        // Typing on another display discards what was pending.
        typeNumber(entry, kHome, "5", 999);
        QCOMPARE(typeNumber(entry, kVisitor, "\n", 999), QString());
        QCOMPARE(typeNumber(entry, kHome, "\n", 999), QString());
        typeNumber(entry, kVisitor, "7", 999);
        typeNumber(entry, kHome, "?", 999);
        typeTime(entry, kJam, "?", 599);
        typeNumber(entry, kHome, "?", 9);
        QCOMPARE(typeNumber(entry, kVisitor, "\n", 999), "7");
    }

    // The ends of each range, the keypad against the main block, the shifted symbols, the editing
    // keys and the keys that were once read wrong.
    // Where the platform numbers the keys as X does: the number row types its digits whatever
    // the layout puts on it, no other key types one, a key is the same key shifted or not, and
    // the letters of a layout without Latin ones are the keys where they lie.
    void keysOfOtherLayouts()
    {
        using Symbols = std::optional<VirtualKeys::KeySymbols>;
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers altGr = Qt::GroupSwitchModifier;
        const std::tuple<int, Qt::KeyboardModifiers, quint32, Symbols, int> rows[] = {
                // French
                {Qt::Key_Ampersand, none, 10, Symbols({'&', '1'}), 49},
                {Qt::Key_Agrave, none, 19, Symbols({0, '0'}), 48},
                {Qt::Key_Asterisk, none, 51, Symbols({'*', 0}), 0},
                {Qt::Key_Exclam, none, 61, Symbols({'!', 0}), 0},
                {Qt::Key_ParenRight, none, 20, Symbols({')', 0}), 0},
                {Qt::Key_Percent, shift, 48, Symbols({0, '%'}), 0},
                {Qt::Key_Dollar, none, 35, Symbols({'$', 0}), 0},
                {Qt::Key_Semicolon, none, 59, Symbols({';', '.'}), 190},
                {Qt::Key_Period, shift, 59, Symbols({';', '.'}), 190},
                {Qt::Key_Colon, none, 60, Symbols({':', '/'}), 191},
                {Qt::Key_Slash, shift, 60, Symbols({':', '/'}), 191},
                {Qt::Key_Comma, none, 58, Symbols({',', '?'}), 188},
                {Qt::Key_Question, shift, 58, Symbols({',', '?'}), 188},
                {Qt::Key_Equal, none, 21, Symbols({'=', '+'}), 187},
                {Qt::Key_A, none, 24, Symbols({'a', 'A'}), 65},
                {Qt::Key_M, shift, 47, Symbols({'m', 'M'}), 77},
                // German
                {Qt::Key_Plus, none, 35, Symbols({'+', '*'}), 187},
                {Qt::Key_Asterisk, shift, 35, Symbols({'+', '*'}), 187},
                {Qt::Key_NumberSign, none, 51, Symbols({'#', '\''}), 222},
                {Qt::Key_Apostrophe, shift, 51, Symbols({'#', '\''}), 222},
                {Qt::Key_Minus, none, 61, Symbols({'-', '_'}), 189},
                {Qt::Key_Semicolon, shift, 59, Symbols({',', ';'}), 188},
                {Qt::Key_Colon, shift, 60, Symbols({'.', ':'}), 190},
                {Qt::Key_Udiaeresis, none, 34, Symbols({0, 0}), 0},
                {Qt::Key_Z, none, 29, Symbols({'z', 'Z'}), 90},
                // AltGr on a letter key: the key's letter, whatever it types (@ on Q, ¶ on R).
                {Qt::Key_At, altGr, 24, Symbols({'q', 'Q'}), 81},
                {Qt::Key_paragraph, altGr, 27, Symbols({'r', 'R'}), 82},
                {0x20ac, altGr, 26, Symbols({'e', 'E'}), 69},
                // ... also where it types a letter, on a key that is not where the US letter is:
                // French AltGr+A types æ where US Q is, AltGr+M µ where US ; is.
                {Qt::Key_AE, altGr, 24, Symbols({'a', 'A'}), 65},
                {Qt::Key_mu, altGr, 47, Symbols({'m', 'M'}), 77},
                // US
                {Qt::Key_Colon, shift, 47, Symbols({';', ':'}), 186},
                {Qt::Key_QuoteDbl, shift, 48, Symbols({'\'', '"'}), 222},
                {Qt::Key_AsciiTilde, shift, 49, Symbols({'`', '~'}), 192},
                {Qt::Key_BraceLeft, shift, 34, Symbols({'[', '{'}), 219},
                {Qt::Key_BraceRight, shift, 35, Symbols({']', '}'}), 221},
                {Qt::Key_Bar, shift, 51, Symbols({'\\', '|'}), 220},
                {Qt::Key_Underscore, shift, 20, Symbols({'-', '_'}), 189},
                {Qt::Key_Exclam, shift, 10, Symbols({'1', '!'}), 49},
                {Qt::Key_Space, none, 65, Symbols({' ', ' '}), 32},
                {Qt::Key_F1, none, 67, Symbols(), 112},
                {Qt::Key_5, Qt::KeypadModifier, 84, Symbols(), 101},
                // Programmer Dvorak: the row's shifted digits run 7 5 3 1 9 0 2 4 6, the 8 beyond.
                {Qt::Key_ParenLeft, none, 14, Symbols({'(', '1'}), 49},
                {Qt::Key_1, shift, 14, Symbols({'(', '1'}), 49},
                {Qt::Key_BracketLeft, none, 11, Symbols({'[', '7'}), 55},
                {Qt::Key_Exclam, none, 20, Symbols({'!', '8'}), 56},
                // US International: Shift+6 is a dead ^ on the 6 key, ' a dead acute; French ^ a
                // dead key of its own.
                {Qt::Key_Dead_Circumflex, shift, 15, Symbols({'6', 0}), 54},
                {Qt::Key_Dead_Acute, none, 48, Symbols({0, 0}), 0},
                {Qt::Key_Dead_Circumflex, none, 34, Symbols({0, 0}), 0},
                // Russian: О on J, Ф on A, Я on Z.
                {0x41e, none, 44, Symbols({0, 0}), 74},
                {0x424, shift, 38, Symbols({0, 0}), 65},
                {0x42f, none, 52, Symbols({0, 0}), 90},
                // Greek AltGr+C and AltGr+R type © and ®: C and R, as the keys' own letters are.
                {Qt::Key_copyright, altGr, 54, Symbols({0, 0}), 67},
                {Qt::Key_registered, altGr, 27, Symbols({0, 0}), 82},
                // A platform that cannot tell the layout (Wayland) has the symbol alone.
                {Qt::Key_Exclam, shift, 61, Symbols(), 0},
                {Qt::Key_ParenLeft, shift, 20, Symbols(), 0},
                {Qt::Key_Period, none, 60, Symbols(), 190},
        };
        for (const auto &[qtKey, modifiers, scan, symbols, code] : rows) {
            const auto typed = [symbols](quint32) { return symbols; };
            QCOMPARE(VirtualKeys::fromKeyboard(qtKey, modifiers, scan, typed), code);
        }
        // A key of the row with no digit: none on a row that has digits elsewhere (Programmer
        // Dvorak's & key), 1 to 0 by place on a row of other digits (Persian's).
        const auto dvorak = [](quint32 key) {
            return key == 10 ? Symbols({'&', '%'}) : Symbols({'[', '7'});
        };
        QCOMPARE(VirtualKeys::fromKeyboard(Qt::Key_Ampersand, none, 10, dvorak), 0);
        QCOMPARE(VirtualKeys::fromKeyboard(Qt::Key_Percent, shift, 10, dvorak), 0);
        const auto persian = [](quint32) { return Symbols({0, '!'}); };
        QCOMPARE(VirtualKeys::fromKeyboard(0x6f1, none, 10, persian), 49);
        QCOMPARE(VirtualKeys::fromKeyboard(Qt::Key_Exclam, shift, 19, persian), 48);
    }

    void keysAndTheirNames()
    {
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;
        const std::tuple<int, Qt::KeyboardModifiers, int> rows[] = {
                {Qt::Key_A, none, 65},           {Qt::Key_Z, none, 90},
                {Qt::Key_0, none, 48},           {Qt::Key_9, none, 57},
                {Qt::Key_0, keypad, 96},         {Qt::Key_9, keypad, 105},
                {Qt::Key_Asterisk, keypad, 106}, {Qt::Key_Plus, keypad, 107},
                {Qt::Key_Minus, keypad, 109},    {Qt::Key_Minus, none, 189},
                {Qt::Key_Period, keypad, 110},   {Qt::Key_Slash, keypad, 111},
                {Qt::Key_Comma, keypad, 110},    {Qt::Key_Enter, keypad, 13},
                {Qt::Key_Delete, keypad, 46},    {Qt::Key_F1, none, 112},
                {Qt::Key_F12, none, 123},        {Qt::Key_Backtab, shift, 9},
                {Qt::Key_ParenRight, shift, 48}, {Qt::Key_QuoteDbl, shift, 222},
                {Qt::Key_Semicolon, none, 186},  {Qt::Key_Bar, shift, 220},
                {Qt::Key_unknown, none, 0},      {Qt::Key_Adiaeresis, none, 0},
                {Qt::Key_Pause, none, 19},       {Qt::Key_Escape, none, 27},
                {Qt::Key_PageUp, none, 33},      {Qt::Key_PageDown, none, 34},
                {Qt::Key_End, none, 35},         {Qt::Key_Home, none, 36},
                {Qt::Key_Left, none, 37},        {Qt::Key_Down, none, 40},
                {Qt::Key_Print, none, 44},       {Qt::Key_Insert, none, 45},
                {Qt::Key_Delete, none, 46},      {Qt::Key_Menu, none, 93},
                {Qt::Key_NumLock, none, 144},    {Qt::Key_ScrollLock, none, 145},
                {Qt::Key_CapsLock, none, 20},    {Qt::Key_Space, none, 32},
                {Qt::Key_Backspace, none, 8},    {Qt::Key_Up, none, 38},
                {Qt::Key_Right, none, 39},       {Qt::Key_Clear, keypad, 12},
                {Qt::Key_Shift, shift, 16},      {Qt::Key_Control, none, 17},
                {Qt::Key_Alt, none, 18},         {Qt::Key_AltGr, none, 18},
        };
        QCOMPARE(VirtualKeys::fromQt(Qt::Key_J, Qt::ControlModifier), 74);
        for (int digit = 0; digit <= 9; ++digit)
            QCOMPARE(VirtualKeys::fromQt(Qt::Key_0 + digit, keypad), 96 + digit);
        for (const auto &[qtKey, modifiers, code] : rows) {
            const QKeyEvent press(QEvent::KeyPress, qtKey, modifiers);
            QCOMPARE(VirtualKeys::fromQt(qtKey, modifiers), code);
            QCOMPARE(VirtualKeys::fromEvent(&press), code);
        }
        // Every symbol key of the main block, plain and shifted: both are the one key.
        const std::tuple<int, int, int> symbols[] = {
                {Qt::Key_Semicolon, Qt::Key_Colon, 186},
                {Qt::Key_Equal, Qt::Key_Plus, 187},
                {Qt::Key_Comma, Qt::Key_Less, 188},
                {Qt::Key_Minus, Qt::Key_Underscore, 189},
                {Qt::Key_Period, Qt::Key_Greater, 190},
                {Qt::Key_Slash, Qt::Key_Question, 191},
                {Qt::Key_QuoteLeft, Qt::Key_AsciiTilde, 192},
                {Qt::Key_BracketLeft, Qt::Key_BraceLeft, 219},
                {Qt::Key_Backslash, Qt::Key_Bar, 220},
                {Qt::Key_BracketRight, Qt::Key_BraceRight, 221},
                {Qt::Key_Apostrophe, Qt::Key_QuoteDbl, 222},
                {Qt::Key_1, Qt::Key_Exclam, 49},
                {Qt::Key_2, Qt::Key_At, 50},
                {Qt::Key_3, Qt::Key_NumberSign, 51},
                {Qt::Key_4, Qt::Key_Dollar, 52},
                {Qt::Key_5, Qt::Key_Percent, 53},
                {Qt::Key_6, Qt::Key_AsciiCircum, 54},
                {Qt::Key_7, Qt::Key_Ampersand, 55},
                {Qt::Key_8, Qt::Key_Asterisk, 56},
                {Qt::Key_9, Qt::Key_ParenLeft, 57},
        };
        for (const auto &[plain, shifted, code] : symbols) {
            QCOMPARE(VirtualKeys::fromQt(plain, none), code);
            QCOMPARE(VirtualKeys::fromQt(shifted, shift), code);
        }

        // What each key types on a display, from either block; every other key types nothing.
        const auto typed = [](int code) {
            if ((code >= 48 && code <= 57) || code == 13 || code == 32)
                return code;
            if (code >= 96 && code <= 105)
                return code - 96 + '0';
            if (code == 107 || code == 187)
                return int('+');
            if (code == 109 || code == 189)
                return int('-');
            return code == 110 || code == 190 ? int('.') : -1;
        };
        for (int code = 1; code < 256; ++code)
            QCOMPARE(KeyCharacter(code, 0), typed(code));
        QCOMPARE(KeyCharacter(VirtualKeys::fromQt(Qt::Key_Period, keypad), 46), int('.'));
        QCOMPARE(KeyCharacter(VirtualKeys::fromQt(Qt::Key_Plus, keypad), 46), int('+'));
        QCOMPARE(KeyCharacter(46, 46), 0);

        // Key names: the ends of the letter and function-key ranges, a few named keys, and keys
        // without a name, which can never be assigned.
        const std::pair<int, QString> names[] = {
                {8, "Backspace"},  {13, "Enter"},     {17, "Ctrl"}, {19, "Pause/Break"},
                {33, "Page Up"},   {34, "Page Down"}, {35, "End"},  {36, "Home"},
                {45, "Insert"},    {46, "Delete"},    {65, "A"},    {90, "Z"},
                {106, "Numpad *"}, {111, "Numpad /"}, {114, "F3"},  {123, "F12"},
                {186, ";"},        {188, ","},        {190, "."},   {191, "/"},
                {192, "`"},        {219, "["},        {220, "\\"},  {221, "]"},
                {222, "\""},
        };
        for (const auto &[code, name] : names)
            QCOMPARE(KeyCodeToStr(code), name);
        for (int code : {-1, 0, 9, 37, 48, 64, 91, 113, 124, 187})
            QCOMPARE(KeyCodeToStr(code), QString());
    }
};

QTEST_GUILESS_MAIN(TestDigitEntry)
#include "tst_digitentry.moc"
