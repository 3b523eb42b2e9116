#pragma once

#include "boutconstants.h"
#include "gamerules.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <array>
#include <optional>

// The whole state of a bout as one plain value: what the journal keeps and what a restarted board
// is given back. Times are ticks, ten-thousandths of a second.
//
// The clocks' values were read at takenAtMs, wall time in milliseconds since the epoch, which was
// takenAtBootMs on the boot clock of the PC's boot bootId; a clock that was running then has been
// counting down since.
struct BoutState
{
    // The clocks in the order the board lists them: period, jam, then the penalty clocks home 1,
    // home 2, visitor 1, visitor 2, then the game flow's: the jammers' seats home 3 and visitor 3,
    // and the flow clock (lineup, timeout, review or halftime).
    enum Clock {
        Period,
        Jam,
        HomePenalty1,
        HomePenalty2,
        VisitorPenalty1,
        VisitorPenalty2,
        HomePenalty3,
        VisitorPenalty3,
        Flow,
    };
    static constexpr int ClockCount = 9;
    static constexpr int PenaltyCount = 6;
    // The numbers; -1 is blank. The game flow's follow the first three.
    enum Number {
        HomeScore,
        VisitorScore,
        PeriodNumber,
        JamNumber,
        HomeTimeouts,
        VisitorTimeouts,
        HomeReviews,
        VisitorReviews,
    };
    static constexpr int NumberCount = 8;
    // The highest each number takes, in the order of Number.
    static constexpr std::array<int, NumberCount> NumberLimits {
            BoutConstants::ScoreLimit,        BoutConstants::ScoreLimit,
            BoutConstants::PeriodNumberLimit, BoutConstants::JamNumberLimit,
            BoutConstants::CountLimit,        BoutConstants::CountLimit,
            BoutConstants::CountLimit,        BoutConstants::CountLimit};
    // Where the game flow stands; Between before a period's first jam, whenever it is off, and
    // between jams where it was switched on mid-period.
    enum Phase {
        Between,
        InJam,
        Lineup,
        HomeTimeout,
        VisitorTimeout,
        OfficialTimeout,
        HomeReview,
        VisitorReview,
        Halftime,
        Final,
    };

    // A moment on the PC's clocks: the wall time, and the boot clock of the boot under way, which
    // counts milliseconds from the start of that boot, suspends included, and is never set. An
    // empty boot id is a boot that is not known.
    struct Moment
    {
        qint64 wallMs = 0;
        QByteArray bootId;
        qint64 bootMs = 0;
    };

    // The longest time away a bout is resumed after with its clocks counted on.
    static constexpr qint64 MaxAwayMs = 24 * 3600 * 1000;

    struct ClockValue
    {
        qint64 ticks = 0;
        bool running = false;
        bool operator==(const ClockValue &) const = default;
    };

    // What decides how the clocks ran while the board was away; the operator's clock options.
    struct Rules
    {
        bool joinJamPenalty = true;
        bool delayPeriodEndSound = false;
        GameRules game {};
    };

    std::array<ClockValue, ClockCount> clocks {
            {{BoutConstants::PeriodResetTicks, false}, {BoutConstants::JamResetTicks, false}}};
    std::array<bool, PenaltyCount> penaltyBlank {true, true, true, true, true, true};
    std::array<int, NumberCount> numbers {0, 0, 0, -1, 3, 3, 1, 1};
    Phase phase = Between;
    // The flow clock counts up from 0:00 in an official timeout or review.
    bool flowCountsUp = false;
    // With the game flow, a jam of the period under way has started, whatever the jam number or
    // the period clock show since; or the flow was switched on with a jam numbered or the period
    // clock run.
    bool periodStarted = false;
    // The timeouts and reviews, in the order of the counts from HomeTimeouts, that new rules gave
    // fewer of than a team had used: they come back only as the rules give as many again. Kept
    // only while that count stands at 0.
    std::array<int, 4> overdrawn {};
    qint64 periodResetTicks = BoutConstants::PeriodResetTicks;
    qint64 jamResetTicks = BoutConstants::JamResetTicks;
    bool clockTime = false;
    // The end-of-period sound held back for the end of the jam under way.
    bool heldPeriodEndSound = false;
    // Each expiry is sounded once; a latch is set when it has been.
    bool periodEndSignalled = false;
    bool jamEndSignalled = false;
    qint64 takenAtMs = 0;
    // The game rules the bout stood under when the journal took it, for a board started under
    // other rules to bring it under its own; not known from an older journal.
    std::optional<GameRules> keptUnder;
    // Not part of the JSON: the journal keeps them beside it.
    QByteArray bootId;
    qint64 takenAtBootMs = 0;

    bool operator==(const BoutState &) const = default;

    // A bout is under way once a clock has left its reset value or a score, the period number or
    // a penalty has been set; a board in that state is worth asking about before it is replaced.
    bool isUnderWay() const;

    // The milliseconds from the moment the state was taken to now: on the boot clock when both
    // moments are of the same boot, since the wall clock may have been set in between; on the
    // wall clock across a reboot or when a boot is not known. Empty when that is negative or
    // longer than MaxAwayMs: the PC's clock was set meanwhile, and the true time away is lost.
    std::optional<qint64> awayMs(const Moment &now) const;

    // The sounds that signal the end of a jam or a period.
    enum Signal { BuzzerSignal, PeriodEndSignal };

    // The board's rule for the moment the running period or jam clock (Period or Jam) runs out:
    // stops it and whatever follows it, sets the latches and the held end-of-period sound, and
    // returns the signals that sound it, in order. A period that runs out ends a jam under way,
    // which sounds first, unless the rules let the jam play out and hold the period's sound for
    // its end (the game flow always does). An expiry already signalled sounds nothing. The clocks'
    // times are left as they are. With the game flow on the end of a jam starts the lineup or
    // ends the period, and the end of a period starts the halftime or the final; a counting-down
    // flow clock (Flow) that runs out stops at zero, or ends the halftime.
    QList<Signal> expire(Clock clock, Rules rules);

    // The state with its running clocks counted on by ticks (back, for fewer than 0), and nothing
    // else changed: a clock passes zero without expiring.
    BoutState countedOn(qint64 ticks) const;

    // The state ticks later on an uninterrupted board: running clocks have counted on, and every
    // expiry in between has been handled as the board handles it, sounding nothing.
    BoutState advancedBy(qint64 ticks, Rules rules) const;

    // The state as an uninterrupted board would show it after awayMs: running clocks have counted
    // on for the time away, and a period or jam that ran out meanwhile stopped at zero as the board
    // stops it, with its expiry counted as sounded so that nothing plays late. Penalty clocks count
    // on as on the board, below zero too. When the time away is not known (empty, negative or
    // longer than MaxAwayMs), every clock is stopped where it was, for the operator to set and
    // start again.
    BoutState awayFor(std::optional<qint64> awayMs, Rules rules) const;

    // The state as an uninterrupted board would show it now (awayFor the time away), stamped with
    // the moment.
    BoutState resumedAt(const Moment &now, Rules rules) const;

    QByteArray toJson() const;
    // Empty for text that is not a whole, sound state. Text written before the game flow (six
    // clocks, three numbers) reads back with the flow's clocks blank and its numbers at their
    // defaults.
    static std::optional<BoutState> fromJson(const QByteArray &json);
};
