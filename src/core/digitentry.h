#pragma once

#include <QString>

#include <optional>

class QObject;

// Typing a time or a number into a selected display, one character code at a time. Character
// codes: digits 48-57, '+' 43, '-' 45, '.' 46, Enter 13, Space 32, 0 for the clear key, -1 for any
// other key. Times are fixed-point seconds in ten-thousandths. Works on the displays through
// their "Name" and "Caption" members only, so it needs no widgets.

// Characters typed so far and the display they were typed on. The first key typed on another
// display starts a fresh buffer.
struct EntryBuffer
{
    QString Text;
    QString Owner;
};

namespace DigitEntry {

EntryBuffer &TimeEntryBuffer();
EntryBuffer &NumberEntryBuffer();

} // namespace DigitEntry

// Collects a time typed on a time display. Returns the committed time when Enter ends an entry
// that parses and is not above maxSeconds; nothing otherwise.
std::optional<qint64> TimeKeyEntry(const QObject *display, int c, qint32 maxSeconds);

// Reads "minutes.seconds" with an optional third digit for tenths ("1.305" is 90.5 s). An empty
// text is no time.
std::optional<qint64> ParseTimeEntry(const QString &text);

// Edits the number shown on a number display ("Caption", "-1" blank) within [min, max].
void NumberKeyEntry(QObject *display, int c, qint16 min, qint16 max);

// Applies a finished number entry: digits set the number, "+n" and "-n" add to or take from the
// number shown (a blank display counts as 0), a leading character 0 (the clear key) blanks the
// display. A result outside [min, max], or below zero whatever min is, changes nothing: only the
// clear key blanks a display, never a sum that happens to come to -1.
void ApplyNumberEntry(QObject *display, const QString &text, qint16 min, qint16 max);
