#pragma once

#include <QString>

// What an LED display shows, as the characters it draws: digits, a space for a blanked leading
// zero, ":" or "." for the separator, and an empty text when the display is blank. The drawing
// turns these characters into cells, so the text is exactly what the audience sees.
namespace LedText {

// Digit groups of a time display: cells before and after the separator.
struct Groups
{
    int first = 2;
    int second = 2;
};

// "60,1": minutes and seconds (or hours and minutes when the value holds minutes).
// "1,.1": seconds and tenths; the second group is then a single tenths cell.
enum class TimeFormat { MinutesSeconds, SecondsTenths };

TimeFormat parseTimeFormat(const QString &displayFormat);

// Reads "a,b"; each count is clamped so that every value has room (the seconds of a minute need
// two cells). Returns false for text that is not two numbers.
bool parseGroups(const QString &text, Groups *groups);
QString groupsText(Groups groups);

// -1 (and a value that is not a number) is blank; anything else below zero shows as zero. The
// value is read at the engine's resolution of a ten-thousandth of a second and then truncated
// to the last shown unit. A value too large for the cells shows the largest time they hold.
QString timeText(float value, TimeFormat format, Groups groups);

// The text that a time display of these groups needs room for, whatever it shows.
QString timePattern(Groups groups);

// The cells a number display needs for its largest value.
int numberCells(int max);

// "-1", and a caption that is not a number, is blank; a negative number shows as zero and one
// above max as max. Right-aligned in numberCells(max) cells.
QString numberText(const QString &caption, int max);

} // namespace LedText
