#pragma once

#include <QObject>

#include <optional>

class ClockSource;

// The undrawn timing engine behind each clock: a count of seconds that falls with real time while
// Running. The value is held as a whole number of ten-thousandths of a second so that the program
// compares and rounds it exactly; Seconds is the same value as a double.
//
// While running, the value read is the value at the last start or write minus the time elapsed
// since then on the monotonic ClockSource, so reads never drift however often or seldom they
// happen. The count goes on below zero; stopping an expired engine is the program's business.
// An engine set to CountsUp rises with time instead, from the value it was given.
class TimeKeeper final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ objectName WRITE setObjectName)
    Q_PROPERTY(bool Running READ isRunning WRITE setRunning NOTIFY runningChanged)
    Q_PROPERTY(double Seconds READ seconds WRITE setSeconds)
    Q_PROPERTY(bool CountsUp READ countsUp WRITE setCountsUp)

public:
    explicit TimeKeeper(QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(TimeKeeper)

    bool isRunning() const { return m_running; }
    void setRunning(bool running);

    qint64 ticks() const;
    void setTicks(qint64 ticks);

    bool countsUp() const { return m_countsUp; }
    // The value read now is kept; from here on it moves the other way.
    void setCountsUp(bool up);

    // The moment, in nanoseconds on the ClockSource the engine counts on, at which a running
    // engine that counts down reads zero; now or earlier for one at or below zero. None for an
    // engine that is stopped or counts up.
    std::optional<qint64> zeroAt() const;

    double seconds() const;
    // Rounded to the nearest ten-thousandth.
    void setSeconds(double seconds);

signals:
    void runningChanged(bool running);

private:
    void restartCount(qint64 fromTicks) const;

    bool m_running = false;
    bool m_countsUp = false;
    // The value at the last start or write, in ticks, and the clock reading at that moment.
    mutable qint64 m_base = 0;
    mutable qint64 m_startNs = 0;
    // The clock m_startNs came from, only ever compared: if a test swaps the clock under a
    // running engine, the engine carries on from the last value it gave, counting on the new one.
    mutable const ClockSource *m_source = nullptr;
    mutable qint64 m_lastRead = 0;
};
