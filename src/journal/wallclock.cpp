#include "wallclock.h"

#include <QDateTime>

namespace {
WallClock *g_current = nullptr;
}

qint64 WallClock::msecsSinceEpoch() const
{
    return QDateTime::currentMSecsSinceEpoch();
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
