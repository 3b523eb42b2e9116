#include "wallclock.h"

#include <QDateTime>
#include <QFile>

#include <ctime>

namespace {
WallClock *g_current = nullptr;
}

qint64 WallClock::msecsSinceEpoch() const
{
    return QDateTime::currentMSecsSinceEpoch();
}

QByteArray WallClock::bootId() const
{
    // Fixed for the whole boot, so read once.
    static const QByteArray id = [] {
        QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
    }();
    return id;
}

qint64 WallClock::msecsSinceBoot() const
{
    timespec now {};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return -1;
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

BoutState::Moment WallClock::now() const
{
    const qint64 bootMs = msecsSinceBoot();
    return {msecsSinceEpoch(), bootMs < 0 ? QByteArray() : bootId(), bootMs};
}

WallClock *WallClock::current()
{
    static WallClock system;
    return g_current ? g_current : &system;
}

void WallClock::setCurrent(WallClock *clock)
{
    g_current = clock;
}
