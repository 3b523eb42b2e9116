#include "clocksource.h"

#include <QElapsedTimer>

#include <ctime>

namespace {

qint64 nanosecondsOf(const timespec &time)
{
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

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
        bool failed = false;
        const qint64 lead = bootLead([&failed] {
            timespec before {};
            timespec boot {};
            timespec after {};
            if (clock_gettime(CLOCK_MONOTONIC, &before) != 0
                || clock_gettime(CLOCK_BOOTTIME, &boot) != 0
                || clock_gettime(CLOCK_MONOTONIC, &after) != 0)
                failed = true;
            return BootReading {nanosecondsOf(before), nanosecondsOf(boot), nanosecondsOf(after)};
        });
        return failed ? 0 : lead;
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

qint64 ClockSource::bootLead(const std::function<BootReading()> &read)
{
    // A reading held up between its calls is wide; a few tries find a narrow one.
    constexpr int Tries = 4;
    constexpr qint64 NarrowNs = 20000;
    qint64 lead = 0;
    qint64 narrowest = -1;
    for (int i = 0; i < Tries; ++i) {
        const BootReading reading = read();
        const qint64 width = reading.monotonicAfter - reading.monotonicBefore;
        if (narrowest < 0 || width < narrowest) {
            narrowest = width;
            lead = reading.boot - (reading.monotonicBefore + width / 2);
        }
        if (narrowest <= NarrowNs)
            break;
    }
    return lead;
}

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
