#pragma once

#include "bout.h"
#include "ledtext.h"

#include <QLocale>
#include <QString>
#include <QTime>

#include <array>

// What the board's displays show for a bout, without widgets: the value and reading each clock
// display is given, and the texts the board's nine displays then show. The board writes the values
// to its displays; the live feed sends the texts, so both show the same.
namespace BoutReadout {

// A time display's input: the value (seconds, or minutes for a time of day; -1 blank) and its
// reading, "60,1" or "1,.1".
struct ClockValue
{
    float value = 0;
    QString displayFormat;
};

// What each clock display shows. The period clock shows seconds and tenths below a minute, the
// time of day in now's hour and minute (as locale writes a short time) while the bout's ClockTime
// is on, and the halftime clock in Halftime. The jam clock's display shows the flow clock in the
// lineup and the timeouts.
ClockValue periodClock(const Bout &bout, const QTime &now, const QLocale &locale);
ClockValue jamClock(const Bout &bout);
ClockValue penaltyClock(const Bout &bout, int penalty);
// The flow clock on its own, in whole seconds: counting down it shows a second until the whole
// second has passed, as the jam clock does; counting up it shows the seconds that have passed.
ClockValue flowClock(const Bout &bout);
// Whether the jam display shows the flow clock, and whether the period display does.
bool jamShowsFlow(const Bout &bout);
bool periodShowsFlow(const Bout &bout);
// The phase's caption, over the slot that counts its clock; none for the halftime while the
// time of day stands in its slot.
QString caption(const Bout &bout);

// The digit groups the board's displays are designed with.
inline constexpr LedText::Groups PeriodGroups {2, 2};
inline constexpr LedText::Groups JamGroups {1, 2};
inline constexpr LedText::Groups PenaltyGroups {1, 2};
// The jam display's groups for what it shows now: a flow clock of ten minutes or more (an
// official timeout that runs long, a lineup or team timeout set longer) takes a second minute
// digit, which the jam clock itself never needs.
LedText::Groups jamGroups(const Bout &bout);

// What the board shows, without the blank cells that keep the digits in place: "9:57", "59.9",
// "" for a blank display.
struct Texts
{
    QString period;
    QString jam;
    std::array<QString, Bout::PenaltyCount> penalties;
    QString homeScore;
    QString visitorScore;
    QString periodNumber;
    // The game flow's: blank with the flow off.
    QString jamNumber;
    QString homeTimeouts;
    QString visitorTimeouts;
    QString homeReviews;
    QString visitorReviews;
    QString caption; // the phase's, "" in a jam and before a period's first
};

Texts texts(const Bout &bout, const QTime &now, const QLocale &locale);

} // namespace BoutReadout
