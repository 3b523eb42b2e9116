#pragma once

#include "boutstate.h"
#include "gamerules.h"

// The game flow's phase machine on a bout's state: what happens to the phase, the flow clock and
// the flow's numbers when a jam starts or ends, a timeout is called or ended, a period or the
// halftime runs out. The bout runs it on its own state and the journal on a state it resumes, so
// both move the same way. Only the phase, the flow clock and the numbers change here, and the
// period and jam clocks where a period starts or ends; the sounds are the caller's.
namespace GameFlow {

// A jam starts: the jam clock goes back to its reset value, the jam number goes up by one (to 1
// after a blank), the period number becomes 1 if there was none, and a halftime ends first.
void startJam(BoutState &state, const GameRules &rules);

// The jam clock has just stopped: the lineup starts, or the period ends if its clock ran out.
void jamEnded(BoutState &state, const GameRules &rules);

// The period clock ran out during the jam under way, whose end ends the period.
bool jamEndsPeriod(const BoutState &state);

// The lineup clock starts from its full time, counting down.
void startLineup(BoutState &state, const GameRules &rules);

// The period clock ran out with no jam under way: the halftime starts after a period that is
// not the last, else the game is final and every clock stops.
void periodEnded(BoutState &state, const GameRules &rules);

// The next period: the period and jam clocks at their reset values and stopped, the period number
// up by one, the jam number blank, each team's reviews back.
void startNextPeriod(BoutState &state, const GameRules &rules);

// A counting-down flow clock reached zero: a lineup or team timeout stops there, a halftime ends.
void flowRanOut(BoutState &state, const GameRules &rules);

// A timeout or review of the given phase starts: the flow clock counts down from the team
// timeout's time or up from zero, and a team's timeout or review is used (a blank count is not
// counted). The caller has ended the jam and stopped the period clock.
void startTimeout(BoutState &state, const GameRules &rules, BoutState::Phase kind);

// The count a timeout or review of that kind uses, or -1 for an official timeout.
int countOf(BoutState::Phase kind);

// A period is under way: from its first jam to its end, lineups, timeouts and reviews included;
// not before its first jam, timeouts then or not.
bool inPeriod(const BoutState &state);

} // namespace GameFlow
