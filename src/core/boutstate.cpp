#include "boutstate.h"

#include "gameflow.h"

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

// Before the game flow the journal kept six clocks, four penalty blanks and three numbers.
constexpr int kOldClockCount = 6;
constexpr int kOldPenaltyCount = 4;
constexpr int kOldNumberCount = 3;

// A whole number within [low, high], or 0 with *sound cleared; JSON numbers are doubles, exact to
// 2^53.
qint64 wholeNumber(const QJsonValue &value, qint64 low, qint64 high, bool *sound)
{
    const double number = value.toDouble(qQNaN());
    if (!value.isDouble() || number != double(qint64(number)) || number < double(low)
        || number > double(high)) {
        *sound = false;
        return 0;
    }
    return qint64(number);
}

// Rules that are not whole and within what Options allows are not known: the bout is kept all
// the same.
std::optional<GameRules> rulesFromJson(const QJsonObject &object)
{
    bool sound = !object.isEmpty() && object.value("on").isBool();
    const auto integer = [&object, &sound](const char *key, qint64 low, qint64 high) {
        return wholeNumber(object.value(QLatin1String(key)), low, high, &sound);
    };
    GameRules rules;
    rules.on = object.value("on").toBool();
    rules.lineupTicks = integer("lineupTicks", 0, ClockLimitTicks);
    rules.teamTimeoutTicks = integer("teamTimeoutTicks", 0, ClockLimitTicks);
    rules.teamTimeouts = int(integer("teamTimeouts", 0, CountLimit));
    rules.officialReviews = int(integer("officialReviews", 0, CountLimit));
    rules.halftimeTicks = integer("halftimeTicks", 0, ClockLimitTicks);
    rules.periods = int(integer("periods", 1, PeriodNumberLimit));
    if (!sound)
        return std::nullopt;
    return rules;
}

} // namespace

bool BoutState::isUnderWay() const
{
    const BoutState fresh;
    return clocks[Period].ticks != periodResetTicks || clocks[Jam].ticks != jamResetTicks
            || std::any_of(clocks.begin(), clocks.end(),
                           [](const ClockValue &clock) { return clock.running; })
            || penaltyBlank != fresh.penaltyBlank || numbers[HomeScore] != fresh.numbers[HomeScore]
            || numbers[VisitorScore] != fresh.numbers[VisitorScore]
            || numbers[PeriodNumber] != fresh.numbers[PeriodNumber]
            || numbers[JamNumber] != fresh.numbers[JamNumber] || phase != fresh.phase;
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
        for (int penalty = HomePenalty1; penalty <= VisitorPenalty3; ++penalty)
            clocks[penalty].running = false;
    };
    const GameRules &game = rules.game;
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

    if (clock == Flow) {
        GameFlow::flowRanOut(*this, game);
        return sounded;
    }

    if (clock == Jam) {
        stopJam();
        if (!jamEndSignalled) {
            jamEndSignalled = true;
            signalJamEnd();
        }
        if (game.on)
            GameFlow::jamEnded(*this, game);
        return sounded;
    }

    period.running = false;
    if ((rules.delayPeriodEndSound || game.on) && jam.running) {
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
    if (game.on)
        GameFlow::periodEnded(*this, game);
    return sounded;
}

BoutState BoutState::awayFor(std::optional<qint64> awayMs, Rules rules) const
{
    if (awayMs && *awayMs >= 0 && *awayMs <= MaxAwayMs)
        return advancedBy(*awayMs * TicksPerMillisecond, rules);
    BoutState state = *this;
    for (ClockValue &clock : state.clocks)
        clock.running = false;
    // The jam it was held for is over.
    state.heldPeriodEndSound = false;
    return state;
}

BoutState BoutState::resumedAt(const Moment &now, Rules rules) const
{
    BoutState state = awayFor(awayMs(now), rules);
    state.takenAtMs = now.wallMs;
    state.bootId = now.bootId;
    state.takenAtBootMs = now.bootMs;
    return state;
}

BoutState BoutState::advancedBy(qint64 ticks, Rules rules) const
{
    BoutState state = *this;
    qint64 away = std::max<qint64>(ticks, 0);
    // When a running clock that counts down reaches zero; past the time away for any other.
    const auto endOf = [&state, &away](Clock clock) {
        const ClockValue &value = state.clocks[clock];
        const bool countsDown = clock != Flow || !state.flowCountsUp;
        return value.running && countsDown ? std::max<qint64>(value.ticks, 0) : away + 1;
    };
    // The board's expiries, in the order they would have happened; on a tie the period's first,
    // as the board's refresh looks at the period before the jam, and the flow clock last.
    for (;;) {
        const qint64 periodEnd = endOf(Period);
        const qint64 jamEnd = endOf(Jam);
        const qint64 flowEnd = endOf(Flow);
        const qint64 next = std::min({periodEnd, jamEnd, flowEnd});
        if (next > away)
            break;
        state = state.countedOn(next);
        away -= next;
        // Stopped at zero as the board stops it; the signals are past.
        const Clock expired = periodEnd == next ? Period : jamEnd == next ? Jam : Flow;
        state.clocks[expired].ticks = 0;
        state.expire(expired, rules);
    }
    return state.countedOn(away);
}

BoutState BoutState::countedOn(qint64 ticks) const
{
    BoutState state = *this;
    for (int clock = 0; clock < ClockCount; ++clock) {
        ClockValue &value = state.clocks[clock];
        if (value.running)
            value.ticks += clock == Flow && flowCountsUp ? ticks : -ticks;
    }
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
    QJsonObject object {
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
            {"phase", int(phase)},
            {"flowCountsUp", flowCountsUp},
            {"periodStarted", periodStarted},
    };
    if (std::any_of(overdrawn.begin(), overdrawn.end(), [](int count) { return count != 0; })) {
        QJsonArray overdrawnArray;
        for (int count : overdrawn)
            overdrawnArray.append(count);
        object.insert("overdrawn", overdrawnArray);
    }
    if (keptUnder) {
        const GameRules &rules = *keptUnder;
        object.insert("rules",
                      QJsonObject {{"on", rules.on},
                                   {"lineupTicks", rules.lineupTicks},
                                   {"teamTimeoutTicks", rules.teamTimeoutTicks},
                                   {"teamTimeouts", rules.teamTimeouts},
                                   {"officialReviews", rules.officialReviews},
                                   {"halftimeTicks", rules.halftimeTicks},
                                   {"periods", rules.periods}});
    }
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
    const auto integer = [&sound](const QJsonValue &value, qint64 low, qint64 high) {
        return wholeNumber(value, low, high, &sound);
    };
    const auto boolean = [&sound](const QJsonValue &value) {
        sound = sound && value.isBool();
        return value.toBool();
    };

    BoutState state;
    const QJsonArray clockArray = object.value("clocks").toArray();
    const QJsonArray blankArray = object.value("penaltyBlank").toArray();
    const QJsonArray numberArray = object.value("numbers").toArray();
    const auto sized = [](const QJsonArray &array, int before, int now) {
        return array.size() == before || array.size() == now;
    };
    if (!sized(clockArray, kOldClockCount, ClockCount)
        || !sized(blankArray, kOldPenaltyCount, PenaltyCount)
        || !sized(numberArray, kOldNumberCount, NumberCount))
        return std::nullopt;
    // What an older journal does not hold keeps its default.
    for (int clock = 0; clock < clockArray.size(); ++clock) {
        const QJsonObject value = clockArray.at(clock).toObject();
        state.clocks[clock].ticks
                = integer(value.value("ticks"), -ClockLimitTicks, ClockLimitTicks);
        state.clocks[clock].running = boolean(value.value("running"));
    }
    for (int penalty = 0; penalty < blankArray.size(); ++penalty)
        state.penaltyBlank[penalty] = boolean(blankArray.at(penalty));
    for (int number = 0; number < numberArray.size(); ++number)
        state.numbers[number] = int(integer(numberArray.at(number), -1, NumberLimits[number]));
    state.periodResetTicks = integer(object.value("periodResetTicks"), 0, PeriodLimitTicks);
    state.jamResetTicks = integer(object.value("jamResetTicks"), 0, JamLimitTicks);
    state.clockTime = boolean(object.value("clockTime"));
    state.heldPeriodEndSound = boolean(object.value("heldPeriodEndSound"));
    state.periodEndSignalled = boolean(object.value("periodEndSignalled"));
    state.jamEndSignalled = boolean(object.value("jamEndSignalled"));
    state.takenAtMs = integer(object.value("takenAtMs"), 0, std::numeric_limits<qint64>::max() / 2);
    if (object.contains("phase"))
        state.phase = Phase(integer(object.value("phase"), Between, Final));
    if (object.contains("flowCountsUp"))
        state.flowCountsUp = boolean(object.value("flowCountsUp"));
    if (object.contains("periodStarted"))
        state.periodStarted = boolean(object.value("periodStarted"));
    const QJsonArray overdrawnArray = object.value("overdrawn").toArray();
    if (overdrawnArray.size() == int(state.overdrawn.size())) {
        for (int count = 0; count < overdrawnArray.size(); ++count)
            state.overdrawn[count] = int(integer(overdrawnArray.at(count), 0, CountLimit));
    }
    if (!sound)
        return std::nullopt;
    state.keptUnder = rulesFromJson(object.value("rules").toObject());
    return state;
}
