#include "bout.h"

#include "clockreadout.h"
#include "timekeeper.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace BoutConstants;

constexpr const char *kEngineNames[]
        = {"tkPeriod",         "tkJam", "tkHomePenalty1", "tkHomePenalty2", "tkVisitorPenalty1",
           "tkVisitorPenalty2"};

Bout::Item penaltyItem(int penalty)
{
    return Bout::Item(Bout::HomePenalty1 + penalty);
}

} // namespace

static_assert(BoutState::ClockCount == 2 + Bout::PenaltyCount, "the state lists every engine");
static_assert(int(Bout::BuzzerSound) == int(BoutState::BuzzerSignal)
                      && int(Bout::PeriodEndSound) == int(BoutState::PeriodEndSignal),
              "a signal is the sound of the same number");

Bout::Bout(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("bout"));
    for (int i = 0; i < int(m_engines.size()); ++i) {
        m_engines[i] = new TimeKeeper(this);
        m_engines[i]->setObjectName(QLatin1String(kEngineNames[i]));
        // The engine items come first in Item, in the same order.
        connect(m_engines[i], &TimeKeeper::runningChanged, this,
                [this, i] { emit changed(Item(i)); });
    }
    period()->setTicks(m_state.periodResetTicks);
    jam()->setTicks(m_state.jamResetTicks);
}

int Bout::number(Item which) const
{
    Q_ASSERT(which >= HomeScore && which <= PeriodNumber);
    return m_state.numbers[which - HomeScore];
}

void Bout::setClockTime(bool on)
{
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

// A command that implies another (a jam start starts the period clock, a period stop stops the
// jam, a reset stops its clock) runs that command itself, never through a key.
void Bout::startStopJam()
{
    if (jam()->isRunning())
        endJam();
    else if (!period()->isRunning())
        startStopPeriod();
    jam()->setRunning(!jam()->isRunning());
    if (m_joinJamPenalty)
        setPenaltiesRunning(jam()->isRunning());
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
    if (jam()->isRunning())
        startStopJam();
    jam()->setTicks(m_state.jamResetTicks);
    emit changed(JamClock);
    refresh();
}

void Bout::resetPeriod()
{
    if (period()->isRunning())
        startStopPeriod();
    period()->setTicks(m_state.periodResetTicks);
    emit changed(PeriodClock);
    resetJam();
    refresh();
}

void Bout::switchClock()
{
    setClockTime(!m_state.clockTime);
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
    TimeKeeper *engine = penaltyEngine(penalty);
    engine->setRunning(false);
    engine->setTicks(0);
    setPenaltyBlank(penalty, true);
}

void Bout::addPenaltyTime(int penalty, int seconds)
{
    TimeKeeper *engine = penaltyEngine(penalty);
    // A blank clock counts as zero, whatever its engine ran to behind the blank display; so does
    // one that has just run out and counts on below zero before it blanks itself.
    const qint64 held = m_state.penaltyBlank[penalty] ? 0 : std::max<qint64>(0, engine->ticks());
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
    TimeKeeper *engine = penaltyEngine(penalty);
    engine->setRunning(!engine->isRunning());
}

void Bout::setJamTime(qint64 ticks)
{
    // A running jam goes on counting from the typed time.
    jam()->setTicks(ticks);
    if (m_joinJamPenalty)
        setPenaltiesRunning(false);
    m_state.jamResetTicks = ticks;
    emit changed(JamClock);
    emit changed(ResetValues);
    refresh();
}

void Bout::setPeriodTime(qint64 ticks)
{
    setPenaltiesRunning(false);
    period()->setTicks(ticks);
    period()->setRunning(false);
    m_state.periodResetTicks = ticks;
    emit changed(PeriodClock);
    emit changed(ResetValues);
    refresh();
}

void Bout::setPenaltyTime(int penalty, qint64 ticks)
{
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
    const int limit = which == PeriodNumber ? PeriodNumberLimit : ScoreLimit;
    if (value >= 0 && value <= limit)
        putNumber(which, value);
}

void Bout::clearNumber(Item which)
{
    putNumber(which, -1);
}

void Bout::putNumber(Item which, int value)
{
    int &number = m_state.numbers[which - HomeScore];
    if (value == number)
        return;
    number = value;
    emit changed(which);
}

void Bout::refresh()
{
    // Both read before either expiry is handled: stopping the period may stop the jam, and the
    // jam's own expiry must then not sound a second time.
    const qint64 periodLeft = period()->ticks();
    const qint64 jamLeft = jam()->ticks();

    if (periodLeft > 0)
        setLatches(false, m_state.jamEndSignalled, false);
    else if (period()->isRunning())
        expire(BoutState::Period);

    if (jamLeft > 0)
        setLatches(m_state.periodEndSignalled, false, m_state.heldPeriodEndSound);
    else if (jam()->isRunning())
        expire(BoutState::Jam);

    // An expired penalty clock whose engine runs on shows 0 for about a second and then blanks
    // itself, as if cleared; its engine is left as it is.
    for (int penalty = 0; penalty < PenaltyCount; ++penalty) {
        if (!m_state.penaltyBlank[penalty]
            && ClockReadout::wholeSeconds(penaltyEngine(penalty)->ticks()) <= -1.0f)
            setPenaltyBlank(penalty, true);
    }
}

// The expiry is the board's own doing: what it sounds are the automatic signals.
void Bout::expire(BoutState::Clock clock)
{
    BoutState next = m_state;
    for (int i = 0; i < int(m_engines.size()); ++i)
        next.clocks[i] = {m_engines[i]->ticks(), m_engines[i]->isRunning()};
    const QList<BoutState::Signal> sounds
            = next.expire(clock, {m_joinJamPenalty, m_delayPeriodEndSound});
    // The rule only ever stops clocks.
    for (int i = 0; i < int(m_engines.size()); ++i)
        m_engines[i]->setRunning(next.clocks[i].running);
    setLatches(next.periodEndSignalled, next.jamEndSignalled, next.heldPeriodEndSound);
    for (BoutState::Signal sound : sounds)
        emit soundWanted(Sound(sound), true);
}

BoutState Bout::state(qint64 takenAtMs) const
{
    BoutState state = m_state;
    for (int i = 0; i < int(m_engines.size()); ++i)
        state.clocks[i] = {m_engines[i]->ticks(), m_engines[i]->isRunning()};
    state.takenAtMs = takenAtMs;
    state.bootId.clear();
    state.takenAtBootMs = 0;
    return state;
}

void Bout::setState(const BoutState &state)
{
    // The engines are stopped while their values are set, so that every clock starts counting
    // at the same moment.
    for (TimeKeeper *engine : m_engines)
        engine->setRunning(false);
    for (int i = 0; i < int(m_engines.size()); ++i)
        m_engines[i]->setTicks(state.clocks[i].ticks);
    for (int i = 0; i < int(m_engines.size()); ++i)
        m_engines[i]->setRunning(state.clocks[i].running);
    m_state = state;
    for (int item = PeriodClock; item <= Latches; ++item)
        emit changed(Item(item));
}
