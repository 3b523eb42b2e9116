#include "boutjournal.h"
#include "journalwriter.h"
#include "teststore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr qint64 Second = BoutConstants::TicksPerSecond;
// 20:14:03 on a December evening, in milliseconds since the epoch.
constexpr qint64 Evening = 1796674443000;
// The period clock of the bout under way.
constexpr qint64 P = 1234 * Second + 5678;

// The visitor score at its highest, which a journal must take back as it is.
BoutState underWay()
{
    BoutState state;
    state.numbers = {87, 999, 2};
    state.clocks[BoutState::Period] = {P, true};
    state.clocks[BoutState::Jam] = {77 * Second, true};
    state.clocks[BoutState::HomePenalty2] = {25 * Second, true};
    state.penaltyBlank[1] = false;
    state.jamResetTicks = 90 * Second;
    state.takenAtMs = Evening;
    return state;
}

// How running clocks come back, against what the board would have done meanwhile.
struct Resumed
{
    const char *name;
    qint64 periodTicks, awayMs;
    BoutState::Rules rules;
    // Expected for the period, the jam and home penalty 2.
    std::array<qint64, 3> ticks;
    // Which of them run, then the period end and jam end latches and the held end-of-period sound.
    std::array<bool, 6> flags;
};
constexpr qint64 Day = BoutState::MaxAwayMs;
// The clock options that differ from the defaults.
constexpr BoutState::Rules Apart {false, false}, Delay {true, true};
const Resumed Resumptions[] = {
        {"counted on", P, 10500, {}, {P - 105000, 665000, 145000}, {1, 1, 1, 0, 0, 0}},
        {"no time away", P, 0, {}, {P, 770000, 250000}, {1, 1, 1, 0, 0, 0}},
        // The time away is not known: every clock stopped where it was.
        {"wall clock went back", P, -1, {}, {P, 770000, 250000}, {0, 0, 0, 0, 0, 0}},
        {"more than a day", P, Day + 1, {}, {P, 770000, 250000}, {0, 0, 0, 0, 0, 0}},
        {"a whole day", P, Day, {}, {0, 0, -520000}, {0, 0, 0, 1, 1, 0}},
        {"jam ran out just now", P, 77000, {}, {P - 770000, 0, -520000}, {1, 0, 0, 0, 1, 0}},
        // The jam ran out at 77 s and stopped the penalty clocks with it; the period ran on.
        {"jam ran out", P, 100000, {}, {P - 1000000, 0, -520000}, {1, 0, 0, 0, 1, 0}},
        // Penalty clocks following the period count on below zero, as on the board.
        {"penalties apart", P, 100000, Apart, {P - 1000000, 0, -750000}, {1, 0, 1, 0, 1, 0}},
        {"period ran out", P, 5000000, {}, {0, 0, -520000}, {0, 0, 0, 1, 1, 0}},
        // The period runs out during a jam: the jam ends with it, or plays on with the
        // end-of-period sound held for it when the option is on.
        {"period ran out mid-jam", 30 * Second, 40000, {}, {0, 470000, -50000}, {0, 0, 0, 1, 0, 0}},
        {"jam played on", 30 * Second, 40000, Delay, {0, 370000, -150000}, {0, 1, 1, 1, 0, 1}},
        // Stopped while the sound waits for the jam: the jam is over, the sound is not played.
        {"sound held, away not known", 0, -1, Delay, {0, 770000, 250000}, {0, 0, 0, 1, 0, 0}},
        // The jam then ran out too: the held sound is past, not played late.
        {"jam played on, ran out", 30 * Second, 90000, Delay, {0, 0, -520000}, {0, 0, 0, 1, 1, 0}},
};

void setFileSizeLimit(rlim_t bytes)
{
    const rlimit limit {bytes, RLIM_INFINITY};
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The journal and its log copied as they are on the disk, as a program killed at this moment
// leaves them; SQLite builds the log's index again.
bool copyAsKilled(const QString &path, const QString &copy)
{
    const QString log = path + "-wal";
    return QFile::copy(path, copy) && (!QFileInfo::exists(log) || QFile::copy(log, copy + "-wal"));
}

// Gives this process mounts of its own, so that a folder can be made read-only, or a file held in
// place, for this test alone; false where that is not allowed (not root). New threads take the
// mounts of the thread that starts them, the journal's writer too.
bool ownMounts()
{
    static const bool own = geteuid() == 0 && unshare(CLONE_NEWNS) == 0
            && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return own;
}

// Mounts what onto where, read-only if asked.
bool bindMount(const QString &what, const QString &where, bool readOnly)
{
    const QByteArray source = QFile::encodeName(what), target = QFile::encodeName(where);
    return mount(source, target, nullptr, MS_BIND, nullptr) == 0
            && (!readOnly
                || mount(nullptr, target, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0);
}

// underWay() as the journal kept it before the game flow: six clocks, three numbers.
const QByteArray BeforeTheFlow
        = R"({"clockTime":false,"clocks":[{"running":true,"ticks":12345678},)"
          R"({"running":true,"ticks":770000},{"running":false,"ticks":0},)"
          R"({"running":true,"ticks":250000},{"running":false,"ticks":0},)"
          R"({"running":false,"ticks":0}],"heldPeriodEndSound":false,"jamEndSignalled":false,)"
          R"("jamResetTicks":900000,"numbers":[87,999,2],"penaltyBlank":[true,false,true,true],)"
          R"("periodEndSignalled":false,"periodResetTicks":6000000,"takenAtMs":1796674443000})";

// A bout with the game flow on, and how it comes back after a time away.
struct FlowResumed
{
    const char *name;
    BoutState::Phase phase;
    qint64 flowTicks;
    bool flowUp;
    qint64 awayMs;
    BoutState::Phase phaseAfter;
    qint64 flowAfter; // ticks
    bool flowRunning;
    int periodNumber;
};
const FlowResumed FlowResumptions[] = {
        {"lineup counted on", BoutState::Lineup, 30 * Second, false, 10000, BoutState::Lineup,
         20 * Second, true, 1},
        {"lineup ran out", BoutState::Lineup, 30 * Second, false, 45000, BoutState::Lineup, 0,
         false, 1},
        {"team timeout ran out", BoutState::HomeTimeout, 60 * Second, false, 90000,
         BoutState::HomeTimeout, 0, false, 1},
        {"official timeout counts up", BoutState::OfficialTimeout, 5 * Second, true, 100000,
         BoutState::OfficialTimeout, 105 * Second, true, 1},
        // Left running while the PC was off, all but a day.
        {"official timeout near a day", BoutState::OfficialTimeout, 86399 * Second, true, 500,
         BoutState::OfficialTimeout, 86399 * Second + 5000, true, 1},
        {"halftime counted on", BoutState::Halftime, 900 * Second, false, 600000,
         BoutState::Halftime, 300 * Second, true, 1},
        // The next period stands ready, as when the board saw the halftime run out.
        {"halftime ran out", BoutState::Halftime, 900 * Second, false, 1000000, BoutState::Between,
         0, false, 2},
        // The jam ran out at 77 s and the lineup started then.
        {"jam ran out", BoutState::InJam, 0, false, 100000, BoutState::Lineup, 7 * Second, true, 1},
        // The period ran out at 30 s, the jam played on to 77 s, and the halftime started then.
        {"period ran out mid-jam", BoutState::InJam, 0, false, 100000, BoutState::Halftime,
         877 * Second, true, 1},
};

const QByteArray Damaged = QByteArray("SQLite format 3\0", 16) + QByteArray(4000, '\x5a');

} // namespace

class TestBoutJournal : public QObject
{
    Q_OBJECT

private:
    std::optional<QTemporaryDir> m_dir;
    QString journalPath() const { return m_dir->filePath("bout-journal.sqlite"); }

    // The bout under way recorded in the journal, then its files copied to killed.sqlite as a run
    // killed then leaves them, the changes in the log; returns the copy's path.
    QString killedUnderWay() const
    {
        const QString copy = m_dir->filePath("killed.sqlite");
        BoutJournal journal(journalPath());
        journal.open();
        journal.record(underWay());
        if (!journal.flush(10000) || !copyAsKilled(journalPath(), copy))
            return {};
        return copy;
    }

    // A journal holding a bout, then changed by the statement, in one file without companions.
    static void writeEdited(const QString &path, const QString &statement)
    {
        {
            BoutJournal journal(path);
            journal.open();
            journal.record(underWay());
            QVERIFY(journal.flush(10000));
            journal.close(underWay());
        }
        QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "edit");
        database.setDatabaseName(path);
        QVERIFY(database.open());
        QSqlQuery query(database);
        if (!statement.isEmpty())
            QVERIFY(query.exec(statement));
        QVERIFY(query.exec("PRAGMA journal_mode=DELETE"));
        query = QSqlQuery();
        database = QSqlDatabase();
        QSqlDatabase::removeDatabase("edit");
    }

private slots:
    void init() { m_dir.emplace(); }

    void keepsTheLatestStateAndHowTheRunEnded()
    {
        BoutState state = underWay();
        {
            BoutJournal journal(journalPath());
            const BoutJournal::Opening first = journal.open();
            QCOMPARE(first.ending, BoutJournal::Ending::None);
            QVERIFY(first.problem.isEmpty());
            journal.record(state);
            QVERIFY(journal.flush(10000));
        }
        {
            BoutJournal journal(journalPath());
            const BoutJournal::Opening opening = journal.open();
            QCOMPARE(opening.ending, BoutJournal::Ending::Abnormal);
            QCOMPARE(opening.state, state);
            // A burst of changes: the last one is what stays.
            for (int score = 0; score <= 40; ++score) {
                state.numbers[BoutState::HomeScore] = score;
                journal.record(state);
            }
            journal.close(state);
            // Closed is closed: a late change is not kept, and waiting for it is no wait.
            BoutState late = state;
            late.numbers[BoutState::VisitorScore] = 1;
            journal.record(late);
            QVERIFY(journal.flush(10000));
        }
        // A folder made where the log goes, meanwhile, is moved out of the way.
        QVERIFY(QDir().mkdir(journalPath() + "-wal"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^What stood in the place of the bout journal's "
                                                "log or its index was kept as .*-wal\\.$"));
        BoutJournal journal(journalPath());
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.ending, BoutJournal::Ending::Closed);
        QCOMPARE(opening.state, state);
        const QStringList aside = QDir(m_dir->path()).entryList({"*.unusable-*-wal"});
        QCOMPARE(aside.size(), 1);
        // The operator hears of it with the bout's greeting.
        QCOMPARE(opening.problem,
                 "Another file took the place of the bout's; it was kept aside as " + aside.first()
                         + ", and the bout is saved as before.");
    }

    void whenABoutIsUnderWay()
    {
        // A typed reset value alone is no bout; a score, a penalty shown, a clock moved or
        // running is.
        BoutState typed;
        typed.jamResetTicks = typed.clocks[BoutState::Jam].ticks = 60 * Second;
        QVERIFY(!BoutState().isUnderWay() && !typed.isUnderWay());
        std::array<BoutState, 4> changed;
        changed[0].numbers[BoutState::VisitorScore] = 4;
        changed[1].penaltyBlank[3] = false;
        changed[2].clocks[BoutState::Jam].ticks -= 1;
        changed[3].clocks[BoutState::HomePenalty1].running = true;
        for (const BoutState &state : changed)
            QVERIFY(state.isUnderWay());
    }

    void resumedAt_data()
    {
        QTest::addColumn<int>("row");
        for (int row = 0; row < int(std::size(Resumptions)); ++row)
            QTest::newRow(Resumptions[row].name) << row;
    }
    void resumedAt()
    {
        QFETCH(int, row);
        const Resumed &expected = Resumptions[row];
        BoutState before = underWay();
        before.clocks[BoutState::Period].ticks = expected.periodTicks;
        if (expected.periodTicks == 0) {
            before.clocks[BoutState::Period].running = false;
            before.periodEndSignalled = before.heldPeriodEndSound = true;
        }
        const BoutState after
                = before.resumedAt({Evening + expected.awayMs, {}, 0}, expected.rules);
        const int clocks[] {BoutState::Period, BoutState::Jam, BoutState::HomePenalty2};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(after.clocks[clocks[i]].ticks, expected.ticks[i]);
            QCOMPARE(after.clocks[clocks[i]].running, expected.flags[i]);
        }
        QCOMPARE(after.periodEndSignalled, expected.flags[3]);
        QCOMPARE(after.jamEndSignalled, expected.flags[4]);
        QCOMPARE(after.heldPeriodEndSound, expected.flags[5]);
        QCOMPARE(after.numbers, before.numbers);
        QCOMPARE(after.takenAtMs, Evening + expected.awayMs);
    }

    // A journal written before the game flow reads back as the bout it always was, and resumes
    // as it always did.
    void journalBeforeTheFlow()
    {
        writeEdited(journalPath(),
                    "UPDATE bout SET state = '" + QString::fromUtf8(BeforeTheFlow) + "'");
        BoutJournal journal(journalPath());
        const BoutState opened = journal.open().state;
        BoutState expected = underWay();
        expected.numbers = BoutState().numbers;
        expected.numbers[BoutState::HomeScore] = 87;
        expected.numbers[BoutState::VisitorScore] = 999;
        expected.numbers[BoutState::PeriodNumber] = 2;
        QCOMPARE(opened, expected);
        QCOMPARE(opened.phase, BoutState::Between);
        QVERIFY(opened.penaltyBlank[4] && opened.penaltyBlank[5]);
        QCOMPARE(opened.clocks[BoutState::Flow], BoutState::ClockValue());
        const BoutState after = opened.resumedAt({Evening + 10500, {}, 0}, {});
        QCOMPARE(after.clocks[BoutState::Period].ticks, P - 105000);
        QCOMPARE(after.clocks[BoutState::Jam].ticks, 665000);
        QCOMPARE(after.clocks[BoutState::HomePenalty2].ticks, 145000);
        QCOMPARE(after.phase, BoutState::Between);
        QCOMPARE(after.clocks[BoutState::Flow], BoutState::ClockValue());
        // Kept again, it keeps all it holds now.
        journal.record(after);
        QVERIFY(journal.flush(10000));
        journal.close(after);
        BoutJournal again(journalPath());
        QCOMPARE(again.open().state, after);
    }

    // A journal written with the game flow on resumes into it, the flow clock counted on by the
    // time away and what the board would have done meanwhile done.
    void resumesIntoTheFlow_data()
    {
        QTest::addColumn<int>("row");
        for (int row = 0; row < int(std::size(FlowResumptions)); ++row)
            QTest::newRow(FlowResumptions[row].name) << row;
    }
    void resumesIntoTheFlow()
    {
        QFETCH(int, row);
        const FlowResumed &expected = FlowResumptions[row];
        BoutState before = underWay();
        before.numbers[BoutState::PeriodNumber] = 1;
        before.numbers[BoutState::JamNumber] = 12;
        before.numbers[BoutState::HomeReviews] = 0;
        before.phase = expected.phase;
        before.clocks[BoutState::Flow] = {expected.flowTicks, expected.phase != BoutState::InJam};
        before.flowCountsUp = expected.flowUp;
        if (expected.phase == BoutState::InJam) {
            before.clocks[BoutState::Period].ticks
                    = row == int(std::size(FlowResumptions)) - 1 ? 30 * Second : P;
        } else {
            before.clocks[BoutState::Jam].running = false;
            before.clocks[BoutState::HomePenalty2].running = false;
            // Timeouts stop the period clock; the halftime comes after it ran out.
            const bool periodStopped = expected.phase != BoutState::Lineup;
            before.clocks[BoutState::Period].running = !periodStopped;
            if (expected.phase == BoutState::Halftime) {
                before.clocks[BoutState::Period].ticks = 0;
                before.periodEndSignalled = true;
            }
        }
        {
            BoutJournal journal(journalPath());
            journal.open();
            journal.record(before);
            QVERIFY(journal.flush(10000));
        }
        BoutJournal journal(journalPath());
        const BoutState opened = journal.open().state;
        QCOMPARE(opened, before);

        BoutState::Rules rules;
        rules.game.on = true;
        const BoutState after = opened.resumedAt({Evening + expected.awayMs, {}, 0}, rules);
        QCOMPARE(after.phase, expected.phaseAfter);
        QCOMPARE(after.clocks[BoutState::Flow].ticks, expected.flowAfter);
        QCOMPARE(after.clocks[BoutState::Flow].running, expected.flowRunning);
        QCOMPARE(after.numbers[BoutState::PeriodNumber], expected.periodNumber);
        const bool nextPeriod = expected.periodNumber == 2;
        QCOMPARE(after.numbers[BoutState::JamNumber], nextPeriod ? -1 : 12);
        QCOMPARE(after.numbers[BoutState::HomeReviews], nextPeriod ? 1 : 0);
        if (nextPeriod) {
            QCOMPARE(after.clocks[BoutState::Period],
                     (BoutState::ClockValue {BoutConstants::PeriodResetTicks, false}));
            QVERIFY(!after.periodEndSignalled);
        }
        // The jam is over wherever the flow moved on from it.
        if (expected.phase == BoutState::InJam)
            QVERIFY(!after.clocks[BoutState::Jam].running);
    }

    // Within one boot of the PC the time away is the boot clock's, whatever the wall clock did;
    // across a reboot, or where a boot is not known, it is the wall clock's.
    void timeAway_data()
    {
        QTest::addColumn<QByteArray>("thenBoot");
        QTest::addColumn<QByteArray>("nowBoot");
        QTest::addColumn<qint64>("wallMs");
        QTest::addColumn<qint64>("bootMs");
        // -1: not known, the clocks are stopped.
        QTest::addColumn<qint64>("awayMs");
        const qint64 hour = 3600000;
        QTest::newRow("wall clock set ahead")
                << QByteArray("a") << QByteArray("a") << hour << qint64(5000) << qint64(5000);
        QTest::newRow("wall clock set back")
                << QByteArray("a") << QByteArray("a") << -hour << qint64(5000) << qint64(5000);
        QTest::newRow("suspended a day")
                << QByteArray("a") << QByteArray("a") << qint64(0) << Day << Day;
        QTest::newRow("suspended overnight") << QByteArray("a") << QByteArray("a") << qint64(0)
                                             << 47 * hour / 2 << 47 * hour / 2;
        QTest::newRow("a day and more")
                << QByteArray("a") << QByteArray("a") << qint64(0) << Day + 1 << qint64(-1);
        QTest::newRow("rebooted") << QByteArray("a") << QByteArray("b") << qint64(5000)
                                  << qint64(-9000) << qint64(5000);
        QTest::newRow("rebooted, wall clock back")
                << QByteArray("a") << QByteArray("b") << -hour << qint64(5000) << qint64(-1);
        QTest::newRow("rebooted a day later")
                << QByteArray("a") << QByteArray("b") << Day + 1 << qint64(5000) << qint64(-1);
        QTest::newRow("boot not kept")
                << QByteArray() << QByteArray("a") << qint64(5000) << hour << qint64(5000);
        QTest::newRow("boot not told")
                << QByteArray("a") << QByteArray() << qint64(5000) << hour << qint64(5000);
        QTest::newRow("neither knows")
                << QByteArray() << QByteArray() << qint64(5000) << qint64(0) << qint64(5000);
    }
    void timeAway()
    {
        QFETCH(QByteArray, thenBoot);
        QFETCH(QByteArray, nowBoot);
        QFETCH(qint64, wallMs);
        QFETCH(qint64, bootMs);
        QFETCH(qint64, awayMs);
        BoutState before = underWay();
        before.bootId = thenBoot;
        before.takenAtBootMs = 20000;
        const BoutState::Moment now {Evening + wallMs, nowBoot, 20000 + bootMs};
        const BoutState after = before.resumedAt(now, {});
        QCOMPARE(before.awayMs(now).value_or(-1), awayMs);
        if (awayMs >= 0) {
            BoutState byWall = before;
            byWall.bootId.clear();
            QCOMPARE(after.clocks, byWall.resumedAt({Evening + awayMs, {}, 0}, {}).clocks);
            QVERIFY(after.clocks[BoutState::Period] != before.clocks[BoutState::Period]);
        } else {
            for (int clock = 0; clock < BoutState::ClockCount; ++clock)
                QCOMPARE(after.clocks[clock], BoutState::ClockValue({before.clocks[clock].ticks}));
        }
        // Taken anew on the clocks of now, for the next restart to count from.
        QCOMPARE(after.takenAtMs, now.wallMs);
        QCOMPARE(after.bootId, nowBoot);
        QCOMPARE(after.takenAtBootMs, now.bootMs);
    }

    // The boot clock is kept with each record; a journal written before it was has no place for
    // it, resumes by the wall clock, and keeps it from its next record on.
    void keepsTheBootClock()
    {
        {
            BoutJournal journal(journalPath());
            journal.open();
        }
        QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "old");
        database.setDatabaseName(journalPath());
        QVERIFY(database.open());
        QSqlQuery query(database);
        QVERIFY(query.exec("CREATE TABLE bout (id INTEGER PRIMARY KEY CHECK (id = 1), saved_at "
                           "INTEGER NOT NULL, closed INTEGER NOT NULL, state TEXT NOT NULL)"));
        QVERIFY(query.exec("PRAGMA user_version=1"));
        QVERIFY(query.prepare("INSERT INTO bout VALUES (1, ?, 0, ?)"));
        query.addBindValue(Evening);
        query.addBindValue(QString::fromUtf8(underWay().toJson()));
        QVERIFY(query.exec());
        query = QSqlQuery();
        database.close();

        BoutState state = underWay();
        {
            BoutJournal journal(journalPath());
            const BoutJournal::Opening opening = journal.open();
            QCOMPARE(opening.ending, BoutJournal::Ending::Abnormal);
            QCOMPARE(opening.state, underWay());
            QVERIFY(opening.state.bootId.isEmpty());
            state.bootId = "3f0e2d7a-5b1c-4e8f-9a6d-2c7b1e0f4a93";
            state.takenAtBootMs = 86400123;
            journal.record(state);
            QVERIFY(journal.flush(10000));
        }
        {
            BoutJournal journal(journalPath());
            QCOMPARE(journal.open().state, state);
            // A boot not known is kept as not known, not as a boot of its own.
            state.bootId.clear();
            journal.close(state);
        }
        BoutJournal journal(journalPath());
        const BoutState reopened = journal.open().state;
        QVERIFY(reopened.bootId.isEmpty());
        QCOMPARE(reopened.numbers, state.numbers);
        database = QSqlDatabase();
        QSqlDatabase::removeDatabase("old");
    }

    // A journal that cannot be used: the bout starts afresh, the file is kept aside as it was,
    // the message names both places, and the fresh journal works.
    // A name already kept aside in the same second is not overwritten: the next one is
    // numbered.
    // A journal removed (alone or with its log) or emptied while the board runs is written afresh
    // with the bout as it stands within a second or two, with no change needed. So is one
    // replaced by something that is no journal, which is kept aside as it was and named to the
    // operator: a bout written into nothing would be lost at the next start.
    void lostWhileRunning_data()
    {
        QTest::addColumn<QString>("loss");
        QTest::newRow("removed") << "removed";
        QTest::newRow("removed with its log") << "removed with its log";
        QTest::newRow("emptied") << "emptied";
        QTest::newRow("replaced by another file") << "replaced by another file";
        QTest::newRow("replaced by a folder") << "replaced by a folder";
        QTest::newRow("its folder removed") << "folder removed";
        QTest::newRow("replaced by another program's database") << "replaced by a database";
    }
    void lostWhileRunning()
    {
        QFETCH(QString, loss);
        const QString path = journalPath();
        const bool replaced = loss.startsWith("replaced");
        QStringList told;
        {
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^The bout journal .* is written afresh\\.$"));
            if (replaced)
                QTest::ignoreMessage(QtWarningMsg,
                                     QRegularExpression("^The file in the bout journal's place was "
                                                        "kept as .*/bout-journal\\.unusable-"
                                                        "\\d{8}-\\d{6}\\.sqlite\\.$"));
            BoutJournal journal(path);
            connect(&journal, &BoutJournal::replacedFileKeptAside, this,
                    [&told](const QString &message) { told << message; });
            journal.open();
            journal.record(underWay());
            QVERIFY(journal.flush(10000));
            if (loss.startsWith("removed")) {
                QVERIFY(QFile::remove(path));
                if (loss.endsWith("log")) {
                    QFile::remove(path + "-wal");
                    QVERIFY(QFile::remove(path + "-shm"));
                }
            } else if (loss.endsWith("file")) {
                QVERIFY(writeFile(path + ".new", "notes"));
                // Put in place at once, as an editor or a copy program saves.
                QCOMPARE(std::rename(QFile::encodeName(path + ".new").constData(),
                                     QFile::encodeName(path).constData()),
                         0);
            } else if (loss.endsWith("a database")) {
                {
                    QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
                    other.setDatabaseName(path + ".new");
                    QVERIFY(other.open());
                    QSqlQuery(other).exec("CREATE TABLE users (id, name)");
                    QSqlQuery(other).exec("INSERT INTO users VALUES (1, 'alice')");
                    other.close();
                }
                QSqlDatabase::removeDatabase("other");
                QCOMPARE(std::rename(QFile::encodeName(path + ".new").constData(),
                                     QFile::encodeName(path).constData()),
                         0);
            } else if (loss.endsWith("a folder")) {
                QVERIFY(QFile::remove(path));
                QVERIFY(QDir().mkdir(path));
            } else if (loss == "folder removed") {
                QVERIFY(QDir(QFileInfo(path).absolutePath()).removeRecursively());
            } else {
                QVERIFY(QFile(path).resize(0));
            }
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).isFile() && QFileInfo(path).size() >= 4096,
                                     3 * JournalWriter::RetryMs);
            QVERIFY(journal.flush(10000));
            // Told from the writing thread: it reaches the board through its event loop.
            QTRY_COMPARE_WITH_TIMEOUT(told.size(), replaced ? 1 : 0, 3 * JournalWriter::RetryMs);
        }
        const QStringList aside = QDir(m_dir->path())
                                          .entryList({"bout-journal.unusable-*.sqlite"},
                                                     QDir::AllEntries | QDir::System);
        if (replaced) {
            QCOMPARE(aside.size(), 1);
            QCOMPARE(told,
                     QStringList {QString("Another file took the place of the bout's; it was kept "
                                          "aside as %1, and the bout is saved as before.")
                                          .arg(aside.first())});
            const QString kept = m_dir->filePath(aside.first());
            if (loss.endsWith("file")) {
                QCOMPARE(readAll(kept), QByteArray("notes"));
            } else if (loss.endsWith("database")) {
                // Kept as it was, alone: the lost journal's log does not go with it.
                QVERIFY(!QFileInfo::exists(kept + "-wal"));
                QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "kept");
                other.setDatabaseName(kept);
                QVERIFY(other.open());
                QSqlQuery names(other);
                QVERIFY(names.exec("SELECT name FROM users"));
                QVERIFY(names.next());
                QCOMPARE(names.value(0).toString(), "alice");
                QVERIFY(!QSqlQuery(other).exec("SELECT * FROM bout"));
                names = QSqlQuery();
                other.close();
                other = QSqlDatabase();
                QSqlDatabase::removeDatabase("kept");
            } else {
                QVERIFY(QFileInfo(kept).isDir());
            }
        } else {
            QCOMPARE(aside, QStringList());
            QCOMPARE(told, QStringList());
        }
        BoutJournal journal(path);
        const BoutJournal::Opening opening = journal.open();
        QVERIFY2(opening.problem.isEmpty(), qPrintable(opening.problem));
        QCOMPARE(opening.ending, BoutJournal::Ending::Abnormal);
        QCOMPARE(opening.state, underWay());
    }

    // The log removed or emptied while the board runs, by a clean-up program say, takes the
    // latest changes with it, and what SQLite appends after is read by no one: the journal is
    // written afresh, and a change before and one after it are both kept.
    void logLostWhileRunning_data()
    {
        QTest::addColumn<QString>("loss");
        QTest::newRow("emptied") << "emptied";
        QTest::newRow("removed") << "removed";
        QTest::newRow("replaced by a folder") << "folder";
    }
    void logLostWhileRunning()
    {
        QFETCH(QString, loss);
        const QString path = journalPath();
        const QString log = path + "-wal";
        BoutState later = underWay();
        later.numbers[BoutState::HomeScore] += 6;
        QStringList told;
        {
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^The bout journal .* is written afresh\\.$"));
            if (loss == "folder")
                QTest::ignoreMessage(QtWarningMsg,
                                     QRegularExpression("^What stood in the place of the bout "
                                                        "journal's log or its index was kept as "
                                                        ".*/bout-journal\\.unusable-\\d{8}-"
                                                        "\\d{6}\\.sqlite-wal\\.$"));
            BoutJournal journal(path);
            connect(&journal, &BoutJournal::replacedFileKeptAside, this,
                    [&told](const QString &message) { told << message; });
            journal.open();
            journal.record(underWay());
            QVERIFY(journal.flush(10000));
            QVERIFY(QFileInfo(log).size() > 0);
            if (loss == "emptied")
                QVERIFY(QFile(log).resize(0));
            else
                QVERIFY(QFile::remove(log));
            // A folder in its place, with something in it.
            if (loss == "folder") {
                QVERIFY(QDir().mkdir(log));
                QVERIFY(writeFile(log + "/notes", "notes"));
            }
            // Noticed meanwhile, with no change needed: the program killed now, leaving the files
            // as they are, keeps the bout.
            QTest::qWait(2 * JournalWriter::RetryMs);
            QVERIFY(copyAsKilled(path, m_dir->filePath("meanwhile.sqlite")));
            journal.record(later);
            QVERIFY(journal.flush(10000));
            QVERIFY(copyAsKilled(path, m_dir->filePath("later.sqlite")));
            QTRY_COMPARE_WITH_TIMEOUT(told.size(), loss == "folder" ? 1 : 0,
                                      3 * JournalWriter::RetryMs);
        }
        if (loss == "folder") {
            const QStringList aside = QDir(m_dir->path()).entryList({"*.unusable-*"});
            QCOMPARE(aside.size(), 1);
            QVERIFY(aside.first().endsWith(".sqlite-wal"));
            QCOMPARE(readAll(m_dir->filePath(aside.first() + "/notes")), QByteArray("notes"));
            QVERIFY(told.first().contains(aside.first()));
        }
        for (const auto &[name, state] :
             {std::pair {"meanwhile.sqlite", underWay()}, std::pair {"later.sqlite", later}}) {
            BoutJournal journal(m_dir->filePath(name));
            const BoutJournal::Opening opening = journal.open();
            QVERIFY2(opening.problem.isEmpty(), qPrintable(opening.problem));
            QCOMPARE(opening.ending, BoutJournal::Ending::Abnormal);
            QCOMPARE(opening.state, state);
        }
    }

    // A program killed, and the header of the log that holds its bout since the journal was last
    // closed then damaged (a write torn, a block lost, the file cut short): SQLite would read the
    // journal as it was before, or as never written to, and write over the log. Both are kept
    // aside, and said so; the bout goes on from the journal alone where it holds one.
    void damagedLogHeader_data()
    {
        QTest::addColumn<bool>("closedBefore");
        QTest::addColumn<int>("at");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("cutTo");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("intact") << false << 0 << QByteArray() << -1 << false;
        QTest::newRow("zeroed") << false << 0 << QByteArray(32, '\0') << -1 << true;
        QTest::newRow("zeroed, an earlier bout closed")
                << true << 0 << QByteArray(32, '\0') << -1 << true;
        QTest::newRow("magic number") << false << 3 << QByteArray(1, '\x84') << -1 << true;
        QTest::newRow("version") << false << 7 << QByteArray(1, '\x19') << -1 << true;
        QTest::newRow("salt") << false << 19 << QByteArray(1, '\x01') << -1 << true;
        QTest::newRow("first checksum") << true << 24 << QByteArray(1, '\x01') << -1 << true;
        QTest::newRow("second checksum") << false << 31 << QByteArray(1, '\x01') << -1 << true;
        QTest::newRow("cut within the header") << true << 0 << QByteArray() << 10 << true;
        QTest::newRow("zeroed header alone") << false << 0 << QByteArray(32, '\0') << 32 << true;
        // The header whole and nothing after it: no change to lose.
        QTest::newRow("header alone") << true << 0 << QByteArray() << 32 << false;
    }
    void damagedLogHeader()
    {
        QFETCH(bool, closedBefore);
        QFETCH(int, at);
        QFETCH(QByteArray, bytes);
        QFETCH(int, cutTo);
        QFETCH(bool, damaged);
        const QString path = journalPath();
        BoutState earlier = underWay();
        earlier.numbers[BoutState::HomeScore] = 7;
        if (closedBefore) {
            BoutJournal journal(path);
            journal.open();
            journal.close(earlier);
        }
        const QString copy = killedUnderWay();
        QVERIFY(!copy.isEmpty());
        QFile log(copy + "-wal");
        QVERIFY(log.size() > 32);
        QVERIFY(log.open(QIODevice::ReadWrite) && log.seek(at) && log.write(bytes) == bytes.size());
        if (cutTo >= 0)
            QVERIFY(log.resize(cutTo));
        log.close();
        const QByteArray contents = readAll(copy), logContents = readAll(copy + "-wal");

        if (damaged) {
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^The header of the bout "
                                                    "journal's log .* is damaged\\.$"));
            if (!closedBefore)
                QTest::ignoreMessage(QtWarningMsg,
                                     QRegularExpression("could not be used: the header of its log "
                                                        "is damaged\\.$"));
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^The bout journal was kept as "));
        }
        BoutJournal journal(copy);
        const BoutJournal::Opening opening = journal.open();
        const QStringList aside = QDir(m_dir->path()).entryList({"killed.unusable-*"});
        if (!damaged) {
            QVERIFY2(opening.problem.isEmpty(), qPrintable(opening.problem));
            QCOMPARE(opening.state, cutTo < 0 ? underWay() : earlier);
            QCOMPARE(aside, QStringList());
            return;
        }
        QCOMPARE(aside.filter(QRegularExpression("(sqlite|wal)$")).size(), 2);
        // The file alone: the bout closed before, or none.
        if (closedBefore) {
            QCOMPARE(opening.state, earlier);
            QCOMPARE(opening.ending, BoutJournal::Ending::Closed);
            QCOMPARE(opening.problem,
                     "The bout's latest changes could not be read; the journal was kept "
                     "aside as "
                             + aside[0] + ".");
        } else {
            QCOMPARE(opening.state, BoutState());
            QCOMPARE(opening.problem,
                     "The bout could not be read; it was kept aside as " + aside[0]
                             + ". A new bout has started.");
        }
        // Both as they were, the log's changes for a program that can mend it; the bout goes on
        // in a journal of its own.
        QCOMPARE(readAll(m_dir->filePath(aside[0])), contents);
        QCOMPARE(readAll(m_dir->filePath(aside[0] + "-wal")), logContents);
        journal.record(earlier);
        QVERIFY(journal.flush(10000));
        QCOMPARE(readAll(m_dir->filePath(aside[0] + "-wal")), logContents);
        QVERIFY(readAll(copy + "-wal").size() > 32);
    }

    // A journal whose own start is damaged while its log holds the whole bout: the bout comes
    // back whole, both files are kept as they were, and the bout goes on in a journal of its own.
    void damagedFileBesideItsLog()
    {
        const QString copy = killedUnderWay();
        QVERIFY(!copy.isEmpty());
        QFile file(copy);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.write("not a journal at all") == 20);
        file.close();
        const QByteArray contents = readAll(copy), logContents = readAll(copy + "-wal");
        QVERIFY(logContents.size() > 32);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^The bout journal was kept as "));
        BoutJournal journal(copy);
        QSignalSpy replaced(&journal, &BoutJournal::replacedFileKeptAside);
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.state, underWay());
        const QStringList aside = QDir(m_dir->path()).entryList({"killed.unusable-*"});
        QCOMPARE(aside.filter(QRegularExpression("(sqlite|wal)$")).size(), 2);
        QCOMPARE(opening.problem,
                 "The bout's journal was damaged; the bout was read whole from its log, and the "
                 "journal was kept aside as "
                         + aside[0] + ".");
        QCOMPARE(readAll(m_dir->filePath(aside[0])), contents);
        QCOMPARE(readAll(m_dir->filePath(aside[0] + "-wal")), logContents);
        // Saved from then on, with nothing more said.
        BoutState later = underWay();
        later.numbers[BoutState::VisitorScore] = 9;
        journal.record(later);
        QVERIFY(journal.flush(10000));
        QCOMPARE(replaced.size(), 0);
        journal.close(later);
        BoutJournal again(copy);
        QCOMPARE(again.open().state, later);
    }

    // A journal file made but never written to, as a run killed at once leaves it, holds no
    // bout and is no alarm: the new bout is saved in it.
    void journalNeverWrittenTo()
    {
        QFile made(journalPath());
        QVERIFY(made.open(QIODevice::WriteOnly));
        made.close();
        BoutJournal journal(journalPath());
        const BoutJournal::Opening opening = journal.open();
        QVERIFY2(opening.problem.isEmpty(), qPrintable(opening.problem));
        QCOMPARE(opening.ending, BoutJournal::Ending::None);
        QCOMPARE(QDir(m_dir->path()).entryList({"*unusable*"}), QStringList());
        journal.close(underWay());
        QCOMPARE(BoutJournal(journalPath()).open().state, underWay());
    }

    // A log damaged at its start in a folder that is read-only as the board starts: the file
    // alone is resumed and nothing is written over either, until the folder can be written;
    // then both go aside and the bout is saved from then on.
    void damagedLogInAReadOnlyFolder()
    {
        if (!ownMounts())
            QSKIP("a read-only folder takes root (a mount of this process's own)");
        const QString folder = m_dir->filePath("stick");
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + "/bout-journal.sqlite";
        BoutState earlier = underWay(), later = underWay();
        earlier.numbers[BoutState::HomeScore] = 7;
        later.numbers[BoutState::VisitorScore] = 11;
        {
            BoutJournal journal(path);
            journal.open();
            journal.close(earlier);
        }
        {
            BoutJournal journal(journalPath());
            journal.open();
            journal.record(underWay());
            QVERIFY(journal.flush(10000));
            QFile::remove(path + "-wal");
            QVERIFY(QFile::copy(journalPath() + "-wal", path + "-wal"));
        }
        QFile log(path + "-wal");
        QVERIFY(log.open(QIODevice::ReadWrite) && log.write(QByteArray(32, '\0')) == 32);
        log.close();
        const QByteArray contents = readAll(path), logContents = readAll(path + "-wal");
        QVERIFY(bindMount(folder, folder, true));
        auto mounted = qScopeGuard([&] { umount(QFile::encodeName(folder)); });

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("log .* is damaged\\.$"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("cannot be written: .* read-only"));
        BoutJournal journal(path);
        QSignalSpy recovered(&journal, &BoutJournal::writeRecovered);
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.state, earlier);
        QCOMPARE(opening.problem,
                 "The bout's latest changes could not be read, and the journal could not be "
                 "kept aside: the bout is not being saved; still trying.");
        journal.record(later);
        QVERIFY(!journal.flush(2500));
        QCOMPARE(QDir(folder).entryList(QDir::Files),
                 QStringList({"bout-journal.sqlite", "bout-journal.sqlite-wal"}));
        QCOMPARE(readAll(path), contents);
        QCOMPARE(readAll(path + "-wal"), logContents);

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^The bout journal was kept as "));
        QCOMPARE(umount(QFile::encodeName(folder)), 0);
        mounted.dismiss();
        QTRY_COMPARE_WITH_TIMEOUT(recovered.size(), 1, 5000);
        const QStringList aside = QDir(folder).entryList({"bout-journal.unusable-*"});
        QCOMPARE(aside.filter(QRegularExpression("(sqlite|wal)$")).size(), 2);
        QCOMPARE(readAll(folder + "/" + aside[0]), contents);
        QCOMPARE(readAll(folder + "/" + aside[0] + "-wal"), logContents);
        journal.close(later);
        QCOMPARE(BoutJournal(path).open().state, later);
    }

    // The log's index emptied while the board runs, by a clean-up program say: the board runs on,
    // and the changes before and after it are kept.
    void indexEmptiedWhileRunning()
    {
        const QString path = journalPath();
        BoutState later = underWay();
        ++later.numbers[BoutState::HomeScore];
        {
            BoutJournal journal(path);
            journal.open();
            journal.record(underWay());
            QVERIFY(journal.flush(10000));
            QVERIFY(QFileInfo(path + "-shm").size() > 0);
            QVERIFY(QFile(path + "-shm").resize(0));
            journal.record(later);
            QVERIFY(journal.flush(10000));
            QVERIFY(QFile(path + "-shm").resize(0));
            QTest::qWait(2 * JournalWriter::RetryMs);
        }
        BoutJournal journal(path);
        const BoutJournal::Opening opening = journal.open();
        QVERIFY2(opening.problem.isEmpty(), qPrintable(opening.problem));
        QCOMPARE(opening.state, later);
    }

    void badJournals_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("taken"); // names kept aside before, in the same second
        QTest::newRow("not a database") << QString() << 0;
        QTest::newRow("cut short") << "cut" << 0;
        QTest::newRow("newer version") << "PRAGMA user_version=2" << 0;
        QTest::newRow("out of range")
                << "UPDATE bout SET state = replace(state, '[87,', '[1000,')" << 0;
        QTest::newRow("a clock beyond a day")
                << "UPDATE bout SET state = replace(state, '12345678', '864000001')" << 0;
        QTest::newRow("taken in a far future") // 5 * 10^18 ms, beyond what a clock can reach
                << "UPDATE bout SET state = replace(state, '\"takenAtMs\":', "
                   "'\"takenAtMs\":500000')"
                << 0;
        QTest::newRow("a folder in its place") << "folder" << 0;
        QTest::newRow("a device in its place") << "/dev/full" << 0;
        QTest::newRow("one name of the second taken") << QString() << 1;
        QTest::newRow("two names of the second taken") << QString() << 2;
    }
    void badJournals()
    {
        QFETCH(QString, edit);
        QFETCH(int, taken);
        // Taken for this second and the next few, whichever the journal opens in.
        QStringList before;
        const QDateTime now = QDateTime::currentDateTime();
        for (int second = 0; second < 5; ++second) {
            const QString stamp = now.addSecs(second).toString("yyyyMMdd-HHmmss");
            for (int n = 1; n <= taken; ++n) {
                before << QString("bout-journal.unusable-%1%2.sqlite")
                                  .arg(stamp, n > 1 ? QString("-%1").arg(n) : QString());
                QVERIFY(writeFile(m_dir->filePath(before.constLast()), "kept before"));
            }
        }
        QByteArray contents = Damaged;
        const bool file = !edit.contains("/") && edit != "folder";
        if (edit == "folder") {
            QVERIFY(QDir(m_dir->path()).mkdir("bout-journal.sqlite"));
            contents = QByteArray();
        } else if (!file) {
            QVERIFY(QFile::link(edit, journalPath()));
            contents = QByteArray();
        } else if (!edit.isEmpty()) {
            writeEdited(journalPath(), edit.contains(' ') ? edit : QString());
            contents = readAll(journalPath());
            if (edit == "cut")
                contents.truncate(contents.size() - 4096 + 100);
        }
        if (file)
            QVERIFY(writeFile(journalPath(), contents));

        const QString suffix = taken ? QString("-%1").arg(taken + 1) : QString();
        // Also told where a terminal or the system log shows it, naming where it was kept.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^The bout journal was kept as .*/bout-journal\\."
                                                "unusable-\\d{8}-\\d{6}"
                                                + suffix + "\\.sqlite\\.$"));
        BoutJournal journal(journalPath());
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.ending, BoutJournal::Ending::None);
        QCOMPARE(opening.state, BoutState());
        QStringList aside = QDir(m_dir->path()).entryList({"bout-journal.unusable-*"});
        for (const QString &made : std::as_const(before)) {
            QVERIFY(aside.removeOne(made));
            QCOMPARE(readAll(m_dir->filePath(made)), QByteArray("kept before"));
        }
        QCOMPARE(aside.size(), 1);
        QVERIFY2(
                QRegularExpression("^bout-journal\\.unusable-\\d{8}-\\d{6}" + suffix + "\\.sqlite$")
                        .match(aside.first())
                        .hasMatch(),
                qPrintable(aside.first()));
        QCOMPARE(opening.problem,
                 (file ? "The bout could not be read" : "bout-journal.sqlite was not a file")
                         + QString("; it was kept aside as %1. A new bout has started.")
                                   .arg(aside.first()));
        if (!contents.isNull())
            QCOMPARE(readAll(m_dir->filePath(aside.first())), contents);
        journal.record(underWay());
        QVERIFY(journal.flush(10000));
        QVERIFY(QFileInfo(journalPath()).isFile());
        QVERIFY(QFileInfo(journalPath()).size() > 0);
    }

    // A journal in a folder, or a file, that cannot be written: the bout is resumed as it was,
    // and the operator told that it is not being saved; the file stays as it is until it can be
    // written again.
    void readOnly_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<bool>("inLog"); // its last changes still in its log, as after a crash
        QTest::addColumn<bool>("index"); // the log's index beside it
        QTest::newRow("folder") << true << false << false;
        QTest::newRow("folder, last changes in the log") << true << true << true;
        // The index cleared by a clean-up program: a reader cannot make it in the folder.
        QTest::newRow("folder, last changes in a log without its index") << true << true << false;
        QTest::newRow("file") << false << false << false;
    }
    void readOnly()
    {
        QFETCH(bool, folder);
        QFETCH(bool, inLog);
        QFETCH(bool, index);
        if (!ownMounts())
            QSKIP("a read-only folder takes root (a mount of this process's own)");
        BoutState state = underWay();
        if (inLog) {
            QTemporaryDir live;
            BoutJournal journal(live.filePath("bout-journal.sqlite"));
            journal.open();
            journal.record(state);
            QVERIFY(journal.flush(10000));
            for (const char *companion : {"", "-wal", "-shm"}) {
                if (index || qstrcmp(companion, "-shm") != 0)
                    QVERIFY(QFile::copy(journal.path() + companion, journalPath() + companion));
            }
            QVERIFY(readAll(journalPath() + "-wal").size() > 0);
        } else {
            BoutJournal journal(journalPath());
            journal.open();
            journal.close(state);
        }
        const QByteArray contents = readAll(journalPath());
        const QString readOnly = folder ? m_dir->path() : journalPath();
        QVERIFY(bindMount(readOnly, readOnly, true));
        BoutJournal journal(journalPath());
        // Also told where a terminal or the system log shows it, naming what is read-only.
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable("The bout journal cannot be written: "
                                        + QDir::toNativeSeparators(readOnly) + " is read-only."));
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.ending,
                 inLog ? BoutJournal::Ending::Abnormal : BoutJournal::Ending::Closed);
        QCOMPARE(opening.state, state);
        QCOMPARE(opening.problem,
                 QString("The bout is not being saved: its %1 is read-only.")
                         .arg(folder ? "folder" : "file"));
        QSignalSpy failed(&journal, &BoutJournal::writeFailed);
        QSignalSpy recovered(&journal, &BoutJournal::writeRecovered);
        state.numbers[BoutState::HomeScore] = 88;
        journal.record(state);
        QVERIFY(!journal.flush(10000));
        QCOMPARE(readAll(journalPath()), contents);
        // Tried again all the while: once it can be written the bout is saved, and that is told;
        // the failure was told at the opening, and is not told again.
        QCOMPARE(umount(QFile::encodeName(readOnly)), 0);
        QTRY_COMPARE(recovered.size(), 1);
        QCOMPARE(failed.size(), 0);
        journal.close(state);
        QCOMPARE(BoutJournal(journalPath()).open().state, state);
    }

    // A folder made read-only after a crash, its journal, log and index left writable: the bout
    // is resumed and saved in place, and nothing says otherwise.
    void readOnlyFolderAroundWritableFiles()
    {
        if (!ownMounts())
            QSKIP("a read-only folder takes root (a mount of this process's own)");
        BoutState state = underWay();
        // The files stand in the folder, and are written where they are kept, on a mount that
        // can be written.
        QTemporaryDir kept;
        {
            BoutJournal journal(kept.filePath("bout-journal.sqlite"));
            journal.open();
            journal.record(state);
            QVERIFY(journal.flush(10000));
            for (const char *companion : {"", "-wal", "-shm"})
                QVERIFY(QFile::copy(journal.path() + companion, journalPath() + companion));
        }
        const QString keptPath = kept.filePath("killed.sqlite");
        for (const char *companion : {"", "-wal", "-shm"})
            QVERIFY(QFile::copy(journalPath() + companion, keptPath + companion));
        QVERIFY(bindMount(m_dir->path(), m_dir->path(), true));
        for (const char *companion : {"", "-wal", "-shm"})
            QVERIFY(bindMount(keptPath + companion, journalPath() + companion, false));
        {
            BoutJournal journal(journalPath());
            QSignalSpy failed(&journal, &BoutJournal::writeFailed);
            QSignalSpy recovered(&journal, &BoutJournal::writeRecovered);
            const BoutJournal::Opening opening = journal.open();
            QCOMPARE(opening.state, state);
            QCOMPARE(opening.problem, QString());
            state.numbers[BoutState::HomeScore] = 88;
            journal.record(state);
            QVERIFY(journal.flush(10000));
            QCOMPARE(failed.size() + recovered.size(), 0);
        }
        for (const char *companion : {"", "-wal", "-shm"})
            QCOMPARE(umount(QFile::encodeName(journalPath() + companion)), 0);
        QCOMPARE(umount(QFile::encodeName(m_dir->path())), 0);
        QCOMPARE(BoutJournal(keptPath).open().state, state);
    }

    // A journal another program holds locked (a database browser left open on it): the bout is
    // resumed from what was last committed, nothing is kept aside, and it is saved once the lock
    // is let go.
    void heldByAnotherProgram()
    {
        BoutState state = underWay();
        {
            BoutJournal journal(journalPath());
            journal.open();
            journal.record(state);
            QVERIFY(journal.flush(10000));
            state.numbers[BoutState::HomeScore] = 21;
            journal.record(state);
            QVERIFY(journal.flush(10000));
        }
        {
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "browser");
            database.setDatabaseName(journalPath());
            QVERIFY(database.open());
            QSqlQuery query(database);
            for (const char *statement :
                 {"PRAGMA locking_mode=EXCLUSIVE", "BEGIN EXCLUSIVE", "SELECT count(*) FROM bout"})
                QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
        }
        const auto releaseLock = qScopeGuard([] {
            QSqlDatabase::database("browser", false).close();
            QSqlDatabase::removeDatabase("browser");
        });

        // With no room for a copy either (a full disk), it is still no damaged bout.
        signal(SIGXFSZ, SIG_IGN);
        setFileSizeLimit(0);
        {
            BoutJournal journal(journalPath());
            const BoutJournal::Opening opening = journal.open();
            QCOMPARE(opening.problem, QString());
            QCOMPARE(opening.state, state);
        }
        setFileSizeLimit(RLIM_INFINITY);
        QCOMPARE(QDir(m_dir->path()).entryList({"*unusable*"}), QStringList());

        BoutJournal journal(journalPath());
        QSignalSpy failed(&journal, &BoutJournal::writeFailed);
        QSignalSpy recovered(&journal, &BoutJournal::writeRecovered);
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.problem, QString());
        QCOMPARE(opening.ending, BoutJournal::Ending::Abnormal);
        QCOMPARE(opening.state, state);
        QCOMPARE(QDir(m_dir->path()).entryList({"*unusable*"}), QStringList());

        state.numbers[BoutState::VisitorScore] = 9;
        journal.record(state);
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 20000);
        QVERIFY(failed.first().first().toString().contains("locked"));
        QSqlDatabase::database("browser", false).close();
        QTRY_COMPARE_WITH_TIMEOUT(recovered.size(), 1, 20000);
        journal.close(state);
        QCOMPARE(BoutJournal(journalPath()).open().state, state);
    }

    // A journal that cannot be used whose last changes are still in its log beside it: looking
    // at it changes neither, and the two are kept aside together, or else both stay put.
    void journalWithItsLog_data()
    {
        QTest::addColumn<bool>("logHeld");
        QTest::newRow("moved aside") << false;
        QTest::newRow("log held in place") << true;
    }
    void journalWithItsLog()
    {
        QFETCH(bool, logHeld);
        if (logHeld && !ownMounts())
            QSKIP("holding the log in place takes root (a mount of this process's own)");
        {
            // Files copied while a newer Corvanta has them open: the log holds its bout.
            QTemporaryDir newer;
            const QString path = newer.filePath("bout-journal.sqlite");
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "newer");
            database.setDatabaseName(path);
            QVERIFY(database.open());
            QSqlQuery query(database);
            for (const char *statement :
                 {"PRAGMA journal_mode=WAL", "CREATE TABLE bout (id, state)",
                  "PRAGMA user_version=2", "INSERT INTO bout VALUES (1, 'a newer bout')"})
                QVERIFY(query.exec(statement));
            for (const char *companion : {"", "-wal"})
                QVERIFY(QFile::copy(path + companion, journalPath() + companion));
            query = QSqlQuery();
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase("newer");
        }
        const QString log = journalPath() + "-wal";
        const QByteArray contents = readAll(journalPath()), logContents = readAll(log);
        QVERIFY(logContents.size() > 0);
        // A mount point cannot be renamed.
        if (logHeld)
            QVERIFY(bindMount(log, log, false));
        BoutJournal journal(journalPath());
        // The log names the file and what became of it.
        if (logHeld) {
            QTest::ignoreMessage(
                    QtWarningMsg,
                    qPrintable("The bout journal " + journalPath() + " could not be moved aside."));
        } else {
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^The bout journal was kept as "
                                                    + QRegularExpression::escape(m_dir->path())
                                                    + "/bout-journal.unusable-[^/]+[.]sqlite[.]$"));
        }
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.state, BoutState());
        QStringList aside = QDir(m_dir->path()).entryList({"bout-journal.unusable-*"});
        if (logHeld) {
            QCOMPARE(opening.problem,
                     "The bout could not be read, nor kept aside: it is not being saved; still "
                     "trying.");
            QSignalSpy recovered(&journal, &BoutJournal::writeRecovered);
            journal.record(underWay());
            QVERIFY(!journal.flush(2500));
            QCOMPARE(aside, QStringList());
            QCOMPARE(readAll(journalPath()), contents);
            QCOMPARE(readAll(log), logContents);
            // Once the two can be moved, they are, and the bout is saved from then on.
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression("^The bout journal was kept as .*unusable"));
            QCOMPARE(umount(QFile::encodeName(log)), 0);
            QTRY_COMPARE_WITH_TIMEOUT(recovered.size(), 1, 5000);
            aside = QDir(m_dir->path()).entryList({"bout-journal.unusable-*"});
            QCOMPARE(aside.filter(QRegularExpression("(sqlite|wal)$")).size(), 2);
            QCOMPARE(readAll(m_dir->filePath(aside[0])), contents);
            QCOMPARE(readAll(m_dir->filePath(aside[0] + "-wal")), logContents);
            journal.close(underWay());
            QCOMPARE(BoutJournal(journalPath()).open().state, underWay());
        } else {
            // Beside them perhaps the log's index, which is rebuilt from the log.
            QCOMPARE(aside.filter(QRegularExpression("(sqlite|wal)$")).size(), 2);
            QCOMPARE(readAll(m_dir->filePath(aside[0])), contents);
            QCOMPARE(readAll(m_dir->filePath(aside[0] + "-wal")), logContents);
        }
    }

    // A journal from a newer Corvanta whose name leaves no room for the set-aside name: left
    // exactly as it is, the new bout not written over it.
    void journalThatCannotBeMovedAside()
    {
        const QString path = m_dir->filePath(QString(230, 'j') + ".sqlite");
        writeEdited(path, "PRAGMA user_version=2");
        const QByteArray contents = readAll(path);
        BoutJournal journal(path);
        QVERIFY(journal.open().problem.contains("not being saved"));
        journal.record(BoutState());
        QVERIFY(!journal.flush(10000));
        QCOMPARE(readAll(path), contents);
    }

    // Whoever hears of a failure or a recovery may hand the writer a state at once, in the
    // writer's own thread.
    void writerToldWithoutHoldingOn()
    {
        signal(SIGXFSZ, SIG_IGN);
        setFileSizeLimit(0);
        JournalWriter writer(journalPath(), BoutJournal::SchemaVersion);
        BoutState state = underWay();
        std::atomic<int> told = 0;
        const auto postAgain = [&] {
            state.numbers[BoutState::HomeScore] = told + 1;
            writer.post(state, false);
            ++told;
        };
        connect(&writer, &JournalWriter::failedOnce, &writer, postAgain, Qt::DirectConnection);
        connect(&writer, &JournalWriter::recovered, &writer, postAgain, Qt::DirectConnection);
        writer.start();
        writer.post(state, false);
        QVERIFY(!writer.waitUntilSettled(10000));
        setFileSizeLimit(RLIM_INFINITY);
        QTRY_COMPARE_WITH_TIMEOUT(told.load(), 2, 10000);
        QVERIFY(writer.waitUntilSettled(10000));
        writer.post(state, true);
        writer.finish();
        BoutJournal journal(journalPath());
        QCOMPARE(journal.open().state, state);
    }

    // A full disk at the start and again mid-bout: told once an outage however many changes
    // follow, the board's latest state written as soon as there is room again.
    void fullDisk()
    {
        signal(SIGXFSZ, SIG_IGN);
        setFileSizeLimit(0);
        BoutJournal journal(journalPath());
        QSignalSpy failed(&journal, &BoutJournal::writeFailed);
        QSignalSpy recovered(&journal, &BoutJournal::writeRecovered);
        QCOMPARE(journal.open().ending, BoutJournal::Ending::None);
        BoutState state = underWay();
        journal.record(state);
        journal.record(state);
        QVERIFY(failed.wait(10000));
        setFileSizeLimit(RLIM_INFINITY);
        QVERIFY(recovered.wait(10000));
        QVERIFY(journal.flush(10000));
        setFileSizeLimit(0);
        for (int score = 1; score <= 5; ++score) {
            state.numbers[BoutState::VisitorScore] = score;
            journal.record(state);
            QVERIFY(!journal.flush(10000));
        }
        setFileSizeLimit(RLIM_INFINITY);
        QVERIFY(recovered.wait(10000));
        QCOMPARE(failed.size(), 2);
        QVERIFY(failed.last().first().toString().contains(journalPath()));
        // A file grown to its limit is no full disk.
        QCOMPARE(failed.last().at(1).toBool(), false);
        QVERIFY(journal.flush(10000));
        journal.close(state);
        BoutJournal reopened(journalPath());
        QCOMPARE(reopened.open().state, state);
    }

    // A disk with no room left is named as full, and the bout is saved once there is room again.
    void diskWithNoRoomLeft()
    {
        if (!ownMounts())
            QSKIP("a small disk of its own takes root (a mount of this process's own)");
        const QString folder = m_dir->filePath("small");
        QVERIFY(QDir().mkdir(folder));
        QCOMPARE(mount("tmpfs", QFile::encodeName(folder), "tmpfs", 0, "size=256k"), 0);
        auto mounted = qScopeGuard([&] { umount(QFile::encodeName(folder)); });
        // The disk taken whole by another file.
        QFile filler(QDir(folder).filePath("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) { }
        filler.close();
        const QString path = QDir(folder).filePath("bout-journal.sqlite");
        BoutJournal journal(path);
        QSignalSpy failed(&journal, &BoutJournal::writeFailed);
        QSignalSpy recovered(&journal, &BoutJournal::writeRecovered);
        QCOMPARE(journal.open().problem, QString());
        BoutState state = underWay();
        journal.record(state);
        QVERIFY(failed.wait(10000));
        QCOMPARE(failed.first().at(1).toBool(), true);
        QVERIFY(filler.remove());
        QVERIFY(recovered.wait(10000));
        QVERIFY(journal.flush(10000));
        journal.close(state);
        BoutJournal reopened(path);
        QCOMPARE(reopened.open().state, state);
    }

    // A disk full at the start keeps a bout that is whole: read from the file alone where no log
    // holds changes, and otherwise left as it is, nothing written over it.
    void fullDiskAtStart()
    {
        signal(SIGXFSZ, SIG_IGN);
        BoutState state = underWay();
        {
            BoutJournal journal(journalPath());
            journal.open();
            journal.close(state);
        }
        QCOMPARE(QFileInfo(journalPath() + "-wal").size(), 0);
        setFileSizeLimit(0);
        {
            BoutJournal journal(journalPath());
            QSignalSpy failed(&journal, &BoutJournal::writeFailed);
            const BoutJournal::Opening opening = journal.open();
            QCOMPARE(opening.state, state);
            QCOMPARE(opening.ending, BoutJournal::Ending::Closed);
            QCOMPARE(opening.problem, QString());
            journal.record(state);
            QVERIFY(failed.wait(10000));
        }
        setFileSizeLimit(RLIM_INFINITY);

        // Killed with its last change in the log.
        QTemporaryDir killed;
        const QString copy = killed.filePath("bout-journal.sqlite");
        {
            BoutJournal journal(journalPath());
            QCOMPARE(journal.open().state, state);
            state.numbers[BoutState::HomeScore] = 77;
            journal.record(state);
            QVERIFY(journal.flush(10000));
            QVERIFY(QFileInfo(journalPath() + "-wal").size() > 0);
            for (const char *companion : {"", "-wal"})
                QVERIFY(QFile::copy(journalPath() + companion, copy + companion));
        }
        for (const char *companion : {"", "-wal", "-shm"})
            QFile::remove(journalPath() + companion);
        for (const char *companion : {"", "-wal"})
            QVERIFY(QFile::copy(copy + companion, journalPath() + companion));
        const QByteArray contents = readAll(journalPath());
        const QByteArray logContents = readAll(journalPath() + "-wal");
        // Held by another program as well, it cannot be read from a copy either.
        for (const bool held : {false, true}) {
            QSqlDatabase browser = QSqlDatabase::addDatabase("QSQLITE", "browser");
            if (held) {
                browser.setDatabaseName(journalPath());
                QVERIFY(browser.open());
                QSqlQuery query(browser);
                for (const char *statement : {"PRAGMA locking_mode=EXCLUSIVE", "BEGIN EXCLUSIVE",
                                              "SELECT count(*) FROM bout"})
                    QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
            }
            setFileSizeLimit(0);
            {
                BoutJournal journal(journalPath());
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("for a disk error"));
                const BoutJournal::Opening opening = journal.open();
                QCOMPARE(opening.state, BoutState());
                QVERIFY(opening.problem.contains("the disk is full"));
                journal.record(underWay());
                QVERIFY(!journal.flush(1000));
            }
            setFileSizeLimit(RLIM_INFINITY);
            QCOMPARE(readAll(journalPath()), contents);
            QCOMPARE(readAll(journalPath() + "-wal"), logContents);
            QCOMPARE(QDir(m_dir->path()).entryList({"bout-journal.unusable-*"}), QStringList());
            // Let go, the other program writes the log into the journal as it closes.
            browser.close();
            browser = QSqlDatabase();
            QSqlDatabase::removeDatabase("browser");
        }
        {
            BoutJournal roomy(journalPath());
            QCOMPARE(roomy.open().state, state);
            roomy.close(state);
        }

        // One cut short is damaged, disk full or not: it goes aside.
        const QByteArray whole = readAll(journalPath());
        for (const char *companion : {"", "-wal", "-shm"})
            QFile::remove(journalPath() + companion);
        QVERIFY(writeFile(journalPath(), whole.left(whole.size() - 100)));
        setFileSizeLimit(0);
        {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be used"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("kept as"));
            BoutJournal journal(journalPath());
            QVERIFY(journal.open().problem.contains("kept aside"));
        }
        setFileSizeLimit(RLIM_INFINITY);
    }
};

QTEST_GUILESS_MAIN(TestBoutJournal)
#include "tst_boutjournal.moc"
