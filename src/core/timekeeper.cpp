#include "timekeeper.h"

#include "boutconstants.h"
#include "clocksource.h"

#include <algorithm>
#include <cmath>

namespace {
using BoutConstants::TicksPerSecond;
constexpr qint64 NanosecondsPerTick = 1000000000 / TicksPerSecond;
} // namespace

TimeKeeper::TimeKeeper(QObject *parent)
    : QObject(parent)
{ }

void TimeKeeper::restartCount(qint64 fromTicks) const
{
    m_base = fromTicks;
    m_source = ClockSource::current();
    m_startNs = m_source->nanoseconds();
}

qint64 TimeKeeper::ticks() const
{
    if (!m_running)
        return m_base;
    if (ClockSource::current() != m_source)
        restartCount(m_lastRead);
    // Whole ticks since the start, computed afresh at every read: nothing accumulates, so
    // rounding never adds up. A tick counts once it has fully elapsed.
    const qint64 elapsed = m_source->nanoseconds() - m_startNs;
    const qint64 passed = elapsed > 0 ? elapsed / NanosecondsPerTick : 0;
    m_lastRead = m_countsUp ? m_base + passed : m_base - passed;
    return m_lastRead;
}

std::optional<qint64> TimeKeeper::zeroAt() const
{
    if (!m_running || m_countsUp)
        return std::nullopt;
    if (ClockSource::current() != m_source)
        restartCount(m_lastRead);
    // ticks() reads zero once base whole ticks have fully elapsed. Far beyond any bout's clock
    // the moment is only put off, so that it stays well inside 64 bits.
    constexpr qint64 Farthest = qint64(1) << 40;
    return m_startNs + std::clamp<qint64>(m_base, 0, Farthest) * NanosecondsPerTick;
}

void TimeKeeper::setTicks(qint64 ticks)
{
    if (m_running)
        restartCount(ticks);
    else
        m_base = ticks;
    m_lastRead = ticks;
}

void TimeKeeper::setCountsUp(bool up)
{
    if (up == m_countsUp)
        return;
    if (m_running)
        restartCount(ticks());
    m_countsUp = up;
}

double TimeKeeper::seconds() const
{
    return double(ticks()) / TicksPerSecond;
}

void TimeKeeper::setSeconds(double seconds)
{
    // Far beyond any clock the board shows, and well inside 64 bits.
    constexpr double Limit = 1e12;
    if (std::isnan(seconds))
        seconds = 0;
    setTicks(std::llround(std::clamp(seconds, -Limit, Limit) * TicksPerSecond));
}

void TimeKeeper::setRunning(bool running)
{
    if (running == m_running)
        return;
    if (running)
        restartCount(m_base);
    else
        m_base = ticks();
    m_lastRead = m_base;
    m_running = running;
    emit runningChanged(running);
}
