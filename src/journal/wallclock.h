#pragma once

#include "boutstate.h"

#include <QByteArray>
#include <QtGlobal>

// The PC's clocks as the journal reads them. The time of day, in milliseconds since the epoch,
// stamps the records; unlike the board's monotonic clock it may jump, back as well as forward,
// when the PC's clock is set. The boot clock cannot be set: within one boot of the PC (told by
// the kernel's boot id) it measures the time away truly, across a suspend too. Tests put a
// ManualWallClock in place.
class WallClock
{
public:
    WallClock() = default;
    virtual ~WallClock() = default;
    Q_DISABLE_COPY_MOVE(WallClock)

    virtual qint64 msecsSinceEpoch() const;
    // Empty, or -1, when the system does not tell it.
    virtual QByteArray bootId() const;
    virtual qint64 msecsSinceBoot() const;

    // All three clocks read at once.
    BoutState::Moment now() const;

    static WallClock *current();
    // nullptr puts the system's clock back. The caller keeps ownership.
    static void setCurrent(WallClock *clock);
};

// A boot that is not known until setBoot() is called, as on a system that does not tell it.
class ManualWallClock final : public WallClock
{
public:
    explicit ManualWallClock(qint64 nowMs)
        : m_now(nowMs)
    { }

    qint64 msecsSinceEpoch() const override { return m_now; }
    QByteArray bootId() const override { return m_bootId; }
    qint64 msecsSinceBoot() const override { return m_bootMs; }
    void set(qint64 nowMs) { m_now = nowMs; }
    void setBoot(const QByteArray &id, qint64 msecsSinceBoot)
    {
        m_bootId = id;
        m_bootMs = msecsSinceBoot;
    }

private:
    qint64 m_now = 0;
    QByteArray m_bootId;
    qint64 m_bootMs = 0;
};
