#include "boutjournal.h"
#include "wallclock.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 Second = BoutState::TicksPerSecond;
// 20:14:03 on a December evening, in milliseconds since the epoch.
constexpr qint64 Evening = 1796674443000;

BoutState underWay()
{
    BoutState state;
    state.numbers = {87, 102, 2};
    state.clocks[BoutState::Period] = {1234 * Second + 5678, true};
    state.clocks[BoutState::Jam] = {77 * Second, true};
    state.clocks[BoutState::HomePenalty2] = {25 * Second, true};
    state.penaltyBlank[1] = false;
    state.jamResetTicks = 90 * Second;
    state.takenAtMs = Evening;
    return state;
}

// The files in the journal's folder other than the journal itself.
QStringList keptAside(const QTemporaryDir &dir)
{
    QStringList names = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    names.removeAll("bout-journal.sqlite");
    names.removeAll("bout-journal.sqlite-wal");
    names.removeAll("bout-journal.sqlite-shm");
    return names;
}

void setFileSizeLimit(rlim_t bytes)
{
    const rlimit limit {bytes, RLIM_INFINITY};
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
}

} // namespace

class TestBoutJournal : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString journalPath() const { return m_dir.filePath("bout-journal.sqlite"); }

    void write(const BoutState &state, bool close)
    {
        BoutJournal journal(journalPath());
        journal.open();
        journal.record(state);
        QVERIFY(journal.flush(10000));
        if (close)
            journal.close(state);
    }

    // Opens a journal that cannot be used: the bout starts afresh, the file is kept aside with
    // its contents, and the message names both places.
    void expectSetAside(const QByteArray &contents)
    {
        BoutJournal journal(journalPath());
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.ending, BoutJournal::Ending::None);
        QCOMPARE(opening.state, BoutState());
        const QStringList aside = keptAside(m_dir);
        QCOMPARE(aside.size(), 1);
        QVERIFY2(aside.first().startsWith("bout-journal.unusable-"), qPrintable(aside.first()));
        QVERIFY(opening.problem.contains(journalPath()));
        QVERIFY2(opening.problem.contains(m_dir.filePath(aside.first())),
                 qPrintable(opening.problem));
        QFile kept(m_dir.filePath(aside.first()));
        if (!contents.isNull() && kept.open(QIODevice::ReadOnly))
            QCOMPARE(kept.readAll(), contents);
        // The fresh journal works.
        journal.record(underWay());
        QVERIFY(journal.flush(10000));
    }

private slots:
    void init()
    {
        QDir dir(m_dir.path());
        for (const QString &name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            QVERIFY(QFileInfo(dir.filePath(name)).isDir()
                            ? QDir(dir.filePath(name)).removeRecursively()
                            : dir.remove(name));
    }

    void firstRunHasNothingToResume()
    {
        BoutJournal journal(journalPath());
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.ending, BoutJournal::Ending::None);
        QVERIFY(opening.problem.isEmpty());
        QVERIFY(!opening.state.isUnderWay());
    }

    void keepsTheLatestStateAndHowTheRunEnded()
    {
        BoutState state = underWay();
        write(state, false);
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
        }
        BoutJournal journal(journalPath());
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.ending, BoutJournal::Ending::Closed);
        QCOMPARE(opening.state, state);
    }

    void whenABoutIsUnderWay_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("fresh") << 0;
        QTest::newRow("a score") << 1;
        QTest::newRow("a penalty") << 2;
        QTest::newRow("jam clock moved") << 3;
        QTest::newRow("a clock running") << 4;
        QTest::newRow("typed reset value only") << 5;
    }
    void whenABoutIsUnderWay()
    {
        QFETCH(int, change);
        BoutState state;
        switch (change) {
        case 1:
            state.numbers[BoutState::VisitorScore] = 4;
            break;
        case 2:
            state.penaltyBlank[3] = false;
            break;
        case 3:
            state.clocks[BoutState::Jam].ticks -= 1;
            break;
        case 4:
            state.clocks[BoutState::HomePenalty1].running = true;
            break;
        case 5:
            state.jamResetTicks = 60 * Second;
            state.clocks[BoutState::Jam].ticks = 60 * Second;
            break;
        }
        QCOMPARE(state.isUnderWay(), change != 0 && change != 5);
    }

    // How running clocks come back, against what the board would have done meanwhile.
    void resumedAt_data()
    {
        QTest::addColumn<qint64>("awayMs");
        QTest::addColumn<bool>("joinJamPenalty");
        QTest::addColumn<bool>("delayPeriodEndSound");
        // Expected: period, jam, home penalty 2 ticks; which run; latches and held sound.
        QTest::addColumn<QList<qint64>>("ticks");
        QTest::addColumn<QList<bool>>("running");
        QTest::addColumn<QList<bool>>("latches"); // period end, jam end, held sound
        const qint64 period = 1234 * Second + 5678;
        QTest::newRow("counted on")
                << qint64(10500) << true << false << QList<qint64> {period - 105000, 665000, 145000}
                << QList<bool> {true, true, true} << QList<bool> {false, false, false};
        QTest::newRow("wall clock went back")
                << qint64(-3600000) << true << false
                << QList<qint64> {period, 77 * Second, 25 * Second}
                << QList<bool> {true, true, true} << QList<bool> {false, false, false};
        // The jam ran out at 77 s and stopped the penalty clocks with it; the period ran on.
        QTest::newRow("jam ran out")
                << qint64(100000) << true << false << QList<qint64> {period - 1000000, 0, -520000}
                << QList<bool> {true, false, false} << QList<bool> {false, true, false};
        // Penalty clocks following the period count on below zero, as on the board.
        QTest::newRow("jam ran out, penalties with the period")
                << qint64(100000) << false << false << QList<qint64> {period - 1000000, 0, -750000}
                << QList<bool> {true, false, true} << QList<bool> {false, true, false};
        // The period ran out at 1234.5678 s; the jam had ended long before.
        QTest::newRow("period ran out")
                << qint64(5000000) << true << false << QList<qint64> {0, 0, -520000}
                << QList<bool> {false, false, false} << QList<bool> {true, true, false};
    }
    void resumedAt()
    {
        QFETCH(qint64, awayMs);
        QFETCH(bool, joinJamPenalty);
        QFETCH(bool, delayPeriodEndSound);
        QFETCH(QList<qint64>, ticks);
        QFETCH(QList<bool>, running);
        QFETCH(QList<bool>, latches);
        const BoutState before = underWay();
        const BoutState after
                = before.resumedAt(Evening + awayMs, {joinJamPenalty, delayPeriodEndSound});
        const QList<int> clocks {BoutState::Period, BoutState::Jam, BoutState::HomePenalty2};
        for (int i = 0; i < clocks.size(); ++i) {
            QCOMPARE(after.clocks[clocks[i]].ticks, ticks[i]);
            QCOMPARE(after.clocks[clocks[i]].running, running[i]);
        }
        QCOMPARE(after.periodEndSignalled, latches[0]);
        QCOMPARE(after.jamEndSignalled, latches[1]);
        QCOMPARE(after.heldPeriodEndSound, latches[2]);
        QCOMPARE(after.numbers, before.numbers);
        QCOMPARE(after.takenAtMs, qMax(Evening, Evening + awayMs));
    }

    // The period runs out during a jam: the jam ends with it, or plays on with the end-of-period
    // sound held for it when the option is on.
    void periodRanOutDuringAJam()
    {
        BoutState state = underWay();
        state.clocks[BoutState::Period].ticks = 30 * Second;
        const BoutState ended = state.resumedAt(Evening + 40000, {});
        QCOMPARE(ended.clocks[BoutState::Jam], (BoutState::ClockValue {47 * Second, false}));
        QVERIFY(!ended.clocks[BoutState::HomePenalty2].running);
        QVERIFY(!ended.heldPeriodEndSound);
        const BoutState playedOn = state.resumedAt(Evening + 40000, {true, true});
        QCOMPARE(playedOn.clocks[BoutState::Period], (BoutState::ClockValue {0, false}));
        QCOMPARE(playedOn.clocks[BoutState::Jam], (BoutState::ClockValue {37 * Second, true}));
        QVERIFY(playedOn.heldPeriodEndSound);
        QVERIFY(playedOn.periodEndSignalled);
        // The jam then ran out too: the held sound is past, not played late.
        const BoutState jamOver = state.resumedAt(Evening + 90000, {true, true});
        QVERIFY(!jamOver.heldPeriodEndSound);
        QVERIFY(jamOver.jamEndSignalled);
        QCOMPARE(jamOver.clocks[BoutState::Jam].ticks, qint64(0));
    }

    void badJournals_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("not a database") << 0;
        QTest::newRow("cut short") << 1;
        QTest::newRow("newer version") << 2;
        QTest::newRow("a folder in its place") << 3;
        QTest::newRow("state out of range") << 4;
    }
    void badJournals()
    {
        QFETCH(int, kind);
        QByteArray contents;
        if (kind == 0) {
            contents = QByteArray("SQLite format 3\0", 16) + QByteArray(4000, '\x5a');
        } else if (kind == 1 || kind == 2 || kind == 4) {
            write(underWay(), true);
            QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "edit");
            database.setDatabaseName(journalPath());
            QVERIFY(database.open());
            QSqlQuery query(database);
            if (kind == 2)
                QVERIFY(query.exec("PRAGMA user_version=2"));
            if (kind == 4)
                QVERIFY(query.exec("UPDATE bout SET state = replace(state, '[87,', '[1000,')"));
            QVERIFY(query.exec("PRAGMA journal_mode=DELETE"));
            query.finish();
            database.close();
            database = QSqlDatabase();
            QSqlDatabase::removeDatabase("edit");
            QFile file(journalPath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            contents = file.readAll();
            if (kind == 1)
                contents.truncate(contents.size() - 4096 + 100);
        }
        if (kind == 3) {
            QVERIFY(QDir(m_dir.path()).mkdir("bout-journal.sqlite"));
            contents = QByteArray();
        } else {
            QFile file(journalPath());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(contents);
        }
        expectSetAside(contents);
    }

    // Run as another user where the test runs as root, whom permissions do not stop.
    void unreadableJournal()
    {
        write(underWay(), true);
        QVERIFY(QFile::setPermissions(journalPath(), QFileDevice::WriteOwner));
        if (geteuid() == 0) {
            QVERIFY(QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7777)));
            const pid_t child = fork();
            if (child == 0) {
                if (setgid(65534) != 0 || setuid(65534) != 0)
                    _exit(2);
                BoutJournal journal(journalPath());
                const BoutJournal::Opening opening = journal.open();
                journal.close(BoutState());
                _exit(opening.ending == BoutJournal::Ending::None
                                      && opening.problem.contains("permissions")
                              ? 0
                              : 1);
            }
            int status = 0;
            QCOMPARE(waitpid(child, &status, 0), child);
            QCOMPARE(WEXITSTATUS(status), 0);
            QCOMPARE(keptAside(m_dir).size(), 1);
            return;
        }
        expectSetAside(QByteArray());
    }

    // A full disk mid-bout: told once however many changes follow, the board's latest state
    // written as soon as there is room again.
    void writeFailsMidBout()
    {
        signal(SIGXFSZ, SIG_IGN);
        BoutJournal journal(journalPath());
        journal.open();
        QSignalSpy failed(&journal, &BoutJournal::writeFailed);
        QSignalSpy recovered(&journal, &BoutJournal::writeRecovered);
        BoutState state = underWay();
        journal.record(state);
        QVERIFY(journal.flush(10000));
        setFileSizeLimit(0);
        for (int score = 1; score <= 5; ++score) {
            state.numbers[BoutState::VisitorScore] = score;
            journal.record(state);
            QVERIFY(!journal.flush(10000));
        }
        setFileSizeLimit(RLIM_INFINITY);
        QVERIFY(recovered.wait(10000));
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed.first().first().toString().contains(journalPath()));
        QVERIFY(journal.flush(10000));
        journal.close(state);
        BoutJournal reopened(journalPath());
        QCOMPARE(reopened.open().state, state);
    }

    // No room to make a journal at all: the board runs on, told once.
    void fullDiskAtStart()
    {
        signal(SIGXFSZ, SIG_IGN);
        setFileSizeLimit(0);
        BoutJournal journal(journalPath());
        QSignalSpy failed(&journal, &BoutJournal::writeFailed);
        QSignalSpy recovered(&journal, &BoutJournal::writeRecovered);
        QCOMPARE(journal.open().ending, BoutJournal::Ending::None);
        journal.record(underWay());
        journal.record(underWay());
        QVERIFY(failed.wait(10000));
        setFileSizeLimit(RLIM_INFINITY);
        QVERIFY(recovered.wait(10000));
        QCOMPARE(failed.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestBoutJournal)
#include "tst_boutjournal.moc"
