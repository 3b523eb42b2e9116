#include "clocksource.h"
#include "frmscoreboard.h"
#include "mmcontrol.h"
#include "numberled.h"
#include "settingsstore.h"
#include "soundbackend.h"
#include "timekeeper.h"
#include "timeled.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kJ = 74, kR = 82, kS = 83, kT = 84, kC = 67, kB = 66, kP = 80;

// Stands in for the sound device: records what the control asks of it.
class FakeSound final : public SoundBackend
{
public:
    bool open(const QString &path) override
    {
        log->append("open " + QFileInfo(path).fileName());
        return true;
    }
    bool play() override
    {
        log->append("play");
        return true;
    }
    void stop() override { log->append("stop"); }
    void close() override { log->append("close"); }
    QStringList *log = nullptr;
};

} // namespace

class TestFrmScoreboard : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    QStringList m_sound;
    FakeSound *m_backend = nullptr;
    std::unique_ptr<frmScoreboard> m_board;

    frmScoreboard &board() { return *m_board; }
    TimeKeeper *engine(const char *name) { return board().findChild<TimeKeeper *>(name); }
    TimeLED *timeDisplay(const char *name) { return board().findChild<TimeLED *>(name); }
    QString shown(const char *name)
    {
        return board().findChild<QWidget *>(name)->property("Text").toString();
    }
    bool running(const char *name) { return engine(name)->isRunning(); }
    bool penaltiesRunning(bool expected)
    {
        for (const char *name :
             {"tkHomePenalty1", "tkHomePenalty2", "tkVisitorPenalty1", "tkVisitorPenalty2"}) {
            if (running(name) != expected)
                return false;
        }
        return true;
    }
    // Lets time pass and ticks as the refresh timer would.
    void advance(qint64 milliseconds)
    {
        for (qint64 done = 0; done < milliseconds; done += 50) {
            m_clock.advanceMilliseconds(std::min<qint64>(50, milliseconds - done));
            board().RefreshTime();
        }
    }
    // The files played so far, in order.
    QStringList plays() const
    {
        QStringList files;
        QString open;
        for (const QString &entry : m_sound) {
            if (entry.startsWith("open "))
                open = entry.mid(5);
            else if (entry == "play")
                files.append(open);
        }
        return files;
    }
    void finishSound()
    {
        emit m_backend->finished();
        QVERIFY(!board().BuzzerPlaying());
    }
    void press(int keyCode) { board().AllKeyCode(keyCode); }

private slots:
    void initTestCase()
    {
        ClockSource::setCurrent(&m_clock);
        MMControl::setBackendFactory([this] {
            auto backend = std::make_unique<FakeSound>();
            backend->log = &m_sound;
            m_backend = backend.get();
            return std::unique_ptr<SoundBackend>(std::move(backend));
        });
    }

    void init()
    {
        QFile::remove(settingsFileName());
        LoadSettings();
        m_sound.clear();
        m_board = std::make_unique<frmScoreboard>();
    }

    void cleanup() { m_board.reset(); }

    void loadShowsStartValues()
    {
        QCOMPARE(shown("tledPeriod"), "10:00");
        QCOMPARE(shown("tledJam"), "2:00");
        for (const char *name :
             {"tledHomePenalty1", "tledHomePenalty2", "tledVisitorPenalty1", "tledVisitorPenalty2"})
            QCOMPARE(shown(name), "");
        QCOMPARE(board().windowTitle(), "Corvanta");
        QCOMPARE(board().JamResetValue(), 120.0);
        QCOMPARE(board().PeriodResetValue(), 600.0);
        QVERIFY(!running("tkPeriod") && !running("tkJam") && penaltiesRunning(false));
    }

    void displayRules_data()
    {
        QTest::addColumn<double>("period");
        QTest::addColumn<QString>("periodShown");
        QTest::addColumn<double>("jam");
        QTest::addColumn<QString>("jamShown");
        QTest::newRow("a minute") << 60.0 << " 1:00" << 119.0001 << "2:00";
        QTest::newRow("above 59.9 rounds up") << 59.95 << " 1:00" << 119.0 << "1:59";
        QTest::newRow("tenths from 59.9") << 59.9 << "59.9" << 59.0001 << "1:00";
        QTest::newRow("tie to even") << 0.0001 << " 0.0" << 58.0001 << "0:58";
    }

    void displayRules()
    {
        QFETCH(double, period);
        QFETCH(QString, periodShown);
        QFETCH(double, jam);
        QFETCH(QString, jamShown);
        engine("tkPeriod")->setSeconds(period);
        engine("tkJam")->setSeconds(jam);
        board().RefreshTime();
        QCOMPARE(shown("tledPeriod"), periodShown);
        QCOMPARE(shown("tledJam"), jamShown);
    }

    void jamKeyStartsBothClocks_data()
    {
        QTest::addColumn<int>("join");
        QTest::newRow("penalties follow the jam") << 1;
        QTest::newRow("penalties follow the period") << 0;
    }

    void jamKeyStartsBothClocks()
    {
        QFETCH(int, join);
        settings().JoinJamPenalty = qint16(join);
        press(kJ);
        QVERIFY(running("tkPeriod"));
        QVERIFY(running("tkJam"));
        QVERIFY(penaltiesRunning(true));
        advance(1000);
        QCOMPARE(shown("tledPeriod"), " 9:59");
        QCOMPARE(shown("tledJam"), "1:59");

        // Jam key while the jam runs: the buzzer, then the jam stops; the period runs on.
        press(kJ);
        QCOMPARE(plays(), QStringList {"buzzer.wav"});
        QVERIFY(!running("tkJam"));
        QVERIFY(running("tkPeriod"));
        QVERIFY(penaltiesRunning(join != 1));
    }

    void jamAndPeriodOnOneKey()
    {
        // Only a hand-edited store does this; the jam command wins and still starts the period.
        settings().StartStopPeriodClockKey = settings().StartStopJamClockKey;
        press(kJ);
        QVERIFY(running("tkJam"));
        QVERIFY(running("tkPeriod"));
        press(kJ);
        QVERIFY(!running("tkJam"));
        QVERIFY(running("tkPeriod"));
    }

    void periodKeyDuringJamStopsEverything()
    {
        press(kJ);
        advance(500);
        press(kS);
        QVERIFY(!running("tkPeriod"));
        QVERIFY(!running("tkJam"));
        QVERIFY(penaltiesRunning(false));
        QCOMPARE(plays(), QStringList {"buzzer.wav"});
    }

    void resetsWhileRunning()
    {
        press(kJ);
        advance(5000);
        press(kR);
        QCOMPARE(plays(), QStringList {"buzzer.wav"});
        QVERIFY(!running("tkJam"));
        QCOMPARE(shown("tledJam"), "2:00");
        QVERIFY(running("tkPeriod"));
        finishSound();

        press(kJ);
        advance(3000);
        press(kT);
        QVERIFY(!running("tkPeriod"));
        QVERIFY(!running("tkJam"));
        QCOMPARE(plays(), (QStringList {"buzzer.wav", "buzzer.wav"}));
        QCOMPARE(shown("tledPeriod"), "10:00");
        QCOMPARE(shown("tledJam"), "2:00");
    }

    void expiriesStopAndSoundOnce()
    {
        engine("tkJam")->setSeconds(1);
        press(kJ);
        advance(1100);
        QVERIFY(!running("tkJam"));
        QVERIFY(running("tkPeriod"));
        QVERIFY(penaltiesRunning(false));
        QCOMPARE(plays(), QStringList {"buzzer.wav"});
        finishSound();
        advance(1000);
        QCOMPARE(plays().size(), 1);

        // The period runs out while the jam is stopped: the end-of-period sound, once.
        engine("tkPeriod")->setSeconds(0.5);
        advance(600);
        QVERIFY(!running("tkPeriod"));
        QCOMPARE(plays(), (QStringList {"buzzer.wav", "periodendsound.wav"}));
        QVERIFY(board().PeriodEndSignalled());
        finishSound();
        advance(1000);
        QCOMPARE(plays().size(), 2);

        // With the period still at zero the jam key starts the jam alone: the period command
        // starts the period clock and the refresh stops it at once; this expiry sounded already.
        engine("tkJam")->setSeconds(30);
        board().RefreshTime();
        press(kJ);
        QVERIFY(running("tkJam"));
        QVERIFY(!running("tkPeriod"));
        QCOMPARE(plays().size(), 2);

        // A typed time above zero re-arms the jam's latch.
        QVERIFY(!board().JamEndSignalled());
    }

    void timeOfDayModeStillExpires()
    {
        board().setTimeOfDaySource([] { return QTime(14, 5); },
                                   QLocale(QLocale::English, QLocale::UnitedStates));
        press(kC);
        board().RefreshTime();
        QCOMPARE(shown("tledPeriod"), " 2:05");
        board().setTimeOfDaySource([] { return QTime(14, 5); }, QLocale(QLocale::German));
        board().RefreshTime();
        QCOMPARE(shown("tledPeriod"), "14:05");

        engine("tkPeriod")->setSeconds(0.2);
        press(kS);
        advance(300);
        QVERIFY(!running("tkPeriod"));
        QCOMPARE(plays(), QStringList {"periodendsound.wav"});
        press(kC);
        board().RefreshTime();
        QCOMPARE(shown("tledPeriod"), " 0.0");
    }

    void periodEndDuringJam_data()
    {
        QTest::addColumn<int>("suppress");
        QTest::addColumn<int>("endKey");
        QTest::newRow("sound at once") << 0 << kJ;
        QTest::newRow("sound put off to the jam's end") << 1 << kJ;
        QTest::newRow("period key ends the jam played out") << 1 << kS;
    }

    void periodEndDuringJam()
    {
        QFETCH(int, suppress);
        QFETCH(int, endKey);
        settings().SuppressPeriodSound = qint16(suppress);
        engine("tkPeriod")->setSeconds(1);
        press(kJ);
        advance(1100);
        QVERIFY(!running("tkPeriod"));
        if (!suppress) {
            // The jam stops with its buzzer; the end-of-period request meets the buzzer playing.
            QVERIFY(!running("tkJam"));
            QCOMPARE(plays(), QStringList {"buzzer.wav"});
            return;
        }
        QVERIFY(running("tkJam"));
        QVERIFY(board().property("SuppressedPeriodSound").toBool());
        QVERIFY(plays().isEmpty());
        advance(5000);
        QVERIFY(plays().isEmpty());
        // The end of the jam, here by key, plays the end-of-period sound instead of the buzzer.
        press(endKey);
        QCOMPARE(plays(), QStringList {"periodendsound.wav"});
        QVERIFY(!running("tkJam"));
        QVERIFY(!running("tkPeriod"));
        QVERIFY(engine("tkPeriod")->ticks() <= 0);
        QVERIFY(!board().property("SuppressedPeriodSound").toBool());
        finishSound();
        advance(1000);
        QCOMPARE(plays().size(), 1);
    }

    void buzzerPlaysOneSoundAtATime()
    {
        press(kB);
        press(kB);
        press(kP);
        QCOMPARE(plays(), QStringList {"buzzer.wav"});
        QVERIFY(board().BuzzerPlaying());
        finishSound();
        // Done stops and rewinds the device, which stays open on the file.
        QCOMPARE(m_sound.mid(m_sound.size() - 1), QStringList {"stop"});
        press(kB);
        QCOMPARE(m_sound.filter("open").size(), 1);
        finishSound();
        press(kP);
        QCOMPARE(m_sound.filter("open").size(), 2);
        QCOMPARE(plays(), (QStringList {"buzzer.wav", "buzzer.wav", "periodendsound.wav"}));
        finishSound();

        // An empty or missing file plays nothing, and leaves nothing playing.
        settings().BuzzerFile.clear();
        press(kB);
        settings().BuzzerFile = "/nonexistent/buzzer.wav";
        press(kB);
        QCOMPARE(plays().size(), 3);
        QVERIFY(!board().BuzzerPlaying());
    }

    void optionsReturnReappliesAppearance()
    {
        // The model changes behind the board's back; F2 and Cancel must show it at once.
        settings().TitleText = "Derby Night";
        settings().FormBack = 0x00102030;
        settings().BorderColor = 0x000080FF;
        engine("tkJam")->setSeconds(42);
        bool opened = false;
        QTimer::singleShot(0, this, [&opened] {
            QWidget *options = QApplication::activeModalWidget();
            opened = options && options->objectName() == "frmOptions";
            if (options)
                options->findChild<QPushButton *>("cmdCancel")->click();
        });
        press(113);
        QVERIFY(opened);
        QCOMPARE(board().findChild<QObject *>("lblTitle")->property("Caption").toString(),
                 "Derby Night");
        QCOMPARE(board().palette().color(QPalette::Window), QColor(0x30, 0x20, 0x10));
        // Every display's frame takes the border colour, the scores' and period number's too.
        const QList<SegmentDisplay *> displays = board().findChildren<SegmentDisplay *>();
        QCOMPARE(displays.size(), 9);
        for (const SegmentDisplay *display : displays)
            QCOMPARE(display->BorderColor(), 0x000080FF);
        QCOMPARE(shown("tledJam"), "0:42");
    }

    void helpOpensWithoutWaiting()
    {
        press(112);
        QWidget *help = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "frmHelp" && w->isVisible())
                help = w;
        }
        QVERIFY(help);
        // Closing the scoreboard closes every other window with it.
        board().close();
        QVERIFY(!help->isVisible());
    }

    void keyCodeToAsci_data()
    {
        QTest::addColumn<int>("keyCode");
        QTest::addColumn<int>("clearKey");
        QTest::addColumn<int>("character");
        QTest::newRow("space") << 32 << 46 << 32;
        QTest::newRow("enter") << 13 << 46 << 13;
        QTest::newRow("clear key") << 46 << 46 << 0;
        QTest::newRow("clear key on space reads space") << 32 << 32 << 32;
        QTest::newRow("clear key on a digit") << 55 << 55 << 0;
        QTest::newRow("equals") << 187 << 46 << 43;
        QTest::newRow("keypad plus") << 107 << 46 << 43;
        QTest::newRow("minus") << 189 << 46 << 45;
        QTest::newRow("keypad minus") << 109 << 46 << 45;
        QTest::newRow("keypad 0") << 96 << 46 << 48;
        QTest::newRow("keypad 7") << 103 << 46 << 55;
        QTest::newRow("main 7") << 55 << 46 << 55;
        QTest::newRow("keypad point") << 110 << 46 << 46;
        QTest::newRow("period") << 190 << 46 << 46;
        QTest::newRow("keypad multiply") << 106 << 46 << -1;
        QTest::newRow("keypad divide") << 111 << 46 << -1;
        QTest::newRow("letter") << 74 << 46 << -1;
    }

    void keyCodeToAsci()
    {
        QFETCH(int, keyCode);
        QFETCH(int, clearKey);
        QFETCH(int, character);
        settings().ClearKey = qint16(clearKey);
        QCOMPARE(board().KeyCodeToAsci(keyCode), character);
    }

    void keyEventsReachTheCommandsOnce()
    {
        board().show();
        board().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&board()));
        QWidget *jam = board().findChild<QWidget *>("tledJam");
        jam->setFocus();
        // Shift does not change the command; a held key repeats it.
        QTest::keyClick(jam, Qt::Key_J, Qt::ShiftModifier);
        QVERIFY(running("tkJam"));
        QTest::keyEvent(QTest::Press, jam, Qt::Key_J, Qt::NoModifier, -1);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_J, Qt::NoModifier, "j", true);
        QApplication::sendEvent(jam, &repeat);
        QVERIFY(running("tkJam"));
        QCOMPARE(plays().size(), 1);

        // With no display selected the window itself takes the key.
        board().setFocus();
        QTest::keyClick(&board(), Qt::Key_S);
        QVERIFY(!running("tkPeriod"));
        QVERIFY(!running("tkJam"));
    }

    void enterBoundToACommandRunsOnce()
    {
        board().show();
        board().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&board()));
        settings().BuzzerKey = 13;
        settings().StartStopJamClockKey = 45; // Insert
        auto *score = board().findChild<NumberLED *>("nledHomeScore");
        score->setFocus();
        QTest::keyClick(score, Qt::Key_1);
        QTest::keyClick(score, Qt::Key_2);
        QTest::keyClick(score, Qt::Key_Return);
        QCOMPARE(score->Caption(), "12");
        QCOMPARE(plays().size(), 1);
        QTest::keyClick(score, Qt::Key_Minus);
        QTest::keyClick(score, Qt::Key_2);
        QCOMPARE(score->Caption(), "10");
        QVERIFY(!running("tkJam"));
    }

    void selectionFrameFollowsTheFocus()
    {
        board().show();
        board().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&board()));
        QWidget *frame = board().findChild<QWidget *>("shpObjectSelected");
        QWidget *jam = board().findChild<QWidget *>("tledJam");
        const auto twips
                = [](QWidget *w, const char *member) { return w->property(member).toDouble(); };

        settings().LEDSelectedWidth = 0;
        board().ObjectSelected(jam);
        QVERIFY(frame->isVisible());
        QCOMPARE(twips(frame, "Left"), twips(jam, "Left"));
        QCOMPARE(twips(frame, "Width"), twips(jam, "Width") + 15);

        settings().LEDSelectedWidth = 5;
        board().ObjectSelected(jam);
        QCOMPARE(twips(frame, "Left"), twips(jam, "Left") - 75);
        QCOMPARE(twips(frame, "Top"), twips(jam, "Top") - 75);
        QCOMPARE(twips(frame, "Height"), twips(jam, "Height") + 165);

        // Out of range only by editing the store: held to the widest frame.
        settings().LEDSelectedWidth = 3000;
        board().ObjectSelected(jam);
        QCOMPARE(twips(frame, "Left"), twips(jam, "Left") - 75);

        board().resize(900, 700);
        QTRY_VERIFY(!frame->isVisible());
        board().findChild<QWidget *>("tledPeriod")->setFocus();
        QVERIFY(frame->isVisible());

        board().ObjectSelected(nullptr);
        QVERIFY(!frame->isVisible());
    }

    void typedClockTimes()
    {
        auto type = [this](const char *display, const QString &keys) {
            auto *led = timeDisplay(display);
            for (QChar ch : keys) {
                int code = ch == u'\n' ? 13 : (ch == u'.' ? 190 : ch.unicode());
                emit led->KeyDown(code, 0);
            }
        };
        press(kJ);
        advance(2000);
        type("tledJam", "1.30\n");
        QVERIFY(running("tkJam"));
        QVERIFY(penaltiesRunning(false));
        QCOMPARE(board().JamResetValue(), 90.0);
        QCOMPARE(shown("tledJam"), "1:30");
        // An Enter with nothing typed changes nothing.
        type("tledJam", "\n");
        type("tledPeriod", "\n");
        QCOMPARE(board().JamResetValue(), 90.0);
        QVERIFY(running("tkPeriod"));
        type("tledJam", "10.00\n");
        QCOMPARE(board().JamResetValue(), 90.0);

        type("tledPeriod", "20.00\n");
        QVERIFY(!running("tkPeriod"));
        QVERIFY(running("tkJam"));
        QCOMPARE(board().PeriodResetValue(), 1200.0);
        QCOMPARE(shown("tledPeriod"), "20:00");
        press(kT);
        QCOMPARE(shown("tledPeriod"), "20:00");
        QCOMPARE(shown("tledJam"), "1:30");
    }

    void penaltyClocks()
    {
        auto *display = timeDisplay("tledHomePenalty1");
        auto key = [display](int code) { emit display->KeyDown(code, 0); };
        const int a = 65, i = 73, clear = 46;
        for (int n = 0; n < 6; ++n)
            key(a);
        QCOMPARE(engine("tkHomePenalty1")->seconds(), 540.0);
        key(a);
        QCOMPARE(engine("tkHomePenalty1")->seconds(), 540.0);
        QCOMPARE(shown("tledHomePenalty1"), "9:00");

        // The group starts with the jam; the increment stops this one and adds to what is left.
        key(clear);
        key(a);
        key(a);
        QCOMPARE(shown("tledHomePenalty1"), "3:00");
        press(kJ);
        QVERIFY(running("tkHomePenalty1"));
        advance(10000);
        QCOMPARE(shown("tledHomePenalty1"), "2:50");
        key(a);
        QVERIFY(!running("tkHomePenalty1"));
        QCOMPARE(shown("tledHomePenalty1"), "4:20");

        // Its own start and stop, then the group takes it back.
        press(kJ); // the jam stops: the group with it
        QVERIFY(penaltiesRunning(false));
        key(i);
        QVERIFY(running("tkHomePenalty1"));
        QVERIFY(!running("tkHomePenalty2"));
        press(kJ);
        QVERIFY(penaltiesRunning(true));
        press(kJ);
        QVERIFY(penaltiesRunning(false));

        // Clear on a running clock blanks it; the next jam start runs it behind the blank.
        key(i);
        key(clear);
        QVERIFY(!running("tkHomePenalty1"));
        QCOMPARE(shown("tledHomePenalty1"), "");
        press(kJ);
        QVERIFY(running("tkHomePenalty1"));
        advance(3000);
        QCOMPARE(shown("tledHomePenalty1"), "");
        // Time put on a blank clock starts from zero, not from where its engine ran to.
        key(a);
        QCOMPARE(shown("tledHomePenalty1"), "1:30");

        // A typed time, stopped, within 9:59.
        for (int code : {49, 190, 52, 53, 13})
            key(code);
        QVERIFY(!running("tkHomePenalty1"));
        QCOMPARE(shown("tledHomePenalty1"), "1:45");
    }

    void expiredPenaltyBlanksItself()
    {
        auto *display = timeDisplay("tledVisitorPenalty2");
        for (int code : {48, 190, 48, 50, 13}) // 0.02
            emit display->KeyDown(code, 0);
        QCOMPARE(shown("tledVisitorPenalty2"), "0:02");
        int sepTimeKey = settings().SepTimeKey;
        emit display->KeyDown(sepTimeKey, 0);
        advance(2000);
        QCOMPARE(shown("tledVisitorPenalty2"), "0:00");
        advance(900);
        QCOMPARE(shown("tledVisitorPenalty2"), "0:00");
        advance(200);
        QCOMPARE(shown("tledVisitorPenalty2"), "");
        QVERIFY(running("tkVisitorPenalty2"));
        advance(5000);
        QCOMPARE(shown("tledVisitorPenalty2"), "");
    }
};

QTEST_MAIN(TestFrmScoreboard)
#include "tst_frmscoreboard.moc"
