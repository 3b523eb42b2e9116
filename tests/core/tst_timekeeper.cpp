#include "clocksource.h"
#include "timekeeper.h"

#include <QSignalSpy>
#include <QTest>

class TestTimeKeeper : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock {123456789};

private slots:
    void init() { ClockSource::setCurrent(&m_clock); }
    void cleanup() { ClockSource::setCurrent(nullptr); }

    void countsDownOnlyWhileRunning()
    {
        TimeKeeper keeper;
        QSignalSpy runningChanged(&keeper, &TimeKeeper::runningChanged);
        keeper.setSeconds(120);
        m_clock.advanceMilliseconds(5000);
        QCOMPARE(keeper.ticks(), 120 * TimeKeeper::TicksPerSecond);

        keeper.setProperty("Running", true);
        keeper.setRunning(true);
        QCOMPARE(runningChanged.count(), 1);
        m_clock.advanceMilliseconds(1500);
        QCOMPARE(keeper.property("Seconds").toDouble(), 118.5);
        // A tick counts only once it has fully elapsed.
        m_clock.advance(99999);
        QCOMPARE(keeper.ticks(), 1185000);
        m_clock.advance(1);
        QCOMPARE(keeper.ticks(), 1184999);

        // Stopping freezes the value read at that moment; starting again carries on from it.
        keeper.setProperty("Running", false);
        QCOMPARE(runningChanged.count(), 2);
        m_clock.advanceMilliseconds(60000);
        QCOMPARE(keeper.ticks(), 1184999);
        keeper.setRunning(true);
        m_clock.advanceMilliseconds(250);
        QCOMPARE(keeper.ticks(), 1182499);

        // A new value while running counts on from itself, below zero too.
        keeper.setSeconds(0.5);
        QVERIFY(keeper.isRunning());
        m_clock.advanceMilliseconds(500);
        QCOMPARE(keeper.ticks(), 0);
        m_clock.advanceMilliseconds(2750);
        QCOMPARE(keeper.seconds(), -2.75);
        keeper.setTicks(5);
        m_clock.advance(100000);
        QCOMPARE(keeper.ticks(), 4);
    }

    void secondsRoundToTenThousandths()
    {
        TimeKeeper keeper;
        const std::pair<double, qint64> rows[]
                = {{59.9, 599000}, {0.00005, 1}, {0.00004, 0}, {-0.03, -300}, {qQNaN(), 0}};
        for (const auto &[seconds, ticks] : rows) {
            keeper.setSeconds(seconds);
            QCOMPARE(keeper.ticks(), ticks);
        }
    }

    void noDriftOverThreeHoursOfRefreshes()
    {
        // Read every 50 ms with a ragged interval, as a busy refresh timer would, for three
        // hours: the value depends on the time elapsed alone, not on how often it was read.
        TimeKeeper keeper;
        const qint64 start = 3 * 3600 * TimeKeeper::TicksPerSecond;
        keeper.setTicks(start);
        keeper.setRunning(true);
        qint64 elapsedNs = 0;
        int step = 0;
        while (elapsedNs < qint64(3) * 3600 * 1000000000) {
            const qint64 ns = 50000000 + (step++ % 7) * 1234567 - 3000000;
            m_clock.advance(ns);
            elapsedNs += ns;
            if (keeper.ticks() != start - elapsedNs / 100000)
                QFAIL(qPrintable(QString("drift after %1 ns").arg(elapsedNs)));
        }
    }

    void replacingTheClockUnderARunningEngineKeepsItsValue()
    {
        TimeKeeper keeper;
        keeper.setSeconds(100);
        keeper.setRunning(true);
        m_clock.advanceMilliseconds(10000);
        QCOMPARE(keeper.seconds(), 90.0);
        // A clock whose readings are far from the first one's.
        ManualClockSource other(-5000000000);
        ClockSource::setCurrent(&other);
        QCOMPARE(keeper.seconds(), 90.0);
        other.advanceMilliseconds(2000);
        QCOMPARE(keeper.seconds(), 88.0);
        ClockSource::setCurrent(&m_clock);
        QCOMPARE(keeper.seconds(), 88.0);
    }
};

QTEST_APPLESS_MAIN(TestTimeKeeper)
#include "tst_timekeeper.moc"
