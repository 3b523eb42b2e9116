#include "bout.h"
#include "boutreadout.h"
#include "clockreadout.h"
#include "clocksource.h"
#include "timekeeper.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using Sounds = QList<Bout::Sound>;

class TestBoutModel : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    std::unique_ptr<Bout> m_bout;
    Sounds m_sounds;
    // For each sound, whether it is the board's own signal for a clock that ran out, and the
    // moment it was asked for on the injected clock.
    QList<bool> m_automatic;
    QList<qint64> m_soundAt;

    Bout &bout() { return *m_bout; }
    TimeKeeper *period() { return m_bout->periodEngine(); }
    TimeKeeper *jam() { return m_bout->jamEngine(); }
    TimeKeeper *penalty(int i) { return m_bout->penaltyEngine(i); }
    double seconds(TimeKeeper *engine) { return engine->seconds(); }
    bool penaltiesRunning(bool expected)
    {
        for (int i = 0; i < Bout::PenaltyCount; ++i) {
            if (penalty(i)->isRunning() != expected)
                return false;
        }
        return true;
    }
    // Lets time pass as the board's refresh cycle sees it, a tick every 50 ms.
    void advance(qint64 milliseconds)
    {
        for (qint64 done = 0; done < milliseconds; done += 50) {
            m_clock.advanceMilliseconds(std::min<qint64>(50, milliseconds - done));
            bout().refresh();
        }
    }
    static qint64 ticks(double seconds) { return qint64(seconds * BoutConstants::TicksPerSecond); }

private slots:
    void initTestCase() { ClockSource::setCurrent(&m_clock); }
    void cleanupTestCase() { ClockSource::setCurrent(nullptr); }

    void init()
    {
        m_sounds.clear();
        m_automatic.clear();
        m_soundAt.clear();
        m_bout = std::make_unique<Bout>();
        connect(m_bout.get(), &Bout::soundWanted, this, [this](Bout::Sound sound, bool automatic) {
            m_sounds.append(sound);
            m_automatic.append(automatic);
            m_soundAt.append(m_clock.nanoseconds());
        });
    }

    void startValuesAndResets()
    {
        QCOMPARE(seconds(period()), 600.0);
        QCOMPARE(seconds(jam()), 120.0);
        QVERIFY(!period()->isRunning() && !jam()->isRunning() && penaltiesRunning(false));
        for (int i = 0; i < Bout::PenaltyCount; ++i)
            QVERIFY(bout().isPenaltyBlank(i) && penalty(i)->ticks() == 0);
        // The engines are found by name, as boards and tests look them up.
        QCOMPARE(bout().findChild<TimeKeeper *>("tkVisitorPenalty2"), penalty(3));

        // Each reset stops its clock and puts back its start value.
        bout().startStopJam();
        advance(5000);
        bout().resetJam();
        QCOMPARE(m_sounds, Sounds {Bout::BuzzerSound});
        QVERIFY(!jam()->isRunning() && period()->isRunning());
        QCOMPARE(seconds(jam()), 120.0);

        bout().startStopJam();
        advance(3000);
        bout().resetPeriod();
        QVERIFY(!period()->isRunning() && !jam()->isRunning());
        QCOMPARE(m_sounds.size(), 2);
        QCOMPARE(seconds(period()), 600.0);
        QCOMPARE(seconds(jam()), 120.0);
    }

    void jamStartAndStop_data()
    {
        QTest::addColumn<bool>("join"); // the penalty clocks follow the jam, or the period
        QTest::newRow("join") << true;
        QTest::newRow("apart") << false;
    }

    void jamStartAndStop()
    {
        QFETCH(bool, join);
        bout().setJoinJamPenalty(join);
        bout().startStopJam();
        QVERIFY(period()->isRunning() && jam()->isRunning() && penaltiesRunning(true));
        advance(1000);
        QCOMPARE(seconds(period()), 599.0);
        QCOMPARE(seconds(jam()), 119.0);

        // The buzzer, then the jam stops; the period runs on.
        bout().startStopJam();
        QCOMPARE(m_sounds, Sounds {Bout::BuzzerSound});
        QVERIFY(!jam()->isRunning() && period()->isRunning());
        QVERIFY(penaltiesRunning(!join));

        // Stopping the period while a jam runs stops the jam too, with the buzzer.
        bout().startStopJam();
        bout().startStopPeriod();
        QVERIFY(!period()->isRunning() && !jam()->isRunning() && penaltiesRunning(false));
        QCOMPARE(m_sounds.size(), 2);
    }

    void expiriesStopAndSoundOnce()
    {
        // A clock stops on the tick that finds it at exactly zero.
        jam()->setSeconds(1);
        bout().startStopJam();
        advance(1000);
        QVERIFY(!jam()->isRunning() && period()->isRunning() && penaltiesRunning(false));
        QCOMPARE(m_sounds, Sounds {Bout::BuzzerSound});
        advance(1000);
        QCOMPARE(m_sounds.size(), 1);

        // The period runs out while the jam is stopped: the end-of-period sound, once.
        period()->setSeconds(0.5);
        advance(500);
        QVERIFY(!period()->isRunning());
        QCOMPARE(m_sounds, (Sounds {Bout::BuzzerSound, Bout::PeriodEndSound}));
        QVERIFY(bout().periodEndSignalled());
        advance(1000);
        QCOMPARE(m_sounds.size(), 2);

        // With the period still at zero the jam starts alone: the period starts and is stopped
        // again at once, and this expiry has sounded already. A time above zero re-arms the jam.
        bout().setJamTime(ticks(30));
        QVERIFY(!bout().jamEndSignalled());
        bout().startStopJam();
        QVERIFY(jam()->isRunning() && !period()->isRunning());
        QCOMPARE(m_sounds.size(), 2);
        // A period stopped at or below zero never sounds.
        bout().setPeriodTime(0);
        advance(1000);
        QCOMPARE(m_sounds.size(), 2);

        // A jam started on a period typed to 0:00 that has not sounded yet: the period clock is
        // stopped at once with its sound, and the jam runs on. A second jam there sounds no more.
        init();
        bout().setPeriodTime(0);
        QVERIFY(m_sounds.isEmpty());
        bout().startStopJam();
        QVERIFY(jam()->isRunning() && !period()->isRunning());
        QCOMPARE(m_sounds, Sounds {Bout::PeriodEndSound});
        QCOMPARE(m_automatic, QList<bool> {true});
        bout().startStopJam();
        bout().startStopJam();
        QVERIFY(jam()->isRunning() && !period()->isRunning());
        QCOMPARE(m_sounds, (Sounds {Bout::PeriodEndSound, Bout::BuzzerSound}));
    }

    void periodEnd_data()
    {
        // Without the delay the sound comes at once; with it, it is held to the jam's own end
        // (expiry), a jam or period command, or a reset. With no jam under way there is nothing
        // to hold it for. The penalty clocks follow the jam (join) or the period.
        QTest::addColumn<QString>("end");
        QTest::addColumn<bool>("join");
        for (const char *end :
             {"no delay", "expiry", "jam", "period", "reset jam", "reset period", "no jam"}) {
            QTest::newRow(qPrintable(QString("%1, join").arg(end))) << end << true;
            QTest::newRow(qPrintable(QString("%1, apart").arg(end))) << end << false;
        }
    }

    void periodEnd()
    {
        QFETCH(QString, end);
        QFETCH(bool, join);
        const bool delay = end != "no delay";
        bout().setJoinJamPenalty(join);
        bout().setDelayPeriodEndSound(delay);
        period()->setSeconds(1);
        if (end == "no jam") {
            bout().startStopPeriod();
            // Its own key runs one penalty clock when the group follows the jam.
            if (join)
                bout().startStopPenalty(0);
        } else {
            bout().startStopJam();
        }
        QVERIFY(penalty(0)->isRunning());
        advance(1100);
        QVERIFY(!period()->isRunning());
        if (end == "no jam") {
            QVERIFY(!jam()->isRunning() && !bout().suppressedPeriodSound());
            QCOMPARE(m_sounds, Sounds {Bout::PeriodEndSound});
            QCOMPARE(m_automatic, QList<bool> {true});
            // The period's end stops the clocks that follow it, and leaves one on its own.
            QCOMPARE(penalty(0)->isRunning(), join);
            QVERIFY(!penalty(3)->isRunning());
            return;
        }
        if (!delay) {
            // The jam stops with the buzzer; the end of the period is asked for after it.
            QVERIFY(!jam()->isRunning() && penaltiesRunning(false));
            QCOMPARE(m_sounds, (Sounds {Bout::BuzzerSound, Bout::PeriodEndSound}));
            QCOMPARE(m_automatic, (QList<bool> {true, true}));
            return;
        }
        // The jam plays on, and with it the penalty clocks that follow it.
        QVERIFY(jam()->isRunning() && bout().suppressedPeriodSound());
        QVERIFY(penaltiesRunning(join));
        advance(5000);
        QVERIFY(m_sounds.isEmpty());
        if (end == "expiry")
            advance(120000);
        else if (end == "jam")
            bout().startStopJam();
        else if (end == "period")
            bout().startStopPeriod();
        else if (end == "reset jam")
            bout().resetJam();
        else
            bout().resetPeriod();
        QCOMPARE(m_sounds, Sounds {Bout::PeriodEndSound});
        // Only the jam's own expiry is a signal; a command that ends the jam is not.
        QCOMPARE(m_automatic, QList<bool> {end == "expiry"});
        QVERIFY(!jam()->isRunning() && !period()->isRunning() && penaltiesRunning(false));
        QVERIFY(!bout().suppressedPeriodSound());
        if (end != "reset period")
            QVERIFY(period()->ticks() <= 0);
        advance(1000);
        QCOMPARE(m_sounds.size(), 1);
    }

    // A clock that reaches zero between two refreshes is stopped at that moment by the bout's own
    // timer, the event loop delivering it, with its sound asked for once. The timer aims at the
    // clock's zero on the injected clock; the rows move that clock to the moment the timer is
    // meant for (or a hair before, or after) and let the event loop run.
    void stoppedAtZeroBetweenRefreshes_data()
    {
        QTest::addColumn<QString>("clock"); // what runs out
        // What happens before zero: "" nothing, "early" the timer comes a nanosecond before it,
        // "late" 3.5 ms after it, "typed" a time above zero typed, "stopped" the clock stopped,
        // "resumed" the bout put in place as the journal resumes it, "undone" a stop undone.
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("engine"); // the engine stopped at zero
        QTest::addColumn<Sounds>("sounds");
        QTest::addColumn<Bout::Phase>("phase"); // the game flow's phase after it
        const auto row = [](const char *clock, const char *before, const char *engine,
                            const Sounds &sounds, Bout::Phase phase) {
            const QString name = *before ? QStringLiteral("%1, %2").arg(clock, before) : clock;
            QTest::newRow(qPrintable(name)) << clock << before << engine << sounds << phase;
        };
        const Sounds buzzer {Bout::BuzzerSound};
        const Sounds periodEnd {Bout::PeriodEndSound};
        row("period", "", "tkPeriod", periodEnd, Bout::Between);
        row("jam", "", "tkJam", buzzer, Bout::Between);
        // With the delay the period stops at zero and holds its sound for the jam's end.
        row("period in a jam", "", "tkPeriod", {}, Bout::Between);
        row("lineup", "", "tkFlow", {}, Bout::Lineup);
        row("team timeout", "", "tkFlow", {}, Bout::HomeTimeout);
        row("halftime", "", "tkFlow", {}, Bout::Between);
        row("official timeout", "", "", {}, Bout::OfficialTimeout);
        row("jam in the flow", "", "tkJam", buzzer, Bout::Lineup);
        row("period", "early", "tkPeriod", periodEnd, Bout::Between);
        row("lineup", "early", "tkFlow", {}, Bout::Lineup);
        row("jam", "late", "tkJam", buzzer, Bout::Between);
        row("jam", "typed", "", {}, Bout::Between);
        row("jam", "stopped", "", {}, Bout::Between);
        row("jam", "resumed", "tkJam", buzzer, Bout::Between);
        row("jam", "undone", "tkJam", buzzer, Bout::Between);
    }
    void stoppedAtZeroBetweenRefreshes()
    {
        QFETCH(QString, clock);
        QFETCH(QString, before);
        QFETCH(QString, engine);
        QFETCH(Sounds, sounds);
        QFETCH(Bout::Phase, phase);
        // 20 ms to run, on the injected clock and for the timer alike.
        const qint64 lead = ticks(0.02);
        const qint64 msToZero = 20;
        if (clock != "period" && clock != "jam" && clock != "period in a jam") {
            GameRules rules;
            rules.on = true;
            rules.lineupTicks = rules.teamTimeoutTicks = rules.halftimeTicks = lead;
            bout().setGameRules(rules);
        }
        if (clock == "period") {
            bout().setPeriodTime(lead);
            bout().startStopPeriod();
        } else if (clock == "period in a jam") {
            bout().setDelayPeriodEndSound(true);
            bout().setPeriodTime(lead);
            bout().startStopJam();
        } else if (clock == "jam" && before == "resumed") {
            BoutState state = bout().state(0);
            state.clocks[BoutState::Period] = {ticks(600), true};
            state.clocks[BoutState::Jam] = {lead, true};
            bout().setState(state);
        } else if (clock == "jam" || clock == "jam in the flow") {
            bout().setJamTime(lead);
            bout().startStopJam();
        } else if (clock == "lineup") {
            bout().startStopJam();
            bout().startStopJam();
        } else if (clock == "team timeout") {
            bout().teamTimeout(Team::Home);
        } else if (clock == "official timeout") {
            bout().officialTimeout();
        } else {
            // The halftime starts at the refresh that finds the first period at zero.
            bout().setPeriodTime(ticks(1));
            bout().startStopPeriod();
            m_clock.advanceMilliseconds(1000);
            bout().refresh();
            QCOMPARE(bout().phase(), Bout::Halftime);
        }
        const qint64 zero = m_clock.nanoseconds() + msToZero * 1000000;
        QSignalSpy ranOut(&bout(), &Bout::ranOut);
        if (before == "typed" || before == "stopped" || before == "undone") {
            m_clock.advanceMilliseconds(5);
            if (before == "typed")
                bout().setJamTime(ticks(30));
            else
                bout().startStopJam();
            if (before == "undone")
                bout().undo();
        }
        m_sounds.clear();
        m_automatic.clear();
        m_soundAt.clear();
        if (before == "early") {
            m_clock.advance(zero - 1 - m_clock.nanoseconds());
            QSignalSpy fired(bout().findChild<QTimer *>("tmrExpiry"), &QTimer::timeout);
            QVERIFY(fired.wait());
            QVERIFY(bout().findChild<TimeKeeper *>(engine)->isRunning());
            QVERIFY(ranOut.isEmpty() && m_sounds.isEmpty());
        }
        const qint64 late = before == "late" ? 3500000 : 0;
        m_clock.advance(zero + late - m_clock.nanoseconds());

        if (engine.isEmpty()) {
            // Given time or stopped before its zero, the jam is not stopped there and sounds
            // nothing; a clock that counts up has no zero. The bout's timer does not come for
            // them.
            QSignalSpy fired(bout().findChild<QTimer *>("tmrExpiry"), &QTimer::timeout);
            QVERIFY(!fired.wait(3 * msToZero));
            QCOMPARE(jam()->isRunning(), before == "typed");
            QCOMPARE(bout().phase(), phase);
            QVERIFY(ranOut.isEmpty() && m_sounds.isEmpty());
            return;
        }
        QVERIFY(ranOut.wait());
        TimeKeeper *stopped = bout().findChild<TimeKeeper *>(engine);
        QVERIFY(!stopped->isRunning());
        QCOMPARE(stopped->ticks(), 0);
        QCOMPARE(bout().phase(), phase);
        QCOMPARE(jam()->isRunning(), clock == "period in a jam");
        QCOMPARE(bout().suppressedPeriodSound(), clock == "period in a jam");
        QCOMPARE(m_sounds, sounds);
        QCOMPARE(m_automatic, QList<bool>(sounds.size(), true));
        QCOMPARE(m_soundAt, QList<qint64>(sounds.size(), zero + late));
        // The refreshes that follow find it stopped and sound nothing more.
        advance(1000);
        QCOMPARE(m_sounds, sounds);
        QVERIFY(ranOut.size() == 1);
    }

    // A bout resumed after time away stands as the board would had it run all along: both follow
    // one expiry rule, whichever clock runs out first and whatever the clock options.
    void resumedAsTheBoardRuns_data()
    {
        QTest::addColumn<double>("jamSeconds"); // 0: no jam, the period alone runs
        QTest::addColumn<bool>("join");
        QTest::addColumn<bool>("delay");
        QTest::addColumn<bool>("independent"); // a penalty clock started on its own key
        QTest::newRow("period ends the jam") << 8.0 << true << false << false;
        QTest::newRow("period ends the jam, penalties on the period")
                << 8.0 << false << false << false;
        QTest::newRow("jam plays out") << 8.0 << true << true << false;
        QTest::newRow("jam plays out, penalties on the period") << 8.0 << false << true << false;
        QTest::newRow("jam ends first") << 3.0 << true << true << false;
        QTest::newRow("no jam, a penalty on its own") << 0.0 << true << false << true;
        QTest::newRow("no jam, penalties on the period") << 0.0 << false << false << false;
    }
    void resumedAsTheBoardRuns()
    {
        QFETCH(double, jamSeconds);
        QFETCH(bool, join);
        QFETCH(bool, delay);
        QFETCH(bool, independent);
        bout().setJoinJamPenalty(join);
        bout().setDelayPeriodEndSound(delay);
        bout().setPeriodTime(ticks(5));
        if (jamSeconds > 0) {
            bout().setJamTime(ticks(jamSeconds));
            bout().startStopJam();
        } else {
            bout().startStopPeriod();
        }
        if (independent) {
            bout().addPenaltyTime(1, 30);
            bout().startStopPenalty(1);
        }
        const BoutState before = bout().state(0);
        advance(20000);
        const BoutState board = bout().state(20000);
        const BoutState resumed = before.resumedAt({20000, {}, 0}, {join, delay});
        for (int clock = 0; clock < BoutState::ClockCount; ++clock)
            QCOMPARE(resumed.clocks[clock].running, board.clocks[clock].running);
        QCOMPARE(resumed.periodEndSignalled, board.periodEndSignalled);
        QCOMPARE(resumed.jamEndSignalled, board.jamEndSignalled);
        QCOMPARE(resumed.heldPeriodEndSound, board.heldPeriodEndSound);
        QVERIFY(!board.clocks[BoutState::Period].running);
    }

    // A PC that slept mid-bout (suspended, a laptop's lid closed) wakes with the bout where a board
    // left awake stands: every clock, latch, phase and number the same, found by the next refresh,
    // command or undo, and nothing sounds late. A sleep longer than a day stops every clock where
    // it was, as a resumed bout's does.
    void sleepCountsAsTimeRun_data()
    {
        QTest::addColumn<bool>("flow");
        QTest::addColumn<qint64>("sleepMs");
        QTest::addColumn<QString>("woken"); // by the refresh, the period key, or undo
        QTest::newRow("a millisecond") << false << qint64(1) << "refresh";
        QTest::newRow("mid-jam") << false << qint64(20000) << "refresh";
        QTest::newRow("past the jam's end") << false << qint64(150000) << "refresh";
        QTest::newRow("past the period's end") << false << qint64(400000) << "refresh";
        QTest::newRow("mid-jam, the period key first") << false << qint64(20000) << "S";
        QTest::newRow("past the jam's end, undo first") << false << qint64(150000) << "undo";
        QTest::newRow("flow, into the lineup") << true << qint64(125000) << "refresh";
        QTest::newRow("flow, past the lineup") << true << qint64(170000) << "refresh";
        QTest::newRow("flow, into the lineup, undo first") << true << qint64(125000) << "undo";
        QTest::newRow("a day") << false << BoutState::MaxAwayMs << "refresh";
        QTest::newRow("a day and more") << false << BoutState::MaxAwayMs + 50 << "refresh";
    }
    void sleepCountsAsTimeRun()
    {
        QFETCH(bool, flow);
        QFETCH(qint64, sleepMs);
        QFETCH(QString, woken);
        // The bout ten seconds into its first jam, the home score just typed; then the sleep.
        const auto run = [&](bool asleep) {
            init();
            GameRules rules;
            rules.on = flow;
            bout().setGameRules(rules);
            bout().setPeriodTime(ticks(300));
            bout().startStopJam();
            advance(10000);
            bout().setNumber(Bout::HomeScore, 1);
            const BoutState before = bout().state(0);
            QSignalSpy told(&bout(), &Bout::slept);
            if (asleep)
                m_clock.sleepMilliseconds(sleepMs);
            else
                advance(sleepMs);
            const qsizetype meanwhile = m_sounds.size();
            if (woken == "refresh")
                bout().refresh();
            else if (woken == "S")
                bout().startStopPeriod();
            else
                bout().undo();
            return std::tuple(before, bout().state(0), m_sounds.mid(meanwhile), meanwhile,
                              QList<QVariantList>(told));
        };
        const auto [before, slept, sounds, soundsAsleep, told] = run(true);
        QCOMPARE(soundsAsleep, 0);
        // Told once, and whether the sleep was too long to count.
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0][0].toLongLong(), sleepMs);
        QCOMPARE(told[0][1].toBool(), sleepMs > BoutState::MaxAwayMs);
        if (sleepMs == BoutState::MaxAwayMs) {
            // Still counted: the period ran out, its signal past.
            QCOMPARE(slept.clocks[BoutState::Period].ticks, 0);
            QVERIFY(!slept.clocks[BoutState::Period].running);
            QVERIFY(slept.periodEndSignalled);
            QVERIFY(sounds.isEmpty());
            return;
        }
        if (sleepMs > BoutState::MaxAwayMs) {
            QCOMPARE(slept.clocks[BoutState::Jam].ticks, before.clocks[BoutState::Jam].ticks);
            QVERIFY(!slept.clocks[BoutState::Jam].running);
            QVERIFY(!slept.clocks[BoutState::Period].running);
            QVERIFY(sounds.isEmpty());
            return;
        }
        const auto [beforeAwake, awake, soundsAwake, soundsMeanwhile, toldAwake] = run(false);
        QCOMPARE(slept.clocks, awake.clocks);
        QCOMPARE(slept.phase, awake.phase);
        QCOMPARE(slept.numbers, awake.numbers);
        QCOMPARE(slept.jamEndSignalled, awake.jamEndSignalled);
        QCOMPARE(slept.periodEndSignalled, awake.periodEndSignalled);
        // The command's own sound plays; what ran out asleep is past.
        QCOMPARE(sounds, soundsAwake);
        QVERIFY(slept.clocks != before.clocks);
    }

    // Sleeps the PC had before the board first looked (the night before Corvanta started) are
    // none of the bout's: a bout resumed running goes on from where it stands.
    void sleepBeforeTheBoardIsNoneOfTheBout()
    {
        m_clock.sleepMilliseconds(8 * 3600 * 1000);
        init();
        BoutState running;
        running.clocks[BoutState::Period] = {ticks(300), true};
        running.clocks[BoutState::Jam] = {ticks(120), true};
        QSignalSpy told(&bout(), &Bout::slept);
        bout().setState(running);
        advance(1000);
        QCOMPARE(seconds(jam()), 119.0);
        QCOMPARE(seconds(period()), 299.0);
        QCOMPARE(told.size(), 0);
    }

    // The boot clock's lead over the monotonic clock, read by the board at every refresh: a
    // reading the scheduler held up between its calls must not make a sleep of the hold-up.
    void bootLeadFromTheNarrowestReading()
    {
        constexpr qint64 Lead = 7000000000000;
        // Readings at 1 s, 2 s ...: held up for `beforeBoot` ns between the first monotonic
        // reading and the boot clock's, and `afterBoot` ns before the second monotonic one.
        const auto lead = [](const QList<std::pair<qint64, qint64>> &holdUps, int *reads) {
            *reads = 0;
            return ClockSource::bootLead([&] {
                const auto [beforeBoot, afterBoot] = holdUps.at(qMin(*reads, holdUps.size() - 1));
                const qint64 start = ++*reads * 1000000000LL;
                return ClockSource::BootReading {start, start + beforeBoot + Lead,
                                                 start + beforeBoot + afterBoot};
            });
        };
        int reads = 0;
        QCOMPARE(lead({{300, 300}}, &reads), Lead);
        QCOMPARE(reads, 1);
        // Held up 5 ms before the boot clock was read, then a narrow reading.
        QCOMPARE(lead({{5000000, 200}, {400, 400}}, &reads), Lead);
        QCOMPARE(reads, 2);
        // Held up after it, twice.
        QCOMPARE(lead({{100, 3000000}, {100, 9000000}, {600, 600}}, &reads), Lead);
        QCOMPARE(reads, 3);
        // Never narrow: the narrowest of four, within half its width.
        const qint64 wide
                = lead({{4000000, 0}, {0, 900000}, {2000000, 2000000}, {0, 800000}}, &reads);
        QCOMPARE(reads, 4);
        QCOMPARE(wide, Lead - 400000);
    }

    // What the journal keeps reads back as it was up to each display's limit, and not beyond.
    void stateReadBackWithinLimits_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<bool>("kept");
        const qint64 second = BoutConstants::TicksPerSecond;
        QTest::newRow("home score at the limit") << "home" << qint64(999) << true;
        QTest::newRow("home score beyond") << "home" << qint64(1000) << false;
        QTest::newRow("home score blank") << "home" << qint64(-1) << true;
        QTest::newRow("home score below blank") << "home" << qint64(-2) << false;
        QTest::newRow("visitor score at the limit") << "visitor" << qint64(999) << true;
        QTest::newRow("visitor score beyond") << "visitor" << qint64(1000) << false;
        QTest::newRow("visitor score below blank") << "visitor" << qint64(-2) << false;
        QTest::newRow("period number at the limit") << "number" << qint64(9) << true;
        QTest::newRow("period number beyond") << "number" << qint64(10) << false;
        QTest::newRow("period time at the limit") << "period" << 5999 * second << true;
        QTest::newRow("period time beyond") << "period" << 5999 * second + 1 << false;
        QTest::newRow("jam time at the limit") << "jam" << 599 * second << true;
        QTest::newRow("jam time beyond") << "jam" << 599 * second + 1 << false;
        QTest::newRow("period time zero") << "period" << qint64(0) << true;
        QTest::newRow("period time below zero") << "period" << qint64(-1) << false;
        QTest::newRow("jam time zero") << "jam" << qint64(0) << true;
        // A PC whose clock stands at 1970, as one without a clock battery starts.
        QTest::newRow("taken at the epoch") << "taken" << qint64(0) << true;
        QTest::newRow("taken before the epoch") << "taken" << qint64(-1) << false;
    }
    void stateReadBackWithinLimits()
    {
        QFETCH(QString, field);
        QFETCH(qint64, value);
        QFETCH(bool, kept);
        bout().addPenaltyTime(2, 90);
        BoutState state = bout().state(1234);
        if (field == "home")
            state.numbers[BoutState::HomeScore] = int(value);
        else if (field == "visitor")
            state.numbers[BoutState::VisitorScore] = int(value);
        else if (field == "number")
            state.numbers[BoutState::PeriodNumber] = int(value);
        else if (field == "period")
            state.periodResetTicks = value;
        else if (field == "taken")
            state.takenAtMs = value;
        else
            state.jamResetTicks = value;
        const std::optional<BoutState> read = BoutState::fromJson(state.toJson());
        QCOMPARE(read.has_value(), kept);
        if (kept)
            QCOMPARE(*read, state);
    }

    void typedTimes()
    {
        bout().startStopJam();
        advance(2000);
        // A running jam goes on from the typed time, which becomes its reset value; the penalty
        // clocks that follow the jam stop.
        bout().setJamTime(ticks(90));
        QVERIFY(jam()->isRunning() && penaltiesRunning(false));
        QCOMPARE(bout().jamResetValue(), 90.0);

        // A typed period time stops the period and every penalty clock, not the jam.
        bout().startStopPenalty(2);
        bout().setPeriodTime(ticks(1200));
        QVERIFY(!period()->isRunning() && jam()->isRunning() && penaltiesRunning(false));
        QCOMPARE(bout().periodResetValue(), 1200.0);
        bout().resetPeriod();
        QCOMPARE(seconds(period()), 1200.0);
        QCOMPARE(seconds(jam()), 90.0);
    }

    void penaltyClocks()
    {
        for (int n = 0; n < 6; ++n)
            bout().addPenaltyTime(0, 90);
        QCOMPARE(seconds(penalty(0)), 540.0);
        bout().addPenaltyTime(0, 90);
        QCOMPARE(seconds(penalty(0)), 540.0);
        bout().addPenaltyTime(0, 59);
        QCOMPARE(seconds(penalty(0)), 599.0);
        QVERIFY(!bout().isPenaltyBlank(0));
        // An increment from a hand-edited file beyond what Options offers counts as Options
        // shows it: a negative one adds nothing (and takes no penalty away), one of 600 s and
        // more adds 9:59.
        bout().clearPenalty(1);
        bout().addPenaltyTime(1, 30);
        bout().addPenaltyTime(1, -90);
        QCOMPARE(seconds(penalty(1)), 30.0);
        QVERIFY(!bout().isPenaltyBlank(1));
        bout().clearPenalty(1);
        bout().addPenaltyTime(1, 600);
        QCOMPARE(seconds(penalty(1)), 599.0);
        bout().clearPenalty(1);

        // The group starts with the jam; an increment adds to what is left and stops that one.
        bout().clearPenalty(0);
        QVERIFY(bout().isPenaltyBlank(0));
        bout().addPenaltyTime(0, 90);
        bout().addPenaltyTime(0, 90);
        bout().startStopJam();
        advance(10000);
        QCOMPARE(seconds(penalty(0)), 170.0);
        bout().addPenaltyTime(0, 90);
        QVERIFY(!penalty(0)->isRunning() && penalty(1)->isRunning());
        QCOMPARE(seconds(penalty(0)), 260.0);

        // Its own start and stop; the next group start or stop takes it back.
        bout().startStopJam();
        bout().startStopPenalty(0);
        QVERIFY(penalty(0)->isRunning() && !penalty(1)->isRunning());
        bout().startStopJam();
        QVERIFY(penaltiesRunning(true));

        // Cleared while running: blank, stopped and kept at zero in the journal; the next jam start
        // runs it behind the blank, and time put on it then starts from zero, not from where its
        // engine ran to.
        bout().clearPenalty(0);
        QVERIFY(!penalty(0)->isRunning() && bout().isPenaltyBlank(0));
        QCOMPARE(bout().state(0).clocks[BoutState::HomePenalty1].ticks, 0);
        bout().startStopJam();
        bout().startStopJam();
        QVERIFY(penalty(0)->isRunning());
        advance(97000);
        QVERIFY(bout().isPenaltyBlank(0) && bout().isPenaltyBlank(3));
        bout().addPenaltyTime(3, 90);
        QCOMPARE(seconds(penalty(3)), 90.0);
        bout().addPenaltyTime(3, 90);
        QCOMPARE(seconds(penalty(3)), 180.0);

        // A typed time goes to the nearest whole second, a half to the even one, and stops the
        // clock.
        const std::pair<double, double> typed[]
                = {{104.4, 104}, {104.5, 104}, {104.6, 105}, {105.5, 106}, {0.4, 0}, {0.6, 1}};
        for (const auto &[time, shown] : typed) {
            bout().setPenaltyTime(0, ticks(time));
            QVERIFY(!penalty(0)->isRunning() && !bout().isPenaltyBlank(0));
            QCOMPARE(seconds(penalty(0)), shown);
        }

        // Time added to a clock that has just run out, its engine a little below zero, starts
        // from zero; one with time left adds to it.
        init();
        bout().setPenaltyTime(1, ticks(1));
        bout().startStopPenalty(1);
        advance(1300);
        QVERIFY(!bout().isPenaltyBlank(1) && penalty(1)->ticks() < 0);
        bout().addPenaltyTime(1, 90);
        QCOMPARE(penalty(1)->ticks(), ticks(90));
        bout().startStopPenalty(1);
        advance(500);
        bout().addPenaltyTime(1, 90);
        QCOMPARE(penalty(1)->ticks(), ticks(179.5));

        // An expired penalty blanks a second after it shows zero, each of the six.
        init();
        for (int each = 0; each < Bout::PenaltyCount; ++each) {
            bout().setPenaltyTime(each, ticks(2));
            bout().startStopPenalty(each);
        }
        advance(2900);
        for (int each = 0; each < Bout::PenaltyCount; ++each)
            QVERIFY(!bout().isPenaltyBlank(each));
        advance(200);
        for (int each = 0; each < Bout::PenaltyCount; ++each) {
            QVERIFY2(bout().isPenaltyBlank(each), qPrintable(QString::number(each)));
            QVERIFY(penalty(each)->isRunning());
        }

        // However late the refresh comes, an expired penalty never shows time below zero.
        bout().setPenaltyTime(2, ticks(1));
        bout().startStopPenalty(2);
        m_clock.advanceMilliseconds(5000);
        bout().refresh();
        QVERIFY(bout().isPenaltyBlank(2));
    }

    void numbersAndListeners()
    {
        QSignalSpy changed(&bout(), &Bout::changed);
        bout().setNumber(Bout::HomeScore, 999);
        bout().setNumber(Bout::HomeScore, 1000);
        bout().setNumber(Bout::PeriodNumber, 9);
        bout().setNumber(Bout::PeriodNumber, 10);
        QCOMPARE(bout().homeScore(), 999);
        QCOMPARE(bout().periodNumber(), 9);
        // Only clearing blanks a number; nothing below zero is taken for the blank.
        bout().setNumber(Bout::PeriodNumber, -1);
        bout().setNumber(Bout::HomeScore, -2);
        // Nor is a clock a number: given one, these change nothing.
        bout().setNumber(Bout::JamClock, 5);
        bout().clearNumber(Bout::PeriodClock);
        QCOMPARE(bout().periodNumber(), 9);
        QCOMPARE(bout().homeScore(), 999);
        bout().clearNumber(Bout::PeriodNumber);
        QCOMPARE(bout().periodNumber(), -1);
        bout().setNumber(Bout::PeriodNumber, 0);
        QCOMPARE(bout().periodNumber(), 0);
        QCOMPARE(changed.size(), 4);
        QCOMPARE(changed.at(0).at(0).value<Bout::Item>(), Bout::HomeScore);

        // What a journal or a second board needs: each change named once it happened.
        QList<Bout::Item> items;
        connect(&bout(), &Bout::changed, this, [&items](Bout::Item item) { items.append(item); });
        bout().setJamTime(ticks(60));
        QVERIFY(items.contains(Bout::JamClock) && items.contains(Bout::ResetValues));
        items.clear();
        bout().startStopJam();
        QVERIFY(items.contains(Bout::PeriodClock) && items.contains(Bout::JamClock)
                && items.contains(Bout::VisitorPenalty2));
        items.clear();
        bout().switchClock();
        QCOMPARE(items, QList<Bout::Item> {Bout::ClockTime});
        // A game rule that leaves the bout as it is changes nothing anyone shows or keeps.
        items.clear();
        GameRules rules;
        rules.lineupTicks = ticks(45);
        bout().setGameRules(rules);
        QCOMPARE(items, QList<Bout::Item> {});
    }

    // The engine under every clock: counting, stopping and a replaced clock.
    void timeKeeperCounts()
    {
        TimeKeeper keeper;
        QSignalSpy runningChanged(&keeper, &TimeKeeper::runningChanged);
        keeper.setSeconds(120);
        m_clock.advanceMilliseconds(5000);
        QCOMPARE(keeper.ticks(), 120 * BoutConstants::TicksPerSecond);

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

        // Turned to count up while running, it rises from the value it had.
        keeper.setCountsUp(true);
        m_clock.advanceMilliseconds(1000);
        QCOMPARE(keeper.ticks(), 10004);
        keeper.setCountsUp(false);
        m_clock.advanceMilliseconds(500);
        QCOMPARE(keeper.ticks(), 5004);

        // The PC's own clock, awake: it moves on, and counts no sleep.
        const ClockSource *system = ClockSource::system();
        const qint64 slept = system->sleptNanoseconds();
        const qint64 from = system->nanoseconds();
        QTest::qWait(100);
        QVERIFY(system->nanoseconds() - from >= 100000000);
        QVERIFY(qAbs(system->sleptNanoseconds() - slept) < 1000000);

        // Seconds round to the nearest tick.
        keeper.setRunning(false);
        const std::pair<double, qint64> rows[]
                = {{59.9, 599000}, {0.00005, 1}, {0.00004, 0}, {-0.03, -300}, {qQNaN(), 0}};
        for (const auto &[seconds, ticks] : rows) {
            keeper.setSeconds(seconds);
            QCOMPARE(keeper.ticks(), ticks);
        }

        // Read every 50 ms with a ragged interval, as a busy refresh timer would, for three
        // hours: the value depends on the time elapsed alone, not on how often it was read.
        const qint64 start = 3 * 3600 * BoutConstants::TicksPerSecond;
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

        // Replacing the clock under a running engine keeps its value.
        keeper.setSeconds(100);
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

    // The period display: minutes and seconds down to one minute, then seconds and tenths, each
    // the one the clock is in, as whole seconds are: 0.0 only once the time is out.
    void periodShown_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("shown");
        const std::pair<double, const char *> rows[] = {
                {600, "10:00"},    {60, "1:00"},   {59.9001, "1:00"}, {59.9, "59.9"},
                {59.8001, "59.9"}, {59.8, "59.8"}, {59.09, "59.1"},   {0.1, "0.1"},
                {0.0001, "0.1"},   {0, "0.0"},     {-3, "0.0"},
        };
        for (const auto &[seconds, shown] : rows)
            QTest::addRow("%g s", seconds) << seconds << QString(shown);
    }
    void periodShown()
    {
        QFETCH(double, seconds);
        QFETCH(QString, shown);
        bout().setPeriodTime(ticks(seconds));
        QCOMPARE(BoutReadout::texts(bout(), QTime(14, 5), QLocale::c()).period, shown);
    }

    // A running period read at every refresh shows each second and then each tenth in turn,
    // none skipped and none shown for less than its time.
    void periodCountsDownShowingEveryTenth()
    {
        bout().setPeriodTime(ticks(61));
        bout().startStopPeriod();
        QStringList shown;
        while (bout().periodEngine()->ticks() > 0) {
            const QString text = BoutReadout::texts(bout(), QTime(14, 5), QLocale::c()).period;
            if (shown.isEmpty() || shown.last() != text)
                shown << text;
            m_clock.advanceMilliseconds(1);
        }
        shown << BoutReadout::texts(bout(), QTime(14, 5), QLocale::c()).period;
        QStringList expected {"1:01", "1:00"};
        for (int tenths = 599; tenths >= 0; --tenths)
            expected << QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
        QCOMPARE(shown, expected);
    }

    // Ticks of a tenth of a millisecond to the seconds shown: ties go to even.
    void clockReadout()
    {
        const std::pair<qint64, float> rows[] = {
                {590000, 59.0f}, {590001, 60.0f}, {580001, 58.0f}, {0, 0.0f},
                {-9999, 0.0f},   {-10000, -1.0f}, {-19998, -1.0f}, {-19999, -2.0f},
        };
        for (const auto &[ticks, shown] : rows)
            QCOMPARE(ClockReadout::wholeSeconds(ticks), shown);

        const QTime now(14, 5);
        QCOMPARE(ClockReadout::minutesOfDay("14:05", now), 845);
        QCOMPARE(ClockReadout::minutesOfDay("2:05 PM", now), 125);
        QCOMPARE(ClockReadout::minutesOfDay("14:05:33", now), 845);
        QCOMPARE(ClockReadout::minutesOfDay("14.05", now), 845);
        QCOMPARE(ClockReadout::minutesOfDay("", QTime(0, 0)), 0);
        QCOMPARE(ClockReadout::minutesOfDay("PM 2:05", now), 125);
        QCOMPARE(ClockReadout::minutesOfDay(":05", now), 845);
        // Each locale's own short time, words before the hour or not, in its own digits.
        const QTime evening(21, 4);
        for (const char *name : {"en_US", "de_DE", "ko_KR", "zh_TW", "zh_HK", "ta_IN", "ar_EG",
                                 "fa_IR", "ja_JP", "ee_GH"}) {
            const QString text = QLocale(name).toString(evening, QLocale::ShortFormat);
            const int minutes = ClockReadout::minutesOfDay(text, QTime(0, 0));
            QVERIFY2(minutes == 21 * 60 + 4 || minutes == 9 * 60 + 4,
                     qPrintable(QString("%1: %2 gives %3").arg(name, text).arg(minutes)));
        }
    }
};

QTEST_GUILESS_MAIN(TestBoutModel)
#include "tst_boutmodel.moc"
