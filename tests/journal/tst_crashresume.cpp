// The real program killed with SIGKILL at random moments of a bout played on it with real keys
// (XTEST through xdotool on the test's own X server): after each restart it must hold every
// score, the period number and every penalty as last set, and every clock within a tenth of a
// second of where a board that never stopped would be. The same after restarts with the PC's
// clock set an hour ahead and back (libfaketime).
//
// CORVANTA_CRASH_MOMENTS sets the number of kills (100 by default), CORVANTA_CRASH_SEED replays
// a run.

#include "realboardtest.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QThread>

#include <csignal>

namespace {

constexpr qint64 Tenth = BoutConstants::TicksPerSecond / 10;

// Where a board that never stopped would be, elapsedMs after the state was taken, by the board's
// rules with its default clock options: the penalty clocks follow the jam, and a period that runs
// out ends the jam under way. Written apart from the program's own rule on purpose.
BoutState uninterrupted(BoutState state, qint64 elapsedMs)
{
    const qint64 away = elapsedMs * BoutConstants::TicksPerMillisecond;
    auto &period = state.clocks[BoutState::Period];
    auto &jam = state.clocks[BoutState::Jam];
    const qint64 periodEnd = period.running ? qMax<qint64>(0, period.ticks) : away + 1;
    const qint64 jamEnd = jam.running ? qMax<qint64>(0, jam.ticks) : away + 1;
    // The jam and the penalty clocks stop at the earlier of the two ends.
    const qint64 jamStop = qMin(qMin(periodEnd, jamEnd), away);
    for (int clock = BoutState::Jam; clock < BoutState::ClockCount; ++clock) {
        if (state.clocks[clock].running)
            state.clocks[clock].ticks -= jamStop;
        state.clocks[clock].running = state.clocks[clock].running && jamStop == away;
    }
    if (jamEnd <= qMin(periodEnd, away))
        jam.ticks = 0;
    if (periodEnd <= away)
        period = {0, false};
    else if (period.running)
        period.ticks -= away;
    return state;
}

// The board stops a period or jam that ran out at its next refresh, up to 50 ms after zero: a
// record taken in between still shows the clocks running, counted on past zero.
constexpr qint64 RefreshTicks = 50 * BoutConstants::TicksPerMillisecond;

BoutState countedOn(BoutState state, qint64 elapsedMs)
{
    const qint64 away = elapsedMs * BoutConstants::TicksPerMillisecond;
    for (int clock = 0; clock < BoutState::ClockCount; ++clock) {
        auto &value = state.clocks[clock];
        if (value.running)
            value.ticks += clock == BoutState::Flow && state.flowCountsUp ? away : -away;
    }
    return state;
}

bool ranOutWithinARefresh(const BoutState &state, qint64 elapsedMs)
{
    const qint64 away = elapsedMs * BoutConstants::TicksPerMillisecond;
    for (const int clock : {BoutState::Period, BoutState::Jam}) {
        const auto &value = state.clocks[clock];
        if (value.running && value.ticks <= away && value.ticks > away - RefreshTicks)
            return true;
    }
    return false;
}

// Every clock within a tenth of where it would be.
bool clocksMatch(const BoutState &is, const BoutState &would)
{
    for (int clock = 0; clock < BoutState::ClockCount; ++clock) {
        const auto &a = is.clocks[clock], &b = would.clocks[clock];
        if (a.running != b.running || qAbs(a.ticks - b.ticks) > Tenth)
            return false;
    }
    return true;
}

// Where a board that never stopped would be, or, when a clock ran out within the last refresh,
// where it would be before that refresh stops it.
bool resumedAsUninterrupted(const BoutState &last, const BoutState &resumed)
{
    const qint64 elapsedMs = resumed.takenAtBootMs - last.takenAtBootMs;
    return clocksMatch(resumed, uninterrupted(last, elapsedMs))
            || (ranOutWithinARefresh(last, elapsedMs)
                && clocksMatch(resumed, countedOn(last, elapsedMs)));
}

} // namespace

class TestCrashResume : public RealBoardTest
{
    Q_OBJECT

private:
    QRandomGenerator m_random;

    // Every clock within a tenth of where a board that never stopped would be.
    static void compareClocks(const BoutState &last, const BoutState &resumed)
    {
        QVERIFY2(resumedAsUninterrupted(last, resumed),
                 last.toJson() + " resumed as " + resumed.toJson());
    }

    // One thing the operator does, and the wait until the journal holds it.
    void act()
    {
        const int what = m_random.bounded(7);
        if (what <= 1) {
            const int clock = what == 0 ? BoutState::Jam : BoutState::Period;
            const bool wasRunning = latest()->clocks[clock].running;
            xdotool({"key", what == 0 ? "j" : "s"});
            // A clock that has run out (or runs out meanwhile) stays stopped at zero: the key
            // changes nothing then.
            waitForRecord([&](const BoutState &s) {
                return s.clocks[clock].running != wasRunning || s.clocks[clock].ticks <= 0;
            });
        } else if (what <= 3) {
            // A score or the period number, never the one it shows already.
            const int number = what == 3 ? BoutState::PeriodNumber : m_random.bounded(2);
            const int limit = number == BoutState::PeriodNumber ? 9 : 999;
            const int value = (m_numbers[number] + 1 + m_random.bounded(limit)) % (limit + 1);
            type(std::array {HomeScore, VisitorScore, PeriodNumber}[number],
                 QString::number(value));
            m_numbers[number] = value;
            waitForRecord([&](const BoutState &s) { return s.numbers == m_numbers; });
        } else if (what <= 5) {
            // A penalty typed as minutes.seconds: set and stopped. Focus order runs home 1,
            // visitor 1, home 2, visitor 2; the game flow's seats are not shown.
            const int penalty = m_random.bounded(4);
            const int seconds = 20 + m_random.bounded(280);
            type(Penalty1 + penalty,
                 QString("%1.%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0')));
            const int blank = (penalty % 2) * 2 + penalty / 2;
            const BoutState::ClockValue set {seconds * BoutConstants::TicksPerSecond, false};
            waitForRecord([&](const BoutState &s) {
                return s.clocks[BoutState::HomePenalty1 + blank] == set && !s.penaltyBlank[blank];
            });
        } else {
            // A short jam, so that jams run out while the board is away too.
            const int seconds = 2 + m_random.bounded(6);
            type(JamClock, QString("0.0%1").arg(seconds));
            waitForRecord([&](const BoutState &s) {
                return s.jamResetTicks == seconds * BoutConstants::TicksPerSecond;
            });
        }
    }

private slots:
    // Closed normally mid-jam and started again: the board alone, no question in front of it,
    // the jam running on and J stopping it at once.
    void closedMidJam()
    {
        start({});
        type(JamClock, "2.00");
        waitForRecord([](const BoutState &s) {
            return s.jamResetTicks == 120 * BoutConstants::TicksPerSecond;
        });
        xdotool({"key", "r"});
        waitForRecord([](const BoutState &s) {
            return !s.clocks[BoutState::Jam].running
                    && s.clocks[BoutState::Jam].ticks == 120 * BoutConstants::TicksPerSecond;
        });
        xdotool({"key", "j"});
        waitForRecord([](const BoutState &s) { return s.clocks[BoutState::Jam].running; });
        xdotool({"windowclose", m_window});
        QVERIFY(m_board.waitForFinished(10000));
        QCOMPARE(m_board.exitStatus(), QProcess::NormalExit);
        QSqlQuery closed(m_journal);
        QVERIFY(closed.exec("SELECT closed FROM bout WHERE id = 1") && closed.next());
        QCOMPARE(closed.value(0).toInt(), 1);
        // Done reading, so that the next look sees what the board writes from now on.
        closed.finish();

        start(*latest());
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(xdotool({"search", "--onlyvisible", "--pid", QString::number(m_board.processId()),
                          "--name", "."}),
                 m_window);
        QVERIFY(latest()->clocks[BoutState::Jam].running);
        xdotool({"key", "j"});
        waitForRecord([](const BoutState &s) {
            return !s.clocks[BoutState::Jam].running && s.clocks[BoutState::Jam].ticks > 0;
        });
        // Asked to end from outside, as by a shutdown: closed as the operator closes it.
        ::kill(pid_t(m_board.processId()), SIGTERM);
        QVERIFY(m_board.waitForFinished(10000));
        QCOMPARE(m_board.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_board.exitCode(), 0);
        QVERIFY(closed.exec("SELECT closed FROM bout WHERE id = 1") && closed.next());
        QCOMPARE(closed.value(0).toInt(), 1);
        closed.finish();
    }

    void survivesKills()
    {
        const quint32 seed = qEnvironmentVariableIsSet("CORVANTA_CRASH_SEED")
                ? quint32(qEnvironmentVariableIntValue("CORVANTA_CRASH_SEED"))
                : QRandomGenerator::global()->generate();
        const int set = qEnvironmentVariableIntValue("CORVANTA_CRASH_MOMENTS");
        const int moments = set > 0 ? set : 100;
        qInfo("CORVANTA_CRASH_SEED=%u, %d moments", seed, moments);
        m_random.seed(seed);

        start({});
        for (int moment = 0; moment < moments; ++moment) {
            for (int i = m_random.bounded(3); i >= 0 && !QTest::currentTestFailed(); --i)
                act();
            if (QTest::currentTestFailed())
                return;
            // Anywhere from at once to while the clocks run on.
            QThread::msleep(m_random.bounded(400));
            kill();
            const BoutState last = *latest();
            start(last);
            if (QTest::currentTestFailed())
                return;
            const BoutState resumed = *latest();
            const BoutState expected
                    = uninterrupted(last, resumed.takenAtBootMs - last.takenAtBootMs);
            const QByteArray where = "moment " + QByteArray::number(moment) + ": " + last.toJson()
                    + " resumed as " + resumed.toJson();
            QVERIFY2(resumed.numbers == m_numbers, where);
            QVERIFY2(resumedAsUninterrupted(last, resumed), where);
            for (int clock = 0; clock < BoutState::ClockCount; ++clock) {
                const auto &would = expected.clocks[clock];
                // A penalty clock a second past zero blanks itself on the board.
                const int penalty = clock - BoutState::HomePenalty1;
                if (penalty >= 0 && penalty < BoutState::PenaltyCount && would.ticks > 0)
                    QVERIFY2(resumed.penaltyBlank[penalty] == last.penaltyBlank[penalty], where);
            }
        }
    }

    // The PC's clock set an hour ahead, then back, between runs: the clocks count the time the
    // board was really away, each time.
    void clockSetWhileAway()
    {
        if (m_fakeTime.isEmpty())
            QSKIP("needs libfaketime");
        start({});
        xdotool({"key", "j"});
        waitForRecord([](const BoutState &s) { return s.clocks[BoutState::Jam].running; });
        for (const QString offset : {"+1h", "-1h", ""}) {
            QThread::msleep(300);
            kill();
            const BoutState last = *latest();
            start(last, offset);
            if (QTest::currentTestFailed())
                return;
            const BoutState resumed = *latest();
            // The wall clock did move.
            const qint64 moved = (resumed.takenAtMs - last.takenAtMs)
                    - (resumed.takenAtBootMs - last.takenAtBootMs);
            const qint64 hour = 3600000;
            QVERIFY2(qAbs(moved
                          - (offset == "+1h"            ? hour
                                     : offset.isEmpty() ? hour
                                                        : -2 * hour))
                             < 60000,
                     qPrintable(QString::number(moved)));
            compareClocks(last, resumed);
            QVERIFY(resumed.clocks[BoutState::Period].running);
        }
    }
};

QTEST_GUILESS_MAIN(TestCrashResume)
#include "tst_crashresume.moc"
