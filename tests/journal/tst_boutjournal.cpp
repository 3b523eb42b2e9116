#include "boutjournal.h"
#include "teststore.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr qint64 Second = BoutState::TicksPerSecond;
// 20:14:03 on a December evening, in milliseconds since the epoch.
constexpr qint64 Evening = 1796674443000;

// The visitor score at its highest, which a journal must take back as it is.
BoutState underWay()
{
    BoutState state;
    state.numbers = {87, 999, 2};
    state.clocks[BoutState::Period] = {1234 * Second + 5678, true};
    state.clocks[BoutState::Jam] = {77 * Second, true};
    state.clocks[BoutState::HomePenalty2] = {25 * Second, true};
    state.penaltyBlank[1] = false;
    state.jamResetTicks = 90 * Second;
    state.takenAtMs = Evening;
    return state;
}

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

const QByteArray Damaged = QByteArray("SQLite format 3\0", 16) + QByteArray(4000, '\x5a');

} // namespace

class TestBoutJournal : public QObject
{
    Q_OBJECT

private:
    std::optional<QTemporaryDir> m_dir;
    QString journalPath() const { return m_dir->filePath("bout-journal.sqlite"); }

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
        }
        BoutJournal journal(journalPath());
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.ending, BoutJournal::Ending::Closed);
        QCOMPARE(opening.state, state);
    }

    void whenABoutIsUnderWay()
    {
        const auto after = [](auto change) {
            BoutState state;
            change(state);
            return state.isUnderWay();
        };
        QVERIFY(!BoutState().isUnderWay());
        QVERIFY(after([](BoutState &s) { s.numbers[BoutState::VisitorScore] = 4; }));
        QVERIFY(after([](BoutState &s) { s.penaltyBlank[3] = false; }));
        QVERIFY(after([](BoutState &s) { s.clocks[BoutState::Jam].ticks -= 1; }));
        QVERIFY(after([](BoutState &s) { s.clocks[BoutState::HomePenalty1].running = true; }));
        // A typed reset value alone is no bout.
        QVERIFY(!after([](BoutState &s) {
            s.jamResetTicks = 60 * Second;
            s.clocks[BoutState::Jam].ticks = 60 * Second;
        }));
    }

    // How running clocks come back, against what the board would have done meanwhile.
    void resumedAt_data()
    {
        QTest::addColumn<qint64>("awayMs");
        QTest::addColumn<bool>("joinJamPenalty");
        // Expected: period, jam, home penalty 2 ticks; which run; latches and held sound.
        QTest::addColumn<QList<qint64>>("ticks");
        QTest::addColumn<QList<bool>>("running");
        QTest::addColumn<QList<bool>>("latches"); // period end, jam end, held sound
        const qint64 period = 1234 * Second + 5678;
        QTest::newRow("counted on")
                << qint64(10500) << true << QList<qint64> {period - 105000, 665000, 145000}
                << QList<bool> {true, true, true} << QList<bool> {false, false, false};
        QTest::newRow("wall clock went back")
                << qint64(-3600000) << true << QList<qint64> {period, 77 * Second, 25 * Second}
                << QList<bool> {true, true, true} << QList<bool> {false, false, false};
        QTest::newRow("jam ran out just now")
                << qint64(77000) << true << QList<qint64> {period - 770000, 0, -520000}
                << QList<bool> {true, false, false} << QList<bool> {false, true, false};
        // The jam ran out at 77 s and stopped the penalty clocks with it; the period ran on.
        QTest::newRow("jam ran out")
                << qint64(100000) << true << QList<qint64> {period - 1000000, 0, -520000}
                << QList<bool> {true, false, false} << QList<bool> {false, true, false};
        // Penalty clocks following the period count on below zero, as on the board.
        QTest::newRow("jam ran out, penalties with the period")
                << qint64(100000) << false << QList<qint64> {period - 1000000, 0, -750000}
                << QList<bool> {true, false, true} << QList<bool> {false, true, false};
        QTest::newRow("period ran out")
                << qint64(5000000) << true << QList<qint64> {0, 0, -520000}
                << QList<bool> {false, false, false} << QList<bool> {true, true, false};
    }
    void resumedAt()
    {
        QFETCH(qint64, awayMs);
        QFETCH(bool, joinJamPenalty);
        QFETCH(QList<qint64>, ticks);
        QFETCH(QList<bool>, running);
        QFETCH(QList<bool>, latches);
        const BoutState before = underWay();
        const BoutState after = before.resumedAt(Evening + awayMs, {joinJamPenalty, false});
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

    // A journal that cannot be used: the bout starts afresh, the file is kept aside as it was,
    // the message names both places, and the fresh journal works.
    void badJournals_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::newRow("not a database") << QString();
        QTest::newRow("cut short") << "cut";
        QTest::newRow("newer version") << "PRAGMA user_version=2";
        QTest::newRow("out of range") << "UPDATE bout SET state = replace(state, '[87,', '[1000,')";
        QTest::newRow("a folder in its place") << "folder";
        QTest::newRow("unreadable") << "unreadable";
    }
    void badJournals()
    {
        QFETCH(QString, edit);
        QByteArray contents = Damaged;
        if (edit == "folder") {
            QVERIFY(QDir(m_dir->path()).mkdir("bout-journal.sqlite"));
            contents = QByteArray();
        } else if (!edit.isEmpty()) {
            writeEdited(journalPath(), edit.contains(' ') ? edit : QString());
            contents = readAll(journalPath());
            if (edit == "cut")
                contents.truncate(contents.size() - 4096 + 100);
        }
        if (edit == "unreadable") {
            if (geteuid() == 0)
                QSKIP("permissions do not stop root");
            QVERIFY(QFile::setPermissions(journalPath(), QFileDevice::WriteOwner));
            contents = QByteArray();
        } else if (edit != "folder") {
            QVERIFY(writeFile(journalPath(), contents));
        }

        BoutJournal journal(journalPath());
        const BoutJournal::Opening opening = journal.open();
        QCOMPARE(opening.ending, BoutJournal::Ending::None);
        QCOMPARE(opening.state, BoutState());
        const QStringList aside = QDir(m_dir->path()).entryList({"bout-journal.unusable-*"});
        QCOMPARE(aside.size(), 1);
        QVERIFY(opening.problem.contains(journalPath()));
        QVERIFY(opening.problem.contains(m_dir->filePath(aside.first())));
        if (!contents.isNull())
            QCOMPARE(readAll(m_dir->filePath(aside.first())), contents);
        journal.record(underWay());
        QVERIFY(journal.flush(10000));
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
