#include "gameflow.h"

#include <algorithm>

namespace GameFlow {

namespace {

using Clock = BoutState::Clock;
using Phase = BoutState::Phase;

void setFlow(BoutState &state, qint64 ticks, bool running, bool up)
{
    state.clocks[Clock::Flow] = {ticks, running};
    state.flowCountsUp = up;
}

void stopAll(BoutState &state)
{
    for (BoutState::ClockValue &clock : state.clocks)
        clock.running = false;
}

} // namespace

void startJam(BoutState &state, const GameRules &rules)
{
    if (state.phase == Phase::Halftime)
        startNextPeriod(state, rules);
    // An overtime jam: the last period is over, whatever time was put on its clock since, and
    // the jam's end is final again.
    if (state.phase == Phase::Final) {
        state.clocks[Clock::Period] = {0, false};
        state.periodEndSignalled = true;
        state.heldPeriodEndSound = false;
    }
    int &jamNumber = state.numbers[BoutState::JamNumber];
    jamNumber = std::min(jamNumber < 0 ? 1 : jamNumber + 1, BoutConstants::JamNumberLimit);
    int &period = state.numbers[BoutState::PeriodNumber];
    if (period <= 0)
        period = 1;
    state.clocks[Clock::Jam].ticks = state.jamResetTicks;
    state.phase = Phase::InJam;
    state.periodStarted = true;
    setFlow(state, 0, false, false);
}

bool jamEndsPeriod(const BoutState &state)
{
    const BoutState::ClockValue &period = state.clocks[Clock::Period];
    return !period.running && period.ticks <= 0 && state.periodEndSignalled;
}

void jamEnded(BoutState &state, const GameRules &rules)
{
    if (jamEndsPeriod(state))
        periodEnded(state, rules);
    else
        startLineup(state, rules);
}

void startLineup(BoutState &state, const GameRules &rules)
{
    state.phase = Phase::Lineup;
    setFlow(state, rules.lineupTicks, true, false);
}

void periodEnded(BoutState &state, const GameRules &rules)
{
    if (std::max(state.numbers[BoutState::PeriodNumber], 1) < rules.periods) {
        state.phase = Phase::Halftime;
        setFlow(state, rules.halftimeTicks, true, false);
        return;
    }
    state.phase = Phase::Final;
    stopAll(state);
}

void startNextPeriod(BoutState &state, const GameRules &rules)
{
    state.clocks[Clock::Period] = {state.periodResetTicks, false};
    state.clocks[Clock::Jam] = {state.jamResetTicks, false};
    int &period = state.numbers[BoutState::PeriodNumber];
    period = std::min(std::max(period, 1) + 1, BoutConstants::PeriodNumberLimit);
    state.numbers[BoutState::JamNumber] = -1;
    state.numbers[BoutState::HomeReviews] = rules.officialReviews;
    state.numbers[BoutState::VisitorReviews] = rules.officialReviews;
    state.overdrawn[BoutState::HomeReviews - BoutState::HomeTimeouts] = 0;
    state.overdrawn[BoutState::VisitorReviews - BoutState::HomeTimeouts] = 0;
    state.periodEndSignalled = false;
    state.jamEndSignalled = false;
    state.heldPeriodEndSound = false;
    state.periodStarted = false;
    state.phase = Phase::Between;
    setFlow(state, 0, false, false);
}

void flowRanOut(BoutState &state, const GameRules &rules)
{
    if (state.phase == Phase::Halftime)
        startNextPeriod(state, rules);
    else
        setFlow(state, 0, false, state.flowCountsUp);
}

int countOf(BoutState::Phase kind)
{
    switch (kind) {
    case Phase::HomeTimeout:
        return BoutState::HomeTimeouts;
    case Phase::VisitorTimeout:
        return BoutState::VisitorTimeouts;
    case Phase::HomeReview:
        return BoutState::HomeReviews;
    case Phase::VisitorReview:
        return BoutState::VisitorReviews;
    default:
        return -1;
    }
}

bool inPeriod(const BoutState &state)
{
    const Phase phase = state.phase;
    if (phase == Phase::Halftime || phase == Phase::Final)
        return false;
    // Between jams only where the game flow was switched on mid-period.
    if (phase == Phase::Between)
        return state.periodStarted;
    // A jam started, counted or the period clock run: the jam number can be blanked and the
    // period clock put back by hand. A bout kept by an older board holds only the last two.
    return state.periodStarted || state.numbers[BoutState::JamNumber] > 0
            || state.clocks[Clock::Period].ticks < state.periodResetTicks;
}

void startTimeout(BoutState &state, const GameRules &rules, BoutState::Phase kind)
{
    const int count = countOf(kind);
    if (count >= 0 && state.numbers[count] > 0)
        --state.numbers[count];
    state.phase = kind;
    const bool teamTimeout = kind == Phase::HomeTimeout || kind == Phase::VisitorTimeout;
    if (teamTimeout)
        setFlow(state, rules.teamTimeoutTicks, true, false);
    else
        setFlow(state, 0, true, true);
}

} // namespace GameFlow
