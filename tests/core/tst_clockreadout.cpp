#include "clockreadout.h"

#include <QTest>

class TestClockReadout : public QObject
{
    Q_OBJECT

private slots:
    void wholeSeconds_data()
    {
        QTest::addColumn<qint64>("ticks");
        QTest::addColumn<float>("shown");
        QTest::newRow("whole") << qint64(590000) << 59.0f;
        QTest::newRow("a tick above rounds up") << qint64(590001) << 60.0f;
        QTest::newRow("tie to even, down") << qint64(580001) << 58.0f;
        QTest::newRow("zero") << qint64(0) << 0.0f;
        QTest::newRow("just below zero") << qint64(-9999) << 0.0f;
        QTest::newRow("a second below") << qint64(-10000) << -1.0f;
        QTest::newRow("nearly two below") << qint64(-19998) << -1.0f;
        QTest::newRow("tie below") << qint64(-19999) << -2.0f;
    }

    void wholeSeconds()
    {
        QFETCH(qint64, ticks);
        QFETCH(float, shown);
        QCOMPARE(ClockReadout::wholeSeconds(ticks), shown);
    }

    void minutesOfDay()
    {
        const QTime now(14, 5);
        QCOMPARE(ClockReadout::minutesOfDay("14:05", now), 845);
        QCOMPARE(ClockReadout::minutesOfDay("2:05 PM", now), 125);
        QCOMPARE(ClockReadout::minutesOfDay("14:05:33", now), 845);
        QCOMPARE(ClockReadout::minutesOfDay("14.05", now), 845);
        QCOMPARE(ClockReadout::minutesOfDay("", QTime(0, 0)), 0);
    }
};

QTEST_APPLESS_MAIN(TestClockReadout)
#include "tst_clockreadout.moc"
