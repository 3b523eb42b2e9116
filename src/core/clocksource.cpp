#include "clocksource.h"

#include <QElapsedTimer>

namespace {

class SystemClockSource final : public ClockSource
{
public:
    SystemClockSource() { m_timer.start(); }
    qint64 nanoseconds() const override { return m_timer.nsecsElapsed(); }

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
