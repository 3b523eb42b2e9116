#pragma once

#include <QtGlobal>

// The time of day as milliseconds since the epoch: what the journal stamps its records with and
// measures time away by. Unlike the board's monotonic clock it may jump, back as well as forward.
// Tests put a ManualWallClock in place.
class WallClock
{
public:
    WallClock() = default;
    virtual ~WallClock() = default;
    Q_DISABLE_COPY_MOVE(WallClock)

    virtual qint64 msecsSinceEpoch() const;

    static WallClock *current();
    // nullptr puts the system's clock back. The caller keeps ownership.
    static void setCurrent(WallClock *clock);
};

class ManualWallClock final : public WallClock
{
public:
    explicit ManualWallClock(qint64 nowMs)
        : m_now(nowMs)
    { }

    qint64 msecsSinceEpoch() const override { return m_now; }
    void set(qint64 nowMs) { m_now = nowMs; }

private:
    qint64 m_now = 0;
};
