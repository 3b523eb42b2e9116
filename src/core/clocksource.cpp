#include "clocksource.h"

#include <QElapsedTimer>

#include <ctime>

namespace {

class SystemClockSource final : public ClockSource
{
public:
    SystemClockSource() { m_timer.start(); }
    qint64 nanoseconds() const override { return m_timer.nsecsElapsed(); }
    // The boot clock counts the time asleep, the monotonic clock does not: they part by each
    // sleep, and only by that.
    qint64 sleptNanoseconds() const override
    {
#ifdef CLOCK_BOOTTIME
        timespec boot {};
        timespec monotonic {};
        if (clock_gettime(CLOCK_BOOTTIME, &boot) != 0
            || clock_gettime(CLOCK_MONOTONIC, &monotonic) != 0)
            return 0;
        return (qint64(boot.tv_sec) - monotonic.tv_sec) * 1000000000
                + (qint64(boot.tv_nsec) - monotonic.tv_nsec);
#else
        return 0;
#endif
    }

private:
    // QElapsedTimer uses the monotonic clock where the platform has one.
    QElapsedTimer m_timer;
};

ClockSource *g_current = nullptr;

} // namespace

ClockSource *ClockSource::system()
{
    static SystemClockSource clock;
    return &clock;
}

ClockSource *ClockSource::current()
{
    return g_current ? g_current : system();
}

void ClockSource::setCurrent(ClockSource *source)
{
    g_current = source;
}

ManualClockSource::ManualClockSource(qint64 startNanoseconds)
    : m_now(startNanoseconds)
{ }

void ManualClockSource::advance(qint64 nanoseconds)
{
    // A monotonic clock never goes back.
    Q_ASSERT(nanoseconds >= 0);
    m_now += qMax<qint64>(0, nanoseconds);
}

void ManualClockSource::advanceMilliseconds(qint64 milliseconds)
{
    advance(milliseconds * 1000000);
}

void ManualClockSource::sleepMilliseconds(qint64 milliseconds)
{
    Q_ASSERT(milliseconds >= 0);
    m_slept += qMax<qint64>(0, milliseconds) * 1000000;
}
