#pragma once

#include <QtGlobal>

// The numbers the bout's rules are made of, defined here only.
namespace BoutConstants {

// Times are counted in ticks, ten-thousandths of a second.
inline constexpr qint64 TicksPerSecond = 10000;
inline constexpr qint64 TicksPerMillisecond = TicksPerSecond / 1000;

// The highest values the displays take: 9:59 on the jam and penalty clocks, 99:59 on the period
// clock, three digits for a score and one for the period number.
inline constexpr qint32 JamLimitSeconds = 599;
inline constexpr qint32 PeriodLimitSeconds = 5999;
inline constexpr qint32 PenaltyLimitSeconds = 599;
inline constexpr int ScoreLimit = 999;
inline constexpr int PeriodNumberLimit = 9;
// The game flow's numbers: the jam number (two digits) and each team's timeouts and reviews left.
inline constexpr int JamNumberLimit = 99;
inline constexpr int CountLimit = 9;

// What a reset period and jam clock show until a typed time replaces it.
inline constexpr qint64 PeriodResetTicks = 600 * TicksPerSecond;
inline constexpr qint64 JamResetTicks = 120 * TicksPerSecond;

} // namespace BoutConstants
