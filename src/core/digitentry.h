#pragma once

#include <QString>

#include <optional>

// Typing a time or a number into a selected display, one character code at a time. Character
// codes: digits 48-57, '+' 43, '-' 45, '.' 46, Enter 13, Space 32, 0 for the clear key, -1 for any
// other key. Times are fixed-point seconds in ten-thousandths. A finished entry is returned for
// the caller to hand to the bout, which refuses what is out of range; nothing is written anywhere.
//
// One DigitEntry per board holds what has been typed there so far. Displays are told apart by a
// number of the caller's choosing; the first key typed on another display starts a fresh entry.
class DigitEntry final
{
public:
    // A finished number entry: the number it comes to, which may lie outside any display's range,
    // or the clear key's blank.
    struct Number
    {
        bool blank = false;
        int value = 0;
        bool operator==(const Number &) const = default;
    };

    // Collects a time typed on a time display. Returns the committed time when Enter ends an
    // entry that parses and is not above maxSeconds; nothing otherwise.
    std::optional<qint64> typeTime(int display, int c, qint32 maxSeconds);

    // Collects a number typed on a number display that shows shown (-1 blank), up to max. Digits
    // set the number, "+n" and "-n" add to or take from the number shown (a blank display counts
    // as 0), the clear key blanks it. Displays of one digit (max up to 9) take each digit at once,
    // and a signed entry ends with its first digit; others end with Enter.
    std::optional<Number> typeNumber(int display, int c, int shown, int max);

    // Reads "minutes.seconds" with an optional third digit for tenths ("1.305" is 90.5 s). An
    // empty text is no time.
    static std::optional<qint64> parseTime(const QString &text);

private:
    // Characters typed so far and the display they were typed on.
    struct Buffer
    {
        QString text;
        int owner = -1;
        QString &on(int display);
    };

    Buffer m_time;
    Buffer m_number;
};
