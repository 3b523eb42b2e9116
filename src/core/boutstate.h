#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <optional>

// The whole state of a bout as one plain value: what the journal keeps and what a restarted board
// is given back. Times are ticks, ten-thousandths of a second.
//
// The clocks' values were read at takenAtMs, wall time in milliseconds since the epoch; a clock
// that was running then has been counting down since.
struct BoutState
{
    static constexpr qint64 TicksPerSecond = 10000;
    static constexpr qint64 TicksPerMillisecond = TicksPerSecond / 1000;

    // The clocks in the order the board lists them: period, jam, then the penalty clocks home 1,
    // home 2, visitor 1, visitor 2.
    enum Clock { Period, Jam, HomePenalty1, HomePenalty2, VisitorPenalty1, VisitorPenalty2 };
    static constexpr int ClockCount = 6;
    static constexpr int PenaltyCount = 4;
    // The numbers: home score, visitor score, period number; -1 is blank.
    enum Number { HomeScore, VisitorScore, PeriodNumber };

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
    };

    std::array<ClockValue, ClockCount> clocks {
            {{600 * TicksPerSecond, false}, {120 * TicksPerSecond, false}, {}, {}, {}, {}}};
    std::array<bool, PenaltyCount> penaltyBlank {true, true, true, true};
    std::array<int, 3> numbers {0, 0, 0};
    qint64 periodResetTicks = 600 * TicksPerSecond;
    qint64 jamResetTicks = 120 * TicksPerSecond;
    bool clockTime = false;
    // The end-of-period sound held back for the end of the jam under way.
    bool heldPeriodEndSound = false;
    // Each expiry is sounded once; a latch is set when it has been.
    bool periodEndSignalled = false;
    bool jamEndSignalled = false;
    qint64 takenAtMs = 0;

    bool operator==(const BoutState &) const = default;

    // A bout is under way once a clock has left its reset value or a score, the period number or
    // a penalty has been set; a board in that state is worth asking about before it is replaced.
    bool isUnderWay() const;

    // The state as an uninterrupted board would show it at nowMs: running clocks have counted on
    // for the wall time in between (none if the wall clock went back), and a period or jam that
    // ran out meanwhile stopped at zero as the board stops it, with its expiry counted as sounded
    // so that nothing plays late. Penalty clocks count on as on the board, below zero too.
    BoutState resumedAt(qint64 nowMs, Rules rules) const;

    QByteArray toJson() const;
    // Empty for text that is not a whole, sound state.
    static std::optional<BoutState> fromJson(const QByteArray &json);
};
