#include "boutstate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>

namespace {

using namespace BoutConstants;

constexpr qint64 PeriodLimitTicks = PeriodLimitSeconds * TicksPerSecond;
constexpr qint64 JamLimitTicks = JamLimitSeconds * TicksPerSecond;
// A running clock may have counted far below zero; anything beyond a day is not a bout's.
constexpr qint64 ClockLimitTicks = 24 * 3600 * TicksPerSecond;

bool isPenalty(int clock)
{
    return clock >= BoutState::HomePenalty1;
}

} // namespace

bool BoutState::isUnderWay() const
{
    const BoutState fresh;
    return clocks[Period].ticks != periodResetTicks || clocks[Jam].ticks != jamResetTicks
            || std::any_of(clocks.begin(), clocks.end(),
                           [](const ClockValue &clock) { return clock.running; })
            || penaltyBlank != fresh.penaltyBlank || numbers != fresh.numbers;
}

std::optional<qint64> BoutState::awayMs(const Moment &now) const
{
    const bool sameBoot = !bootId.isEmpty() && bootId == now.bootId;
    const qint64 away = sameBoot ? now.bootMs - takenAtBootMs : now.wallMs - takenAtMs;
    if (away < 0 || away > MaxAwayMs)
        return std::nullopt;
    return away;
}

QList<BoutState::Signal> BoutState::expire(Clock clock, Rules rules)
{
    ClockValue &period = clocks[Period];
    ClockValue &jam = clocks[Jam];
    const auto stopPenalties = [this] {
        for (int penalty = HomePenalty1; penalty < ClockCount; ++penalty)
            clocks[penalty].running = false;
    };
    const auto stopJam = [&] {
        jam.running = false;
        if (rules.joinJamPenalty)
            stopPenalties();
    };
    QList<Signal> sounded;
    // The end of a jam sounds the end of the period instead when that was held for it.
    const auto signalJamEnd = [&] {
        sounded.append(heldPeriodEndSound ? PeriodEndSignal : BuzzerSignal);
        heldPeriodEndSound = false;
    };

    if (clock == Jam) {
        stopJam();
        if (!jamEndSignalled) {
            jamEndSignalled = true;
            signalJamEnd();
        }
        return sounded;
    }

    period.running = false;
    if (rules.delayPeriodEndSound && jam.running) {
        // The jam under way plays out; the penalty clocks that follow the period stop with it.
        if (!rules.joinJamPenalty)
            stopPenalties();
        if (!periodEndSignalled) {
            periodEndSignalled = true;
            heldPeriodEndSound = true;
        }
        return sounded;
    }
    if (jam.running) {
        stopJam();
        signalJamEnd();
    }
    if (!rules.joinJamPenalty)
        stopPenalties();
    if (!periodEndSignalled) {
        periodEndSignalled = true;
        sounded.append(PeriodEndSignal);
    }
    return sounded;
}

BoutState BoutState::resumedAt(const Moment &now, Rules rules) const
{
    BoutState state = *this;
    state.takenAtMs = now.wallMs;
    state.bootId = now.bootId;
    state.takenAtBootMs = now.bootMs;
    const std::optional<qint64> awayMs = this->awayMs(now);
    if (!awayMs) {
        for (ClockValue &clock : state.clocks)
            clock.running = false;
        // The jam it was held for is over.
        state.heldPeriodEndSound = false;
        return state;
    }
    qint64 away = *awayMs * TicksPerMillisecond;
    ClockValue &period = state.clocks[Period];
    ClockValue &jam = state.clocks[Jam];
    const auto countDown = [&state](qint64 ticks) {
        for (ClockValue &clock : state.clocks) {
            if (clock.running)
                clock.ticks -= ticks;
        }
    };
    // The board's expiries, in the order they would have happened; on a tie the period's first,
    // as the board's refresh looks at the period before the jam.
    for (;;) {
        const qint64 periodEnd = period.running ? std::max<qint64>(period.ticks, 0) : away + 1;
        const qint64 jamEnd = jam.running ? std::max<qint64>(jam.ticks, 0) : away + 1;
        const qint64 next = std::min(periodEnd, jamEnd);
        if (next > away)
            break;
        countDown(next);
        away -= next;
        // Stopped at zero as the board stops it; the signals are past.
        const Clock expired = periodEnd == next ? Period : Jam;
        state.clocks[expired].ticks = 0;
        state.expire(expired, rules);
    }
    countDown(away);
    return state;
}

QByteArray BoutState::toJson() const
{
    QJsonArray clockArray;
    for (const ClockValue &clock : clocks)
        clockArray.append(QJsonObject {{"ticks", clock.ticks}, {"running", clock.running}});
    QJsonArray blankArray;
    for (bool blank : penaltyBlank)
        blankArray.append(blank);
    QJsonArray numberArray;
    for (int number : numbers)
        numberArray.append(number);
    const QJsonObject object {
            {"clocks", clockArray},
            {"penaltyBlank", blankArray},
            {"numbers", numberArray},
            {"periodResetTicks", periodResetTicks},
            {"jamResetTicks", jamResetTicks},
            {"clockTime", clockTime},
            {"heldPeriodEndSound", heldPeriodEndSound},
            {"periodEndSignalled", periodEndSignalled},
            {"jamEndSignalled", jamEndSignalled},
            {"takenAtMs", takenAtMs},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<BoutState> BoutState::fromJson(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    bool sound = true;
    // Whole numbers only, within [low, high]; JSON numbers are doubles, exact to 2^53.
    const auto integer = [&sound](const QJsonValue &value, qint64 low, qint64 high) -> qint64 {
        const double number = value.toDouble(qQNaN());
        if (!value.isDouble() || number != double(qint64(number)) || number < double(low)
            || number > double(high)) {
            sound = false;
            return 0;
        }
        return qint64(number);
    };
    const auto boolean = [&sound](const QJsonValue &value) {
        sound = sound && value.isBool();
        return value.toBool();
    };

    BoutState state;
    const QJsonArray clockArray = object.value("clocks").toArray();
    const QJsonArray blankArray = object.value("penaltyBlank").toArray();
    const QJsonArray numberArray = object.value("numbers").toArray();
    if (clockArray.size() != ClockCount || blankArray.size() != PenaltyCount
        || numberArray.size() != int(state.numbers.size()))
        return std::nullopt;
    for (int clock = 0; clock < ClockCount; ++clock) {
        const QJsonObject value = clockArray.at(clock).toObject();
        state.clocks[clock].ticks
                = integer(value.value("ticks"), -ClockLimitTicks, ClockLimitTicks);
        state.clocks[clock].running = boolean(value.value("running"));
        if (isPenalty(clock))
            state.penaltyBlank[clock - HomePenalty1] = boolean(blankArray.at(clock - HomePenalty1));
    }
    state.numbers[HomeScore] = int(integer(numberArray.at(HomeScore), -1, ScoreLimit));
    state.numbers[VisitorScore] = int(integer(numberArray.at(VisitorScore), -1, ScoreLimit));
    state.numbers[PeriodNumber] = int(integer(numberArray.at(PeriodNumber), -1, PeriodNumberLimit));
    state.periodResetTicks = integer(object.value("periodResetTicks"), 0, PeriodLimitTicks);
    state.jamResetTicks = integer(object.value("jamResetTicks"), 0, JamLimitTicks);
    state.clockTime = boolean(object.value("clockTime"));
    state.heldPeriodEndSound = boolean(object.value("heldPeriodEndSound"));
    state.periodEndSignalled = boolean(object.value("periodEndSignalled"));
    state.jamEndSignalled = boolean(object.value("jamEndSignalled"));
    state.takenAtMs = integer(object.value("takenAtMs"), 0, std::numeric_limits<qint64>::max() / 2);
    if (!sound)
        return std::nullopt;
    return state;
}
