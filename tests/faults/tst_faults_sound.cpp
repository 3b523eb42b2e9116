#include "clocksource.h"
#include "frmscoreboard.h"
#include "mmcontrol.h"
#include "settings.h"
#include "settingsmodel.h"
#include "settingsstore.h"
#include "soundserver.h"
#include "teststore.h"
#include "timekeeper.h"

#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// The scoreboard's sounds on the real sound device when the sound goes wrong: no sound server,
// the file deleted after it was opened, a file that is not a WAV. Run once with a sound server of
// the test's own and once with none to be found. In every case the bout goes on: each expiry asks
// for its sound, BuzzerPlaying comes back to false, and the next expiry sounds again.
class TestFaultsSound : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    SoundServer m_server;
    bool m_serverRuns = false;
    QTemporaryDir m_dir;
    std::unique_ptr<frmScoreboard> m_board;
    const QString m_buzzer = QDir(QCoreApplication::applicationDirPath()).filePath("buzzer.wav");

    TimeKeeper *engine(const char *name) { return m_board->findChild<TimeKeeper *>(name); }
    MMControl *device() { return m_board->findChild<MMControl *>("mmcBuzzer"); }

    void runTicks(int ticks)
    {
        for (int tick = 0; tick < ticks; ++tick) {
            m_clock.advanceMilliseconds(50);
            m_board->RefreshTime();
        }
    }

    // Runs a two-second jam out with the refresh the timer would give it.
    void runJamOut()
    {
        engine("tkJam")->setTicks(2 * BoutConstants::TicksPerSecond);
        m_board->AllKeyCode(settings().StartStopJamClockKey);
        runTicks(41);
        QVERIFY(!engine("tkJam")->isRunning());
        QVERIFY(m_board->JamEndSignalled());
    }

    // Lets the sound under way end: its length passes on the replaced clock, and the media
    // control notices at its next look (at most ClockCheckMilliseconds later; a loaded machine
    // may be slower to say so).
    void letSoundEnd()
    {
        m_clock.advanceMilliseconds(10000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_board->BuzzerPlaying(), 10000);
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName("Corvanta");
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::exists(m_buzzer));
        ClockSource::setCurrent(&m_clock);
        m_serverRuns = !qEnvironmentVariableIsSet("CORVANTA_NO_AUDIO") && m_server.start();
        if (m_serverRuns)
            qputenv("PULSE_SERVER", m_server.address().toLocal8Bit());
    }

    void init() { LoadSettings(); }

    void cleanup() { m_board.reset(); }

    void everyExpirySoundsAndTheBoutGoesOn_data()
    {
        QTest::addColumn<QByteArray>("contents"); // empty: a copy of the shipped buzzer
        QTest::newRow("wav") << QByteArray();
        QTest::newRow("wav deleted after it was opened") << QByteArray();
        QTest::newRow("text named .wav") << QByteArray("not a sound at all\n");
        // Cut short: the sound device's decoder waits for the rest of such a file for ever.
        QTest::newRow("RIFF cut short in its header") << QByteArray("RIFF junk");
        QFile shippedBuzzer(m_buzzer);
        QVERIFY(shippedBuzzer.open(QIODevice::ReadOnly));
        QTest::newRow("WAV cut short in its samples")
                << shippedBuzzer.read(shippedBuzzer.size() / 3);
    }

    void everyExpirySoundsAndTheBoutGoesOn()
    {
        QFETCH(QByteArray, contents);
        const QString path = m_dir.filePath(QString("buzzer-%1.wav").arg(QTest::currentDataTag()));
        QVERIFY(contents.isEmpty() ? QFile::copy(m_buzzer, path) : writeFile(path, contents));
        // The same file stands for the period-end sound, which must not hold up the buzzer.
        Settings::instance().edit(
                [&](SettingsModel &m) { m.BuzzerFile = m.PeriodEndSoundFile = path; });
        m_board = std::make_unique<frmScoreboard>();
        for (int jam = 0; jam < 4; ++jam) {
            runJamOut();
            // Gone while it plays: the play still ends, and later expiries find no file and
            // play nothing, without a word, as for any missing sound.
            if (jam == 0) {
                QCOMPARE(device()->fileName(), path);
                if (QByteArray(QTest::currentDataTag()).contains("deleted"))
                    QVERIFY(QFile::remove(path));
            }
            if (engine("tkPeriod")->isRunning())
                m_board->AllKeyCode(settings().StartStopPeriodClockKey);
            letSoundEnd();
        }
        // The clocks kept time through it all: the period ran for exactly the four jams of
        // 41 ticks each.
        QCOMPARE(engine("tkPeriod")->ticks(), 600 * BoutConstants::TicksPerSecond - 4 * 41 * 500);

        engine("tkPeriod")->setTicks(BoutConstants::TicksPerSecond);
        m_board->AllKeyCode(settings().StartStopPeriodClockKey);
        runTicks(21);
        QVERIFY(m_board->PeriodEndSignalled());
        letSoundEnd();
        m_board->AllKeyCode(settings().ResetPeriodClockKey);

        // A sound chosen afterwards replaces the bad one on the device and plays.
        Settings::instance().edit([&](SettingsModel &m) { m.BuzzerFile = m_buzzer; });
        runJamOut();
        QCOMPARE(device()->fileName(), settings().BuzzerFile);
        letSoundEnd();
    }

    // The buzzer file is replaced by a FIFO after it has played: the board must never open it,
    // let alone wait on it. A reader in the FIFO (at worst the board's thread, stuck) is seen
    // from a thread of the test's own, which can open the FIFO for writing only while a reader
    // has it open, and so also sets a stuck board free.
    void aFifoInPlaceOfTheSoundNeverHoldsUpTheBoard()
    {
        const QString path = m_dir.filePath("buzzer-fifo.wav");
        QVERIFY(QFile::copy(m_buzzer, path));
        Settings::instance().edit([&](SettingsModel &m) { m.BuzzerFile = path; });
        m_board = std::make_unique<frmScoreboard>();
        auto *notice = m_board->findChild<QObject *>("lblNotice");
        m_board->AllKeyCode(settings().BuzzerKey);
        QVERIFY(m_board->BuzzerPlaying());
        letSoundEnd();
        QVERIFY(QFile::remove(path));
        QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);

        std::atomic<bool> pressed {false}, readerSeen {false};
        std::thread watch([&] {
            while (!pressed) {
                const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    readerSeen = true;
                    ::close(fd);
                }
                std::this_thread::yield();
            }
        });
        m_board->AllKeyCode(settings().BuzzerKey);
        m_board->AllKeyCode(settings().StartStopJamClockKey);
        runTicks(2);
        pressed = true;
        watch.join();
        QVERIFY(!readerSeen);
        QCOMPARE(notice->property("Caption").toString(),
                 "Cannot play buzzer-fifo.wav: it is not a sound file.");
        QVERIFY(engine("tkJam")->isRunning());
        letSoundEnd();

        // Back to a sound file of that name: it plays again.
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::copy(m_buzzer, path));
        m_board->AllKeyCode(settings().BuzzerKey);
        QVERIFY(m_board->BuzzerPlaying());
        letSoundEnd();
    }

    // A frozen sound server answers none of the streams asked of it. The board says so once, and
    // when the server wakes it holds none of them.
    void aFrozenServerIsToldOnceAndKeepsNoStreams()
    {
        if (!m_serverRuns)
            QSKIP("needs a sound server of the test's own");
        m_board = std::make_unique<frmScoreboard>();
        auto *notice = m_board->findChild<QObject *>("lblNotice");
        QSignalSpy problems(device(), &MMControl::Problem);
        const auto playOnServer = [&] {
            m_board->AllKeyCode(settings().BuzzerKey);
            QTRY_VERIFY_WITH_TIMEOUT(m_server.streams() > 0, 5000);
            letSoundEnd();
            QTRY_COMPARE_WITH_TIMEOUT(m_server.streams(), 0, 5000);
        };
        // Connected while the server answers; then it freezes.
        playOnServer();
        if (QTest::currentTestFailed())
            return;
        m_server.freeze();
        // The sound waits for the server's answer, and is given up with a word when none comes.
        m_board->AllKeyCode(settings().BuzzerKey);
        QTRY_COMPARE_WITH_TIMEOUT(problems.count(), 1, 10000);
        QCOMPARE(notice->property("Caption").toString(),
                 "Sound unavailable: no sound server answers.");
        QTRY_VERIFY(!m_board->BuzzerPlaying());
        for (const qint16 key : {settings().PeriodEndSoundKey, settings().BuzzerKey}) {
            m_board->AllKeyCode(key);
            letSoundEnd();
        }
        QCOMPARE(problems.count(), 1);
        // Asked again while it sleeps: no second word.
        m_board->AllKeyCode(settings().PeriodEndSoundKey);
        letSoundEnd();
        m_server.thaw();
        playOnServer();
        QCOMPARE(problems.count(), 1);
    }

    void aSoundThatCannotPlayIsToldOnceOnTheBoard()
    {
        // A folder by the sound's name: no sound, and one word on the board however often the
        // buzzer is asked for, in the notice's own caption, which empties again.
        QVERIFY(QDir(m_dir.path()).mkpath("folder.wav"));
        Settings::instance().edit(
                [&](SettingsModel &m) { m.BuzzerFile = m_dir.filePath("folder.wav"); });
        m_board = std::make_unique<frmScoreboard>();
        auto *notice = m_board->findChild<QObject *>("lblNotice");
        auto *credit = m_board->findChild<QWidget *>("lblCreatedBy");
        m_board->AllKeyCode(settings().BuzzerKey);
        QCOMPARE(notice->property("Caption").toString(),
                 "Cannot play folder.wav: it is a folder, not a sound file.");
        QVERIFY(credit->isHidden());
        letSoundEnd();
        QTRY_COMPARE_WITH_TIMEOUT(notice->property("Caption").toString(), QString(), 10000);
        QVERIFY(!credit->isHidden());
        runJamOut();
        letSoundEnd();
        m_board->AllKeyCode(settings().BuzzerKey);
        letSoundEnd();
        QCOMPARE(notice->property("Caption").toString(), QString());
    }
};

QTEST_MAIN(TestFaultsSound)

#include "tst_faults_sound.moc"
