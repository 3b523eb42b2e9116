#pragma once

#include <QString>
#include <QTime>

// What the clock displays show for an engine's time, worked out without widgets.
namespace ClockReadout {

// The whole second a counting-down clock shows: ticks (ten-thousandths of a second) plus 0.4999 s,
// rounded with halves to even. 59.0000 shows 59, 59.0001 shows 60, 58.0001 shows 58.
float wholeSeconds(qint64 ticks);

// Minutes since midnight as the hour and minute fields of a time-of-day text give them, the text
// split at ':': the number that ends the first field and the one that begins the second ("2:05 PM"
// and "PM 2:05" give 125). A text without both gives the minutes of fallback.
int minutesOfDay(const QString &timeText, const QTime &fallback);

// A length of whole seconds as minutes and seconds, for words to the operator: "2:05", "75:00".
QString minutesText(qint64 seconds);

} // namespace ClockReadout
