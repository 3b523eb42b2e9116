// The board with its journal: how it comes back after each way the last run ended.

#include "boutjournal.h"
#include "clocksource.h"
#include "feedserver.h"
#include "frmscoreboard.h"
#include "journalsession.h"
#include "label.h"
#include "mmcontrol.h"
#include "notice.h"
#include "recordingsound.h"
#include "settings.h"
#include "settingsmodel.h"
#include "settingsstore.h"
#include "timekeeper.h"
#include "wallclock.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

// Set in the board the test starts in a process without the SQLite driver: its journal.
const char *const HelperJournal = "CORVANTA_TEST_JOURNAL";

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The board in that process: prints its notice once it shows, and again after a change to the
// bout has had every chance to be saved.
int runHelperBoard(const QString &journalPath)
{
    LoadSettings();
    frmScoreboard board;
    auto *journal = new BoutJournal(journalPath, &board);
    board.keepIn(journal);
    board.show();
    const auto notice = [&] { return board.findChild<Label *>("lblNotice")->Caption(); };
    for (QDeadlineTimer shown(10000); notice().isEmpty() && !shown.hasExpired();)
        QTest::qWait(10);
    QTextStream out(stdout);
    out << notice() << '\n';
    board.bout()->setNumber(Bout::HomeScore, 5);
    QCoreApplication::processEvents();
    journal->flush(10000);
    // What the journal has to say about that change, if anything.
    QCoreApplication::processEvents();
    out << notice() << '\n';
    return 0;
}

// 20:14:03 local time on a December evening.
static const qint64 Evening = QDateTime(QDate(2026, 12, 5), QTime(20, 14, 3)).toMSecsSinceEpoch();

class TestJournalSession : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ManualWallClock m_wall {Evening};
    ManualClockSource m_clock;

    std::unique_ptr<frmScoreboard> board()
    {
        auto board = std::make_unique<frmScoreboard>();
        board->keepIn(new BoutJournal(m_dir.filePath("bout-journal.sqlite"), board.get()));
        return board;
    }
    static QString notice(frmScoreboard &board)
    {
        return board.findChild<Label *>("lblNotice")->Caption();
    }
    // The size the notice shows in, in pixels: all of the text fits at it.
    static int noticeSize(frmScoreboard &board)
    {
        return board.findChild<Label *>("lblNotice")->shownPixelSize();
    }
    // Answers the question the board asks when it first shows, with the given button, and
    // returns the question; empty if none was asked.
    static QString answer(frmScoreboard &board, const QString &button)
    {
        QString asked;
        QTimer::singleShot(0, &board, [&] {
            QTimer::singleShot(0, &board, [&] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    asked = box->text();
                    for (QAbstractButton *each : box->buttons()) {
                        if (button.isEmpty() ? each == box->defaultButton()
                                             : each->text() == button)
                            each->click();
                    }
                }
            });
        });
        board.show();
        QTest::qWait(0);
        QCoreApplication::processEvents();
        return asked;
    }

private slots:
    void initTestCase()
    {
        WallClock::setCurrent(&m_wall);
        ClockSource::setCurrent(&m_clock);
        MMControl::setBackendFactory([] { return std::make_unique<RecordingSound>(); });
        LoadSettings();
    }

    void comingBack()
    {
        // A fresh board asks nothing and says nothing.
        {
            auto first = board();
            QCOMPARE(answer(*first, QString()), QString());
            QCOMPARE(notice(*first), QString());
            first->bout()->setNumber(Bout::HomeScore, 42);
            first->bout()->startStopJam();
            QCoreApplication::processEvents();
            // What an undo puts back is kept like any change.
            first->bout()->setNumber(Bout::HomeScore, 43);
            QCoreApplication::processEvents();
            first->bout()->undo();
            QCoreApplication::processEvents();
            // Ended abnormally: the journal is never closed.
        }
        m_wall.set(Evening + 30000);
        {
            auto second = board();
            QCOMPARE(answer(*second, QString()), QString());
            QCOMPARE(notice(*second), "Bout resumed from " + JournalSession::timeText(Evening));
            QVERIFY(notice(*second).contains("20:14:03"));
            QCOMPARE(second->bout()->homeScore(), 42);
            QCOMPARE(second->bout()->jamEngine()->ticks(), 90 * 10000);
            QVERIFY(second->bout()->jamEngine()->isRunning());
            second->close();
        }
        // Closed normally mid-jam: resumed without a question, the jam running on, and the way
        // to a new bout named in the notice.
        {
            auto third = board();
            QCOMPARE(answer(*third, QString()), QString());
            QCOMPARE(notice(*third),
                     "Bout resumed from " + JournalSession::timeText(Evening + 30000)
                             + ". To start a new bout: Options, Additional Settings.");
            // In the notice's own font, 9 points.
            QCOMPARE(noticeSize(*third), 12);
            QCOMPARE(third->bout()->homeScore(), 42);
            QVERIFY(third->bout()->jamEngine()->isRunning());
            third->close();
        }
        // Started again and ended abnormally at once, before any key: told as after a crash.
        board();
        {
            auto afterCrash = board();
            QCOMPARE(answer(*afterCrash, QString()), QString());
            QCOMPARE(notice(*afterCrash),
                     "Bout resumed from " + JournalSession::timeText(Evening + 30000));
            afterCrash->close();
        }
        // What else is told as the board opens (the feed's port taken) is told beside it, not
        // in its place.
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
        Settings::instance().edit([&](SettingsModel &m) { m.FeedPort = taken.serverPort(); });
        {
            auto withFeed = board();
            QCOMPARE(answer(*withFeed, QString()), QString());
            QTRY_VERIFY(notice(*withFeed).contains("The live feed cannot use port"));
            QVERIFY(notice(*withFeed).contains("Bout resumed from "));
            // The port let go, that it is on takes the place of those words alone.
            const QString on
                    = QString("The live feed is on at port %1 now.").arg(taken.serverPort());
            const QString after = notice(*withFeed).replace(
                    QRegularExpression("The live feed cannot use port [^;]*; it keeps trying\\."),
                    on);
            QVERIFY(after.contains(on));
            taken.close();
            QTRY_COMPARE_WITH_TIMEOUT(notice(*withFeed), after, 3 * FeedServer::RetryMs);
            withFeed->close();
        }
        Settings::instance().edit([&](SettingsModel &m) { m.FeedPort = 0; });
        Settings::instance().edit([&](SettingsModel &m) { m.NewBoutKey = 'N'; });
        {
            auto fourth = board();
            QCOMPARE(answer(*fourth, QString()), QString());
            QVERIFY(notice(*fourth).endsWith(". To start a new bout, press N."));
            fourth->bout()->setState(BoutState());
            fourth->close();
        }
        Settings::instance().edit([&](SettingsModel &m) { m.NewBoutKey = 0; });
        // A board closed at its start says nothing.
        auto fifth = board();
        QCOMPARE(answer(*fifth, QString()), QString());
        QCOMPARE(notice(*fifth), QString());
    }

    // A new bout started by the question after a resume: the words that the last one was
    // resumed, and how to start a new one, go; what else the board said stays.
    void newBoutTakesTheGreetingAway()
    {
        Settings::instance().edit([&](SettingsModel &m) { m.NewBoutKey = 'N'; });
        const auto asBefore = qScopeGuard(
                [] { Settings::instance().edit([&](SettingsModel &m) { m.NewBoutKey = 0; }); });
        {
            auto first = board();
            QCOMPARE(answer(*first, QString()), QString());
            first->bout()->setNumber(Bout::HomeScore, 12);
            first->close();
        }
        auto second = board();
        QCOMPARE(answer(*second, QString()), QString());
        QVERIFY(notice(*second).startsWith("Bout resumed from "));
        second->findChild<Notice *>()->addText("Sound unavailable: no sound server answers.");
        QVERIFY(notice(*second).endsWith(
                "To start a new bout, press N. Sound unavailable: no sound server answers."));
        QTimer::singleShot(0, second.get(), [] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            box->button(QMessageBox::Yes)->click();
        });
        QVERIFY(QMetaObject::invokeMethod(second.get(), "NewBout"));
        QCOMPARE(second->bout()->number(Bout::HomeScore), 0);
        QCOMPARE(notice(*second), "Sound unavailable: no sound server answers.");
        second->close();
    }

    // A board with no bout kept starts one by the game's rules, as a new bout does: the
    // timeouts and reviews each team has are the ones set, not the usual 3 and 1.
    void freshBoutTakesTheRules()
    {
        Settings::instance().edit([](SettingsModel &m) {
            m.GameFlow = true;
            m.TeamTimeouts = 1;
            m.OfficialReviews = 2;
        });
        auto restore = qScopeGuard([] {
            Settings::instance().edit([](SettingsModel &m) {
                m.GameFlow = false;
                m.TeamTimeouts = 3;
                m.OfficialReviews = 1;
            });
        });
        frmScoreboard board;
        board.keepIn(new BoutJournal(m_dir.filePath("rules.sqlite"), &board));
        QCOMPARE(answer(board, QString()), QString());
        QCOMPARE(board.bout()->homeTimeouts(), 1);
        QCOMPARE(board.bout()->visitorTimeouts(), 1);
        QCOMPARE(board.bout()->homeReviews(), 2);
        QCOMPARE(board.bout()->visitorReviews(), 2);
        board.close();
    }

    // A journal that cannot be read is told in the notice in plain words, with nothing to click
    // and without the database's own text.
    void damagedJournal()
    {
        for (const char *companion : {"-wal", "-shm"})
            QFile::remove(m_dir.filePath("bout-journal.sqlite") + companion);
        QFile file(m_dir.filePath("bout-journal.sqlite"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("SQLite format 3\0", 16) + QByteArray(4000, 'z'));
        file.close();
        auto damaged = board();
        QCOMPARE(answer(*damaged, QString()), QString());
        const QStringList aside = QDir(m_dir.path()).entryList({"bout-journal.unusable-*"});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(notice(*damaged),
                 "The bout could not be read; it was kept aside as " + aside.first()
                         + ". A new bout has started.");
        // The file's long name takes a smaller font, still one to read.
        QVERIFY(noticeSize(*damaged) >= 8);
        const QWidgetList windows = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(windows.begin(), windows.end(), std::mem_fn(&QWidget::isVisible)),
                 1);
        damaged->close();
    }

    // A disk that takes nothing more is told at the board's foot while the bout runs on, and so
    // is the moment the bout is saved again.
    void savingTroubleIsTold()
    {
        const auto limitFileSize = [](rlim_t bytes) {
            const rlimit limit {bytes, RLIM_INFINITY};
            return setrlimit(RLIMIT_FSIZE, &limit) == 0;
        };
        frmScoreboard board;
        auto *journal = new BoutJournal(m_dir.filePath("full-disk.sqlite"), &board);
        board.keepIn(journal);
        QCOMPARE(answer(board, QString()), QString());
        QVERIFY(journal->flush(10000));
        signal(SIGXFSZ, SIG_IGN);
        QVERIFY(limitFileSize(0));
        auto lift = qScopeGuard([&] { limitFileSize(RLIM_INFINITY); });
        board.bout()->setNumber(Bout::HomeScore, 5);
        QTRY_COMPARE_WITH_TIMEOUT(notice(board), "The bout cannot be saved now; still trying.",
                                  10000);
        // Words told beside the trouble (at start, the bout's greeting) stay when it is over.
        board.findChild<Notice *>()->addText("Bout resumed from 10:00:00.", 10);
        QVERIFY(limitFileSize(RLIM_INFINITY));
        QTRY_COMPARE_WITH_TIMEOUT(
                notice(board), "The bout is being saved again. Bout resumed from 10:00:00.", 10000);
        QVERIFY(journal->flush(10000));
        // Something else put in the journal's place is kept aside, and said so.
        const QString path = m_dir.filePath("full-disk.sqlite");
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
        QTRY_VERIFY_WITH_TIMEOUT(notice(board).startsWith("Another file took the place of the "
                                                          "bout's; it was kept aside as "
                                                          "full-disk.unusable-"),
                                 10000);
        QVERIFY(QFileInfo(path).isFile());
        // A disk with no room left is named, and its words give way when the bout is saved.
        QTest::ignoreMessage(QtWarningMsg, "no room");
        emit journal->writeFailed("no room", true);
        QTRY_VERIFY(notice(board).endsWith(
                ". The bout cannot be saved now: the disk is full; still trying."));
        emit journal->writeRecovered();
        QTRY_VERIFY(notice(board).endsWith(". The bout is being saved again."));
        QVERIFY(!notice(board).contains("disk is full"));
        board.close();
    }

    // Without Qt's SQLite driver, hidden from a board of its own in a process whose mounts lay an
    // empty folder over the driver's: said once, naming the package, and the journal the last run
    // left is not touched.
    void withoutTheSqliteDriver()
    {
        if (geteuid() != 0)
            QSKIP("hiding the SQLite driver takes root (a mount of the process's own)");
        const QString drivers = QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/sqldrivers";
        const QString journal = m_dir.filePath("bout-journal.sqlite");
        {
            auto before = board();
            before->bout()->setNumber(Bout::VisitorScore, 7);
            QCoreApplication::processEvents();
        }
        const QByteArray kept = readAll(journal);
        const QStringList aside = QDir(m_dir.path()).entryList({"bout-journal.unusable-*"});
        QTemporaryDir empty;
        QProcess helper;
        helper.setProcessEnvironment([&] {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(HelperJournal, journal);
            return environment;
        }());
        helper.start("unshare",
                     {"-m", "sh", "-c", "mount --bind \"$1\" \"$2\" && exec \"$3\"", "sh",
                      empty.path(), drivers, QCoreApplication::applicationFilePath()});
        QVERIFY(helper.waitForFinished(60000));
        const QString said = QString::fromUtf8(helper.readAllStandardOutput()).trimmed();
        if (helper.exitCode() != 0 && said.isEmpty())
            QSKIP(qPrintable("the driver could not be hidden: " + helper.readAllStandardError()));
        QCOMPARE(said,
                 "Bouts are not being saved: the package libqt6sql6-sqlite is missing.\n"
                 "Bouts are not being saved: the package libqt6sql6-sqlite is missing.");
        // The log names the driver for whoever reads it later.
        QVERIFY(helper.readAllStandardError().contains(
                "Qt's SQLite driver (QSQLITE) cannot be loaded: no bout is being saved."));
        QCOMPARE(readAll(journal), kept);
        QCOMPARE(QDir(m_dir.path()).entryList({"bout-journal.unusable-*"}), aside);
    }

    // What the board says at start after each kind of opening.
    void greeting_data()
    {
        QTest::addColumn<BoutJournal::Ending>("ending");
        QTest::addColumn<bool>("underWay");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("said");
        const QString resumed = "Bout resumed from " + JournalSession::timeText(Evening);
        const QString readOnly = "The bout is not being saved: its folder is read-only.";
        using E = BoutJournal::Ending;
        QTest::newRow("first run") << E::None << false << QString() << 0 << QString();
        QTest::newRow("closed at its start") << E::Closed << false << QString() << 0 << QString();
        QTest::newRow("crash") << E::Abnormal << true << QString() << int('N') << resumed;
        QTest::newRow("closed, key F5") << E::Closed << true << QString() << 116
                                        << resumed + ". To start a new bout, press F5.";
        QTest::newRow("read-only, crash")
                << E::Abnormal << true << readOnly << 0 << resumed + ". " + readOnly;
        QTest::newRow("read-only, closed")
                << E::Closed << true << readOnly << int('N')
                << resumed + ". To start a new bout, press N. " + readOnly;
        QTest::newRow("read-only, closed, no key")
                << E::Closed << true << readOnly << 0
                << resumed + ". To start a new bout: Options, Additional Settings. " + readOnly;
        QTest::newRow("read-only, nothing under way")
                << E::Closed << false << readOnly << 0 << readOnly;
    }
    // The time the bout was kept, in each locale's own long format, without its time zone and
    // without letters that format holds but cannot show.
    void resumedTimeInTheLocalesFormat()
    {
        for (const char *name : {"en_US", "de_DE", "fa_IR", "zh_TW", "yue_HK", "eu_ES", "ps_AF",
                                 "nds_DE", "ko_KR", "ja_JP", "ar_EG", "fi_FI"}) {
            const QLocale locale(name);
            const QString text = JournalSession::timeText(Evening, locale);
            const bool evening = text.contains(locale.toString(20))
                    || (text.contains(locale.toString(8)) && !locale.pmText().isEmpty()
                        && text.contains(locale.pmText()));
            QVERIFY2(evening && text.contains(locale.toString(14)) && !text.contains("()")
                             && !text.contains("[]") && !text.contains(u'B'),
                     qPrintable(QString("%1: %2").arg(name, text)));
            // Words the format holds in the locale's own letters stand as they are
            // ("20時14分03秒").
            for (const QChar c : locale.timeFormat(QLocale::LongFormat))
                QVERIFY2(c < u'\x80' || text.contains(c),
                         qPrintable(QString("%1: %2").arg(name, text)));
        }
    }

    void greeting()
    {
        QFETCH(BoutJournal::Ending, ending);
        QFETCH(bool, underWay);
        QFETCH(QString, problem);
        QFETCH(int, key);
        BoutJournal::Opening opening;
        opening.ending = ending;
        opening.problem = problem;
        opening.state.takenAtMs = Evening;
        opening.state.numbers[BoutState::HomeScore] = underWay ? 3 : 0;
        const qint64 now = m_wall.msecsSinceEpoch();
        const auto asBefore = qScopeGuard([&] { m_wall.set(now); });
        m_wall.set(Evening + 3600000);
        QTEST(JournalSession::greeting(opening, key), "said");
        // A bout kept the day before says its day.
        m_wall.set(Evening + 86400000);
        const QString resumed = "Bout resumed from " + JournalSession::timeText(Evening);
        QFETCH(QString, said);
        const QString dayBefore = "Bout resumed from "
                + QLocale::system().toString(QDate(2026, 12, 5), QLocale::ShortFormat) + ' '
                + JournalSession::timeText(Evening);
        QCOMPARE(JournalSession::greeting(opening, key), QString(said).replace(resumed, dayBefore));
    }

    // The PC's clock set while the board was away: the time away is the boot clock's; where it
    // cannot be known, the clocks come back stopped where they were, and the board says so.
    void clockSetWhileAway()
    {
        for (const char *file : {"", "-wal", "-shm"})
            QFile::remove(m_dir.filePath("bout-journal.sqlite") + file);
        m_wall.setBoot("boot-1", 60000);
        {
            auto first = board();
            answer(*first, QString());
            first->bout()->startStopJam();
            QCoreApplication::processEvents();
        }
        m_wall.set(m_wall.msecsSinceEpoch() + 3600000);
        m_wall.setBoot("boot-1", 65000);
        {
            auto second = board();
            answer(*second, QString());
            QCOMPARE(second->bout()->jamEngine()->ticks(), 115 * 10000);
            QVERIFY(second->bout()->jamEngine()->isRunning());
            QVERIFY(!notice(*second).contains("stopped"));
        }
        // Rebooted, and the wall clock is behind the last record: nothing to count by.
        m_wall.set(m_wall.msecsSinceEpoch() - 7200000);
        m_wall.setBoot("boot-2", 30000);
        {
            auto third = board();
            answer(*third, QString());
            QCOMPARE(third->bout()->jamEngine()->ticks(), 115 * 10000);
            QVERIFY(!third->bout()->jamEngine()->isRunning());
            QVERIFY(!third->bout()->periodEngine()->isRunning());
            QVERIFY(notice(*third).endsWith(", clocks stopped"));
            third->bout()->startStopJam();
            third->close();
        }
        // After a normal close: told the same, with the way to a new bout after it.
        m_wall.set(m_wall.msecsSinceEpoch() - 1000);
        m_wall.setBoot("boot-3", 30000);
        {
            auto fourth = board();
            QVERIFY(answer(*fourth, QString()).isEmpty());
            QVERIFY(notice(*fourth).contains(", clocks stopped. To start a new bout"));
            QVERIFY(!fourth->bout()->jamEngine()->isRunning());
        }
        // No clock was running: nothing was stopped, nothing to say about it.
        m_wall.set(m_wall.msecsSinceEpoch() - 1000);
        m_wall.setBoot("boot-4", 30000);
        auto fifth = board();
        answer(*fifth, QString());
        QVERIFY(notice(*fifth).startsWith("Bout resumed from"));
        QVERIFY(!notice(*fifth).contains("stopped"));
    }

    // The PC's clock set while the board runs (forward as the venue's network is reached, back
    // by hand), then a power cut: the time away after the restart is the time the board was off.
    void clockSetWhileRunning()
    {
        for (const qint64 setBy : {qint64(3600000), qint64(-20000)}) {
            for (const char *file : {"", "-wal", "-shm"})
                QFile::remove(m_dir.filePath("bout-journal.sqlite") + file);
            const QByteArray boot = "boot-set-" + QByteArray::number(setBy);
            m_wall.setBoot(boot, 60000);
            {
                auto first = board();
                answer(*first, QString());
                first->bout()->startStopJam();
                QCoreApplication::processEvents();
                m_wall.set(m_wall.msecsSinceEpoch() + setBy);
                QTest::qWait(JournalSession::ClockCheckMilliseconds * 3 / 2);
                QVERIFY(first->findChild<BoutJournal *>()->flush(10000));
            }
            m_wall.set(m_wall.msecsSinceEpoch() + 3000);
            m_wall.setBoot(boot + "-after", 30000);
            auto second = board();
            answer(*second, QString());
            QCOMPARE(second->bout()->jamEngine()->ticks(), 117 * 10000);
            QVERIFY(second->bout()->jamEngine()->isRunning());
            QVERIFY(!notice(*second).contains("stopped"));
        }
    }

    // A bout is resumed by the clock options of the settings the board starts on: a jam that ran
    // out while the board was away stopped penalty clocks that go with the jam, not those that go
    // with the period clock.
    void resumedByTheClockOptions_data()
    {
        QTest::addColumn<bool>("joinJamPenalty");
        QTest::addColumn<int>("penaltyLeft");
        QTest::newRow("with the jam") << true << 50;
        QTest::newRow("with the period") << false << 30;
    }

    void resumedByTheClockOptions()
    {
        QFETCH(bool, joinJamPenalty);
        QFETCH(int, penaltyLeft);
        for (const char *file : {"", "-wal", "-shm"})
            QFile::remove(m_dir.filePath("bout-journal.sqlite") + file);
        const auto restore = qScopeGuard([] { LoadSettings(); });
        Settings::instance().edit([&](SettingsModel &m) { m.JoinJamPenalty = joinJamPenalty; });
        m_wall.setBoot("boot-5", 60000);
        {
            auto first = board();
            answer(*first, QString());
            first->bout()->setJamTime(10 * 10000);
            first->bout()->addPenaltyTime(0, 60);
            first->bout()->startStopJam();
            QVERIFY(first->bout()->penaltyEngine(0)->isRunning());
            QCoreApplication::processEvents();
        }
        m_wall.set(m_wall.msecsSinceEpoch() + 30000);
        m_wall.setBoot("boot-5", 90000);
        auto second = board();
        QCOMPARE(second->bout()->penaltyEngine(0)->ticks(), penaltyLeft * 10000);
        QCOMPARE(second->bout()->penaltyEngine(0)->isRunning(), !joinJamPenalty);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    if (qEnvironmentVariableIsSet(HelperJournal))
        return runHelperBoard(qEnvironmentVariable(HelperJournal));
    TestJournalSession test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_journalsession.moc"
