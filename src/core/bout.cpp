#include "bout.h"

#include "clockreadout.h"
#include "clocksource.h"
#include "gameflow.h"
#include "timekeeper.h"

#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {

using namespace BoutConstants;

constexpr const char *kEngineNames[] = {"tkPeriod",
                                        "tkJam",
                                        "tkHomePenalty1",
                                        "tkHomePenalty2",
                                        "tkVisitorPenalty1",
                                        "tkVisitorPenalty2",
                                        "tkHomePenalty3",
                                        "tkVisitorPenalty3",
                                        "tkFlow"};
// The item of each engine, in the engines' (and BoutState's clocks') order.
constexpr Bout::Item kEngineItems[]
        = {Bout::PeriodClock,  Bout::JamClock,        Bout::HomePenalty1,
           Bout::HomePenalty2, Bout::VisitorPenalty1, Bout::VisitorPenalty2,
           Bout::HomePenalty3, Bout::VisitorPenalty3, Bout::FlowClock};
// The item of each of BoutState's numbers, in its order.
constexpr Bout::Item kNumberItems[]
        = {Bout::HomeScore,    Bout::VisitorScore,    Bout::PeriodNumber, Bout::JamNumber,
           Bout::HomeTimeouts, Bout::VisitorTimeouts, Bout::HomeReviews,  Bout::VisitorReviews};
constexpr qint64 kNanosecondsPerTick = 1000000000 / TicksPerSecond;
constexpr qint64 kNanosecondsPerMillisecond = 1000000;

Bout::Item penaltyItem(int penalty)
{
    return kEngineItems[2 + penalty];
}

// The place of a number item among BoutState's numbers; -1 for an item that is no number.
int numberIndex(Bout::Item item)
{
    for (int i = 0; i < BoutState::NumberCount; ++i) {
        if (kNumberItems[i] == item)
            return i;
    }
    return -1;
}

} // namespace

static_assert(BoutState::ClockCount == 3 + Bout::PenaltyCount, "the state lists every engine");
static_assert(std::size(kEngineNames) == BoutState::ClockCount
              && std::size(kEngineItems) == BoutState::ClockCount
              && std::size(kNumberItems) == BoutState::NumberCount);
static_assert(int(Bout::Jam) == int(BoutState::InJam) && int(Bout::Final) == int(BoutState::Final)
                      && int(Bout::HomeReview) == int(BoutState::HomeReview),
              "a phase is the state's phase of the same number");
static_assert(int(Bout::BuzzerSound) == int(BoutState::BuzzerSignal)
                      && int(Bout::PeriodEndSound) == int(BoutState::PeriodEndSignal),
              "a signal is the sound of the same number");

Bout::Bout(QObject *parent)
    : QObject(parent)
    , m_expiry(new QTimer(this))
{
    setObjectName(QStringLiteral("bout"));
    m_expiry->setObjectName(QStringLiteral("tmrExpiry"));
    m_expiry->setSingleShot(true);
    m_expiry->setTimerType(Qt::PreciseTimer);
    connect(m_expiry, &QTimer::timeout, this, [this] {
        if (expireDue())
            emit ranOut();
    });
    for (int i = 0; i < int(m_engines.size()); ++i) {
        m_engines[i] = new TimeKeeper(this);
        m_engines[i]->setObjectName(QLatin1String(kEngineNames[i]));
        connect(m_engines[i], &TimeKeeper::runningChanged, this,
                [this, i] { emit changed(kEngineItems[i]); });
    }
    period()->setTicks(m_state.periodResetTicks);
    jam()->setTicks(m_state.jamResetTicks);
    // Whether the step under way changed anything worth undoing.
    connect(this, &Bout::changed, this, [this] { m_stepChanged = true; });
    // The sleeps that count are those from here on.
    followSleep();
}

Bout::Step::Step(Bout *bout)
    : m_bout(bout)
    , m_outer(bout->m_stepDepth++ == 0)
{
    if (!m_outer)
        return;
    m_bout->followSleep();
    m_bout->m_stepChanged = false;
    m_bout->m_undo.push_back(
            {m_bout->current(), ClockSource::current()->nanoseconds(), m_bout->gameFlow()});
}

Bout::Step::~Step()
{
    --m_bout->m_stepDepth;
    if (!m_outer)
        return;
    m_bout->scheduleExpiry();
    // A command that changed nothing (refused, or with nothing to act on) leaves nothing to undo,
    // and nor does one that took back within itself what it changed: a period clock started at
    // zero that its refresh stops again at once.
    if (!m_bout->m_stepChanged || m_bout->isLastStepUndone())
        m_bout->m_undo.pop_back();
    else if (int(m_bout->m_undo.size()) > UndoSteps)
        m_bout->m_undo.pop_front();
}

bool Bout::isAnyClockRunning() const
{
    return std::any_of(m_engines.begin(), m_engines.end(),
                       [](const TimeKeeper *engine) { return engine->isRunning(); });
}

bool Bout::flowCountsUp() const
{
    return flowEngine()->countsUp();
}

int Bout::number(Item which) const
{
    const int index = numberIndex(which);
    Q_ASSERT(index >= 0);
    return m_state.numbers[index];
}

QString Bout::caption(Phase phase)
{
    switch (phase) {
    case Between:
    case Jam:
        return {};
    case Lineup:
        return QStringLiteral("Lineup");
    case HomeTimeout:
        return QStringLiteral("Home Timeout");
    case VisitorTimeout:
        return QStringLiteral("Visitor Timeout");
    case OfficialTimeout:
        return QStringLiteral("Official Timeout");
    case HomeReview:
        return QStringLiteral("Home Review");
    case VisitorReview:
        return QStringLiteral("Visitor Review");
    case Halftime:
        return QStringLiteral("Halftime");
    case Final:
        return QStringLiteral("Final");
    }
    return {};
}

BoutState::Rules Bout::rules() const
{
    return {m_joinJamPenalty, m_delayPeriodEndSound, m_rules};
}

void Bout::setGameRules(const GameRules &rules)
{
    if (rules == m_rules)
        return;
    const GameRules old = m_rules;
    m_rules = rules;
    const BoutState from = current();
    BoutState next = underNewRules(from, old, rules);
    if (old.on && !rules.on) {
        m_hiddenFlow = Snapshot {from, ClockSource::current()->nanoseconds(), true};
        m_hiddenFlowRules = old;
    } else if (rules.on && !old.on) {
        next = withHiddenFlow(next, ClockSource::current()->nanoseconds());
    }
    putState(from, next);
    // Undo takes back keys, not the rules set since: the states it goes back to follow them too.
    // One taken with the flow on keeps its phase, for the flow switched on again; one taken while
    // it was off is given the phase the flow had then.
    for (Snapshot &snapshot : m_undo) {
        BoutState kept = underNewRules(snapshot.state, old, rules);
        if (old.on != rules.on && snapshot.withFlow)
            takeFlow(kept, snapshot.state);
        else if (rules.on && !old.on)
            kept = withHiddenFlow(kept, snapshot.nanoseconds);
        snapshot.state = kept;
    }
    if (rules.on)
        m_hiddenFlow.reset();
}

void Bout::takeFlow(BoutState &state, const BoutState &from)
{
    state.phase = from.phase;
    state.clocks[BoutState::Flow] = from.clocks[BoutState::Flow];
    state.flowCountsUp = from.flowCountsUp;
    state.periodStarted = from.periodStarted;
}

BoutState Bout::withHiddenFlow(BoutState state, qint64 atNs) const
{
    if (!m_hiddenFlow || atNs < m_hiddenFlow->nanoseconds)
        return state;
    // The flow as it would stand then, had it stayed on with nothing pressed. It goes on only
    // where the period and jam are where that flow would have them: a jam or period started,
    // stopped or run out under the board's plain rules meanwhile leaves the phase to the clocks.
    const BoutState &hidden = m_hiddenFlow->state;
    qint64 away = (atNs - m_hiddenFlow->nanoseconds) / kNanosecondsPerTick;
    // A halftime that ran out meanwhile is brought to its last tick, the clocks still where they
    // stood: it ends at the next refresh, and the next period stands ready as at any halftime's
    // end.
    const BoutState::ClockValue &halftime = hidden.clocks[BoutState::Flow];
    if (hidden.phase == BoutState::Halftime && halftime.running)
        away = std::min(away, halftime.ticks - 1);
    const BoutState flow
            = hidden.advancedBy(away, {m_joinJamPenalty, m_delayPeriodEndSound, m_hiddenFlowRules});
    const auto sameClock = [&](BoutState::Clock clock) {
        const BoutState::ClockValue &a = flow.clocks[clock];
        const BoutState::ClockValue &b = state.clocks[clock];
        return a.running == b.running && std::abs(a.ticks - b.ticks) <= (a.running ? 1 : 0);
    };
    const auto sameNumber
            = [&](int number) { return flow.numbers[number] == state.numbers[number]; };
    if (!sameClock(BoutState::Period) || !sameClock(BoutState::Jam)
        || !sameNumber(BoutState::PeriodNumber) || !sameNumber(BoutState::JamNumber)
        || flow.periodEndSignalled != state.periodEndSignalled
        || flow.jamEndSignalled != state.jamEndSignalled)
        return state;
    takeFlow(state, flow);
    periodsSet(state, m_rules);
    return state;
}

BoutState Bout::underNewRules(BoutState state, const GameRules &old, const GameRules &now)
{
    // What each team has used stays used, also beyond a count set lower for a while.
    const auto recount = [&state](int number, int before, int after) {
        int &count = state.numbers[number];
        int &over = state.overdrawn[number - BoutState::HomeTimeouts];
        if (count < 0) {
            over = 0;
            return;
        }
        const int left = (count > 0 ? count : -over) + after - before;
        count = std::clamp(left, 0, CountLimit);
        over = std::clamp(-left, 0, CountLimit);
    };
    recount(BoutState::HomeTimeouts, old.teamTimeouts, now.teamTimeouts);
    recount(BoutState::VisitorTimeouts, old.teamTimeouts, now.teamTimeouts);
    recount(BoutState::HomeReviews, old.officialReviews, now.officialReviews);
    recount(BoutState::VisitorReviews, old.officialReviews, now.officialReviews);
    if (old.on != now.on) {
        const bool inJam = now.on && state.clocks[BoutState::Jam].running;
        state.phase = inJam ? BoutState::InJam : BoutState::Between;
        // Switched on mid-period, the period stays under way between its jams.
        state.periodStarted = inJam
                || (now.on
                    && (state.numbers[BoutState::JamNumber] > 0
                        || state.clocks[BoutState::Period].ticks < state.periodResetTicks));
        state.clocks[BoutState::Flow] = {0, false};
        state.flowCountsUp = false;
        // Switched on with a period's clock run out and no jam under way: that period is over.
        if (now.on && !inJam && GameFlow::jamEndsPeriod(state))
            GameFlow::periodEnded(state, now);
        return state;
    }
    periodsSet(state, now);
    return state;
}

void Bout::periodsSet(BoutState &state, const GameRules &now)
{
    // After a period, a game given more or fewer periods has a halftime or is over: the halftime
    // starts afresh where one follows now, and the game is final where none does.
    const bool ended = state.phase == BoutState::Halftime || state.phase == BoutState::Final;
    const bool halftimeNow = std::max(state.numbers[BoutState::PeriodNumber], 1) < now.periods;
    if (now.on && ended && halftimeNow != (state.phase == BoutState::Halftime))
        GameFlow::periodEnded(state, now);
}

void Bout::setClockTime(bool on)
{
    Step step(this);
    if (m_state.clockTime == on)
        return;
    m_state.clockTime = on;
    emit changed(ClockTime);
}

void Bout::setSuppressedPeriodSound(bool held)
{
    setLatches(m_state.periodEndSignalled, m_state.jamEndSignalled, held);
}

void Bout::setLatches(bool periodEnd, bool jamEnd, bool held)
{
    if (periodEnd == m_state.periodEndSignalled && jamEnd == m_state.jamEndSignalled
        && held == m_state.heldPeriodEndSound)
        return;
    m_state.periodEndSignalled = periodEnd;
    m_state.jamEndSignalled = jamEnd;
    m_state.heldPeriodEndSound = held;
    emit changed(Latches);
}

template<typename Rule>
void Bout::apply(Rule rule)
{
    const BoutState from = current();
    BoutState next = from;
    rule(next, m_rules);
    putState(from, next);
}

// A command that implies another (a jam start starts the period clock, a period stop stops the
// jam, a reset stops its clock) runs that command itself, never through a key.
void Bout::startStopJam()
{
    Step step(this);
    if (jam()->isRunning()) {
        endJam();
        jam()->setRunning(false);
        if (m_joinJamPenalty)
            setPenaltiesRunning(false);
        if (gameFlow())
            apply(GameFlow::jamEnded);
        return;
    }
    // After the last period only a tied score plays on: an overtime jam, with the period clock
    // left at zero, whose end is final again.
    bool overtime = false;
    if (gameFlow()) {
        if (m_state.phase == BoutState::Final) {
            if (!scoreTied()) {
                emit refused(finalText());
                return;
            }
            overtime = true;
        }
        // A jam whose clock was stopped in its course (a bout resumed with its clocks stopped)
        // goes on from where it stood; any other J starts the next jam.
        if (m_state.phase != BoutState::InJam)
            apply(GameFlow::startJam);
    }
    // With the game flow, a period clock put at zero by hand makes this jam the period's last:
    // its end ends the period, with the period's sound, as when the clock runs out in a jam.
    // Started at zero, the clock would end the period before the jam had begun.
    if (gameFlow() && !overtime && !period()->isRunning() && period()->ticks() <= 0)
        setLatches(true, m_state.jamEndSignalled,
                   m_state.heldPeriodEndSound || !m_state.periodEndSignalled);
    else if (!period()->isRunning() && !overtime)
        startStopPeriod();
    jam()->setRunning(true);
    if (m_joinJamPenalty)
        setPenaltiesRunning(true);
}

bool Bout::scoreTied() const
{
    const auto score = [this](int number) { return std::max(m_state.numbers[number], 0); };
    return score(BoutState::HomeScore) == score(BoutState::VisitorScore);
}

QString Bout::finalText() const
{
    // Tied, the game is not over: an overtime jam follows.
    return scoreTied() ? tr("The score is tied: the next jam is an overtime jam.")
                       : tr("The game is over.");
}

// The sound of a jam that is about to stop: the end-of-period sound if it was held for it.
void Bout::endJam()
{
    if (m_state.heldPeriodEndSound) {
        emit soundWanted(PeriodEndSound, false);
        setSuppressedPeriodSound(false);
    } else {
        emit soundWanted(BuzzerSound, false);
    }
}

void Bout::startStopPeriod()
{
    Step step(this);
    // The halftime clock stands in the period clock's place, and after the last period no
    // period clock runs, whatever time it was given since.
    const BoutState::Phase phase = m_state.phase;
    if (gameFlow() && !period()->isRunning()
        && (phase == BoutState::Halftime || phase == BoutState::Final)) {
        emit refused(phase == BoutState::Halftime
                             ? tr("It is halftime: the next period starts with its first jam.")
                             : finalText());
        return;
    }
    if (!period()->isRunning() && period()->ticks() <= 0 && jam()->isRunning()) {
        // The period has run out and the jam plays on: the period command ends the jam, with
        // the end-of-period sound if it was held for it, and the period stays stopped at zero.
        startStopJam();
        refresh();
        return;
    }
    period()->setRunning(!period()->isRunning());
    // Stopping the period clock stops a running jam, with the jam's sound.
    if (!period()->isRunning() && jam()->isRunning())
        startStopJam();
    if (!m_joinJamPenalty)
        setPenaltiesRunning(period()->isRunning());
    refresh();
}

void Bout::resetJam()
{
    Step step(this);
    if (jam()->isRunning())
        startStopJam();
    jam()->setTicks(m_state.jamResetTicks);
    emit changed(JamClock);
    refresh();
}

void Bout::resetPeriod()
{
    Step step(this);
    if (period()->isRunning())
        startStopPeriod();
    // A jam played on past the period's end ends it before the clock goes back, as any key
    // that ends that jam does.
    if (jam()->isRunning())
        startStopJam();
    period()->setTicks(m_state.periodResetTicks);
    emit changed(PeriodClock);
    resetJam();
    refresh();
}

void Bout::switchClock()
{
    Step step(this);
    setClockTime(!m_state.clockTime);
}

bool Bout::teamTimeout(Team team)
{
    return callTimeout(team == Team::Home ? BoutState::HomeTimeout : BoutState::VisitorTimeout);
}

bool Bout::officialTimeout()
{
    return callTimeout(BoutState::OfficialTimeout);
}

bool Bout::officialReview(Team team)
{
    return callTimeout(team == Team::Home ? BoutState::HomeReview : BoutState::VisitorReview);
}

bool Bout::callTimeout(BoutState::Phase kind)
{
    Step step(this);
    if (!gameFlow())
        return false;
    const BoutState::Phase now = m_state.phase;
    if (now == kind) {
        // The period clock stays stopped until the next jam starts it.
        apply(GameFlow::startLineup);
        return true;
    }
    if (now == BoutState::Halftime || now == BoutState::Final) {
        const bool review = kind == BoutState::HomeReview || kind == BoutState::VisitorReview;
        emit refused(now != BoutState::Halftime ? finalText()
                             : review           ? tr("No reviews during halftime.")
                                                : tr("No timeouts during halftime."));
        return false;
    }
    // The jam that outlasted its period plays out: no timeout can follow it.
    if (jam()->isRunning() && GameFlow::jamEndsPeriod(current())) {
        emit refused(tr("No timeouts: this jam ends the period."));
        return false;
    }
    const int count = GameFlow::countOf(kind);
    if (count >= 0 && m_state.numbers[count] == 0) {
        static const char *const kNoneLeft[]
                = {QT_TR_NOOP("No home timeouts left."), QT_TR_NOOP("No visitor timeouts left."),
                   QT_TR_NOOP("No home reviews left."), QT_TR_NOOP("No visitor reviews left.")};
        emit refused(tr(kNoneLeft[count - BoutState::HomeTimeouts]));
        return false;
    }
    if (jam()->isRunning())
        startStopJam();
    if (period()->isRunning())
        startStopPeriod();
    apply([kind](BoutState &state, const GameRules &rules) {
        GameFlow::startTimeout(state, rules, kind);
    });
    return true;
}

void Bout::setPenaltiesRunning(bool running)
{
    for (int penalty = 0; penalty < PenaltyCount; ++penalty)
        penaltyEngine(penalty)->setRunning(running);
}

void Bout::setPenaltyBlank(int penalty, bool blank)
{
    m_state.penaltyBlank[penalty] = blank;
    emit changed(penaltyItem(penalty));
}

void Bout::clearPenalty(int penalty)
{
    Step step(this);
    TimeKeeper *engine = penaltyEngine(penalty);
    engine->setRunning(false);
    engine->setTicks(0);
    setPenaltyBlank(penalty, true);
}

void Bout::addPenaltyTime(int penalty, int seconds)
{
    Step step(this);
    TimeKeeper *engine = penaltyEngine(penalty);
    // A blank clock counts as zero, whatever its engine ran to behind the blank display; so does
    // one that has just run out and counts on below zero before it blanks itself.
    const qint64 held = m_state.penaltyBlank[penalty] ? 0 : std::max<qint64>(0, engine->ticks());
    // An increment stored beyond the range Options offers counts as Options shows it.
    seconds = std::clamp(seconds, 0, PenaltyLimitSeconds);
    const qint64 sum = held + qint64(seconds) * TicksPerSecond;
    if (sum > PenaltyLimitSeconds * TicksPerSecond)
        return;
    engine->setTicks(sum);
    engine->setRunning(false);
    setPenaltyBlank(penalty, false);
    refresh();
}

void Bout::startStopPenalty(int penalty)
{
    Step step(this);
    TimeKeeper *engine = penaltyEngine(penalty);
    engine->setRunning(!engine->isRunning());
}

void Bout::setJamTime(qint64 ticks)
{
    Step step(this);
    // A running jam goes on counting from the typed time.
    jam()->setTicks(ticks);
    if (m_joinJamPenalty)
        setPenaltiesRunning(false);
    // With the game flow, a time typed in a jam puts that jam's clock right; the jams after it
    // are as long as set before it.
    if (!gameFlow() || m_state.phase != BoutState::InJam)
        m_state.jamResetTicks = ticks;
    emit changed(JamClock);
    emit changed(ResetValues);
    refresh();
}

void Bout::setPeriodTime(qint64 ticks)
{
    Step step(this);
    const bool inPeriod = GameFlow::inPeriod(current());
    setPenaltiesRunning(false);
    period()->setTicks(ticks);
    period()->setRunning(false);
    // So too a time typed in the course of a period, from its first jam to its end.
    if (!gameFlow() || !inPeriod)
        m_state.periodResetTicks = ticks;
    emit changed(PeriodClock);
    emit changed(ResetValues);
    refresh();
}

void Bout::setPenaltyTime(int penalty, qint64 ticks)
{
    Step step(this);
    // Penalties are kept in whole seconds; a half goes to the even neighbour.
    const qint64 seconds = qint64(std::nearbyint(double(ticks) / TicksPerSecond));
    TimeKeeper *engine = penaltyEngine(penalty);
    engine->setRunning(false);
    engine->setTicks(seconds * TicksPerSecond);
    setPenaltyBlank(penalty, false);
    refresh();
}

void Bout::setNumber(Item which, int value)
{
    Step step(this);
    const int index = numberIndex(which);
    if (index >= 0 && value >= 0 && value <= BoutState::NumberLimits[index])
        putNumber(which, value);
}

void Bout::clearNumber(Item which)
{
    Step step(this);
    if (numberIndex(which) >= 0)
        putNumber(which, -1);
}

void Bout::putNumber(Item which, int value)
{
    const int index = numberIndex(which);
    // A count typed is what is left, whatever rules took away before; also the count it showed.
    if (index >= BoutState::HomeTimeouts)
        m_state.overdrawn[index - BoutState::HomeTimeouts] = 0;
    int &number = m_state.numbers[index];
    if (value == number)
        return;
    number = value;
    emit changed(which);
}

void Bout::undo()
{
    followSleep();
    if (m_undo.empty()) {
        // After a new bout or a start, the steps before are not kept.
        emit refused(tr("Nothing to undo."));
        return;
    }
    const BoutState before = beforeLastStep();
    m_undo.pop_back();
    putState(current(), before, true);
}

BoutState Bout::beforeLastStep() const
{
    const Snapshot &last = m_undo.back();
    const qint64 elapsed = ClockSource::current()->nanoseconds() - last.nanoseconds;
    // The clocks that ran before the step have run on since; whatever ran out meanwhile has
    // stopped at zero as the board stops it, its signal counted as given.
    return withoutFlowIfOff(last.state.advancedBy(elapsed / kNanosecondsPerTick, rules()));
}

bool Bout::isLastStepUndone() const
{
    BoutState before = beforeLastStep();
    const BoutState now = current();
    // A clock running all along is read a tick apart at most, for the step's own time.
    for (int i = 0; i < BoutState::ClockCount; ++i) {
        if (before.clocks[i].running && now.clocks[i].running
            && std::abs(before.clocks[i].ticks - now.clocks[i].ticks) <= 1)
            before.clocks[i].ticks = now.clocks[i].ticks;
    }
    return before == now;
}

void Bout::refresh()
{
    expireDue();
}

void Bout::followSleep()
{
    const ClockSource *source = ClockSource::current();
    const qint64 sleptNs = source->sleptNanoseconds();
    if (source != m_sleepSource) {
        m_sleepSource = source;
        m_sleptNs = sleptNs;
        return;
    }
    // The two clocks behind a sleep are read one after the other: less than a millisecond is
    // the reading, not a sleep.
    const qint64 sleptMs = (sleptNs - m_sleptNs) / kNanosecondsPerMillisecond;
    if (sleptMs <= 0)
        return;
    m_sleptNs += sleptMs * kNanosecondsPerMillisecond;
    const BoutState now = current();
    putState(now, withoutFlowIfOff(now.awayFor(sleptMs, rules())));
    for (Snapshot &snapshot : m_undo)
        snapshot.nanoseconds -= sleptMs * kNanosecondsPerMillisecond;
    if (std::any_of(now.clocks.begin(), now.clocks.end(),
                    [](const BoutState::ClockValue &clock) { return clock.running; }))
        emit slept(sleptMs, sleptMs > BoutState::MaxAwayMs);
}

bool Bout::expireDue()
{
    followSleep();
    // A clock with time left has not sounded its end.
    if (period()->ticks() > 0)
        setLatches(false, m_state.jamEndSignalled, false);
    if (jam()->ticks() > 0)
        setLatches(m_state.periodEndSignalled, false, m_state.heldPeriodEndSound);

    // The clocks found at or past zero expire in the order they reached it, as in a state counted
    // on: stopping the period may stop the jam, which then has no end of its own to sound.
    bool expired = false;
    while (const std::optional<BoutState::Clock> clock = firstRunOut()) {
        expire(*clock);
        expired = true;
    }

    // An expired penalty clock whose engine runs on shows 0 for about a second and then blanks
    // itself, as if cleared; its engine is left as it is.
    for (int penalty = 0; penalty < PenaltyCount; ++penalty) {
        if (!m_state.penaltyBlank[penalty]
            && ClockReadout::wholeSeconds(penaltyEngine(penalty)->ticks()) <= -1.0f)
            setPenaltyBlank(penalty, true);
    }
    scheduleExpiry();
    return expired;
}

// The running clock that reached zero first, if any has: on a tie the period's, then the jam's,
// and the flow clock's (counting down) last.
std::optional<BoutState::Clock> Bout::firstRunOut() const
{
    std::optional<BoutState::Clock> first;
    qint64 firstTicks = 0;
    const auto consider = [&](BoutState::Clock clock, const TimeKeeper *engine) {
        const qint64 ticks = engine->ticks();
        if (engine->isRunning() && ticks <= 0 && (!first || ticks < firstTicks)) {
            first = clock;
            firstTicks = ticks;
        }
    };
    consider(BoutState::Period, period());
    consider(BoutState::Jam, jam());
    if (gameFlow() && !flowEngine()->countsUp())
        consider(BoutState::Flow, flowEngine());
    return first;
}

void Bout::scheduleExpiry()
{
    if (m_stepDepth > 0 || !thread()->eventDispatcher())
        return;
    // The clocks refresh() stops at zero.
    std::optional<qint64> next;
    const auto consider = [&next](const TimeKeeper *engine) {
        const std::optional<qint64> zero = engine->zeroAt();
        if (zero && (!next || *zero < *next))
            next = zero;
    };
    consider(period());
    consider(jam());
    if (gameFlow())
        consider(flowEngine());
    if (!next) {
        m_expiry->stop();
        return;
    }
    // Rounded up to the timer's milliseconds, so that it never aims before zero. One that comes a
    // little early all the same finds the clock above zero and is aimed again for the rest, as is
    // one cut to a day for a clock given longer.
    constexpr qint64 NanosecondsPerMs = 1000000;
    constexpr qint64 LongestWaitMs = 24 * 3600 * 1000;
    const qint64 waitNs = std::max<qint64>(0, *next - ClockSource::current()->nanoseconds());
    const qint64 waitMs
            = std::min((waitNs + NanosecondsPerMs - 1) / NanosecondsPerMs, LongestWaitMs);
    m_expiry->start(std::chrono::milliseconds(waitMs));
}

// The expiry is the board's own doing: what it sounds are the automatic signals. A clock found
// past zero by a refresh that came late (the board held up, the program stopped for a while)
// expires as it would have at zero: it stops at exactly zero, the clocks stopped with it keep
// what they showed then, and what it starts (a lineup, the halftime) has counted on since.
void Bout::expire(BoutState::Clock clock)
{
    const BoutState from = current();
    const qint64 late = std::max<qint64>(0, -from.clocks[clock].ticks);
    BoutState next = from.countedOn(-late);
    const QList<BoutState::Signal> sounds = next.expire(clock, rules());
    putState(from, next.countedOn(late));
    for (BoutState::Signal sound : sounds)
        emit soundWanted(Sound(sound), true);
}

BoutState Bout::current() const
{
    BoutState state = m_state;
    for (int i = 0; i < int(m_engines.size()); ++i)
        state.clocks[i] = {m_engines[i]->ticks(), m_engines[i]->isRunning()};
    state.flowCountsUp = flowEngine()->countsUp();
    return state;
}

BoutState Bout::state(qint64 takenAtMs) const
{
    BoutState state = current();
    state.takenAtMs = takenAtMs;
    state.keptUnder = m_rules;
    state.bootId.clear();
    state.takenAtBootMs = 0;
    return state;
}

void Bout::putState(const BoutState &from, const BoutState &next, bool all)
{
    // The engines that change are stopped while their values are set, so that every clock
    // started here starts counting at the same moment; the others run on untouched.
    QList<int> restart;
    for (int i = 0; i < int(m_engines.size()); ++i) {
        const bool up = i == BoutState::Flow && next.flowCountsUp;
        if (!all && from.clocks[i] == next.clocks[i] && m_engines[i]->countsUp() == up)
            continue;
        m_engines[i]->setRunning(false);
        m_engines[i]->setTicks(next.clocks[i].ticks);
        m_engines[i]->setCountsUp(up);
        restart.append(i);
    }
    for (int i : restart)
        m_engines[i]->setRunning(next.clocks[i].running);
    const BoutState before = m_state;
    m_state = next;
    m_state.clocks = BoutState().clocks; // the engines hold them
    for (int i : restart)
        emit changed(kEngineItems[i]);
    for (int i = 0; i < BoutState::PenaltyCount; ++i) {
        if (all || before.penaltyBlank[i] != next.penaltyBlank[i])
            emit changed(penaltyItem(i));
    }
    for (int i = 0; i < BoutState::NumberCount; ++i) {
        if (all || before.numbers[i] != next.numbers[i])
            emit changed(kNumberItems[i]);
    }
    if (all || before.clockTime != next.clockTime)
        emit changed(ClockTime);
    if (all || before.periodResetTicks != next.periodResetTicks
        || before.jamResetTicks != next.jamResetTicks)
        emit changed(ResetValues);
    if (all || before.heldPeriodEndSound != next.heldPeriodEndSound
        || before.periodEndSignalled != next.periodEndSignalled
        || before.jamEndSignalled != next.jamEndSignalled)
        emit changed(Latches);
    if (all || before.phase != next.phase)
        emit changed(FlowPhase);
    scheduleExpiry();
}

void Bout::setState(const BoutState &state)
{
    m_undo.clear();
    m_hiddenFlow.reset();
    // A bout kept under other rules (set in the settings file since) is brought under these, as a
    // change in Options brings it.
    BoutState given = state.keptUnder ? underNewRules(state, *state.keptUnder, m_rules) : state;
    given.keptUnder.reset();
    putState(current(), withoutFlowIfOff(given), true);
}

BoutState Bout::withoutFlowIfOff(BoutState state) const
{
    // A state kept while the flow was on, put back with it off.
    if (!gameFlow()) {
        state.phase = BoutState::Between;
        state.clocks[BoutState::Flow] = {0, false};
        state.flowCountsUp = false;
    }
    return state;
}

void Bout::newBout()
{
    BoutState fresh;
    fresh.numbers[BoutState::HomeTimeouts] = m_rules.teamTimeouts;
    fresh.numbers[BoutState::VisitorTimeouts] = m_rules.teamTimeouts;
    fresh.numbers[BoutState::HomeReviews] = m_rules.officialReviews;
    fresh.numbers[BoutState::VisitorReviews] = m_rules.officialReviews;
    // With the game flow the lengths typed before a period are the game's, not a correction:
    // the next bout of the day is played to them too.
    if (gameFlow()) {
        fresh.periodResetTicks = m_state.periodResetTicks;
        fresh.jamResetTicks = m_state.jamResetTicks;
        fresh.clocks[BoutState::Period].ticks = fresh.periodResetTicks;
        fresh.clocks[BoutState::Jam].ticks = fresh.jamResetTicks;
    }
    setState(fresh);
}
