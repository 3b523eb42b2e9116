// The board with its journal: how it comes back after each way the last run ended.

#include "boutjournal.h"
#include "clocksource.h"
#include "frmscoreboard.h"
#include "journalsession.h"
#include "label.h"
#include "mmcontrol.h"
#include "recordingsound.h"
#include "settingsstore.h"
#include "timekeeper.h"
#include "wallclock.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        // Closed normally with a bout under way: asked once, Enter resumes.
        {
            auto third = board();
            QVERIFY(answer(*third, QString()).contains("closed at"));
            QCOMPARE(third->bout()->homeScore(), 42);
            third->close();
        }
        {
            auto fourth = board();
            QVERIFY(!answer(*fourth, "Start a &New Bout").isEmpty());
            QCOMPARE(fourth->bout()->homeScore(), 0);
            QVERIFY(!fourth->bout()->jamEngine()->isRunning());
            fourth->close();
        }
        // The new bout was kept: nothing to ask.
        auto fifth = board();
        QCOMPARE(answer(*fifth, QString()), QString());
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
        // Asked first when the board was closed; then told.
        m_wall.set(m_wall.msecsSinceEpoch() - 1000);
        m_wall.setBoot("boot-3", 30000);
        {
            auto fourth = board();
            QVERIFY(!answer(*fourth, QString()).isEmpty());
            QVERIFY(notice(*fourth).endsWith(", clocks stopped"));
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
};

QTEST_MAIN(TestJournalSession)
#include "tst_journalsession.moc"
