#pragma once

#include "boutconstants.h"

#include <QtGlobal>

// The rules a sanctioned bout is run by when the game flow is on: the lineup between jams, the
// teams' timeouts and official reviews, the halftime and the number of periods. Times are ticks,
// ten-thousandths of a second. With on false the board keeps only the period and jam clocks.
struct GameRules
{
    bool on = false;
    qint64 lineupTicks = 30 * BoutConstants::TicksPerSecond;
    qint64 teamTimeoutTicks = 60 * BoutConstants::TicksPerSecond;
    int teamTimeouts = 3; // per team per game
    int officialReviews = 1; // per team per period
    qint64 halftimeTicks = 900 * BoutConstants::TicksPerSecond;
    int periods = 2;

    bool operator==(const GameRules &) const = default;
};

enum class Team { Home, Visitor };
