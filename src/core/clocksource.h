#pragma once

#include <QtGlobal>

#include <functional>

// A monotonic time source in nanoseconds. Every timing engine reads the current source at each
// read, so a test can put a ManualClockSource in place and move time for all engines at once.
class ClockSource
{
public:
    ClockSource() = default;
    virtual ~ClockSource() = default;
    Q_DISABLE_COPY_MOVE(ClockSource)

    // Nanoseconds from an arbitrary origin; never goes backwards. It stands still while the PC
    // sleeps (suspended, a laptop's lid closed), as the timers of the event loop do.
    virtual qint64 nanoseconds() const = 0;
    // Nanoseconds the PC has slept, from an arbitrary origin: it grows by each sleep, during
    // which nanoseconds() stood still, and by nothing else.
    virtual qint64 sleptNanoseconds() const { return 0; }

    // One reading of the boot clock between two of the monotonic clock, in nanoseconds.
    struct BootReading
    {
        qint64 monotonicBefore = 0;
        qint64 boot = 0;
        qint64 monotonicAfter = 0;
    };
    // How far the boot clock is ahead of the monotonic clock, from the most tightly bracketed
    // of a few readings: a reading cut in two by the scheduler would show the gap as a sleep.
    static qint64 bootLead(const std::function<BootReading()> &read);

    static ClockSource *system();
    static ClockSource *current();
    // nullptr puts the system clock back. The caller keeps ownership.
    static void setCurrent(ClockSource *source);
};

// A clock that only moves when told to, for tests.
class ManualClockSource final : public ClockSource
{
public:
    explicit ManualClockSource(qint64 startNanoseconds = 0);

    qint64 nanoseconds() const override { return m_now; }
    qint64 sleptNanoseconds() const override { return m_slept; }
    void advance(qint64 nanoseconds);
    void advanceMilliseconds(qint64 milliseconds);
    // The PC sleeps that long: the time it counts stands still meanwhile.
    void sleepMilliseconds(qint64 milliseconds);

private:
    qint64 m_now = 0;
    qint64 m_slept = 0;
};
