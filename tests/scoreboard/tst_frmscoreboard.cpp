// What only the window does: keys to the bout's operations, the bout to the displays, the
// selection frame, the sounds on the media control. The rules themselves are the bout's tests.

#include "bout.h"
#include "clocksource.h"
#include "frmscoreboard.h"
#include "mmcontrol.h"
#include "numberled.h"
#include "settingsstore.h"
#include "soundbackend.h"
#include "soundfile.h"
#include "timekeeper.h"
#include "timeled.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kJ = 74, kR = 82, kS = 83, kT = 84, kC = 67, kB = 66, kP = 80;
constexpr int kEnter = 13, kPoint = 190, kDelete = 46, kA = 65, kI = 73;

// Stands in for the sound device: records what the control asks of it.
class FakeSound final : public SoundBackend
{
public:
    bool open(const SoundFile &sound) override
    {
        log->append("open " + QFileInfo(sound.path()).fileName());
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
    Bout &bout() { return *m_board->bout(); }
    TimeKeeper *engine(const char *name) { return board().findChild<TimeKeeper *>(name); }
    QString shown(const char *name)
    {
        return board().findChild<QWidget *>(name)->property("Text").toString();
    }
    bool running(const char *name) { return engine(name)->isRunning(); }
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
    // Keys pressed on a selected display: typed text ('\n' is Enter), or one key code.
    void type(const char *display, const QString &text)
    {
        for (QChar ch : text)
            key(display, ch == u'\n' ? kEnter : (ch == u'.' ? kPoint : ch.unicode()));
    }
    void key(const char *display, int keyCode)
    {
        emit board().findChild<SegmentDisplay *>(display)->KeyDown(keyCode, 0);
    }

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

    void loadShowsTheBout()
    {
        QCOMPARE(shown("tledPeriod"), "10:00");
        QCOMPARE(shown("tledJam"), "2:00");
        for (const char *name :
             {"tledHomePenalty1", "tledHomePenalty2", "tledVisitorPenalty1", "tledVisitorPenalty2"})
            QCOMPARE(shown(name), "");
        QCOMPARE(board().windowTitle(), "Corvanta");
        // Everything findable by name: the engines belong to the bout, the bout to the window.
        QCOMPARE(engine("tkHomePenalty2"), bout().penaltyEngine(1));
    }

    // The period display's layout; the rounding itself is the clock readout's.
    void periodDisplay_data()
    {
        QTest::addColumn<double>("period");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a minute") << 60.0 << " 1:00";
        QTest::newRow("above 59.9 rounds up") << 59.95 << " 1:00";
        QTest::newRow("tenths from 59.9") << 59.9 << "59.9";
        QTest::newRow("tenths to zero") << 0.0001 << " 0.0";
    }

    void periodDisplay()
    {
        QFETCH(double, period);
        QFETCH(QString, shown);
        engine("tkPeriod")->setSeconds(period);
        board().RefreshTime();
        QCOMPARE(this->shown("tledPeriod"), shown);
    }

    void commandKeys()
    {
        // The clock options reach the bout as they stand.
        settings().JoinJamPenalty = 0;
        press(kJ);
        QVERIFY(running("tkPeriod") && running("tkJam") && running("tkHomePenalty1"));
        advance(1000);
        QCOMPARE(shown("tledPeriod"), " 9:59");
        press(kR);
        QCOMPARE(plays(), QStringList {"buzzer.wav"});
        QCOMPARE(shown("tledJam"), "2:00");
        finishSound();
        press(kS);
        QVERIFY(!running("tkPeriod") && !running("tkHomePenalty1"));
        press(kT);
        QCOMPARE(shown("tledPeriod"), "10:00");

        // When two settings hold one key, the earlier command wins.
        settings().StartStopPeriodClockKey = settings().StartStopJamClockKey;
        press(kJ);
        press(kJ);
        QVERIFY(!running("tkJam") && running("tkPeriod"));
    }

    void soundsOfTheBout()
    {
        // An expiry plays the buzzer; a period end held for the jam's end plays its own file.
        settings().SuppressPeriodSound = 1;
        engine("tkPeriod")->setSeconds(1);
        press(kJ);
        advance(1100);
        QVERIFY(running("tkJam") && plays().isEmpty());
        press(kS);
        QCOMPARE(plays(), QStringList {"periodendsound.wav"});
        finishSound();
        engine("tkJam")->setSeconds(0.5);
        press(kJ);
        advance(600);
        QCOMPARE(plays(), (QStringList {"periodendsound.wav", "buzzer.wav"}));
    }

    void timeOfDay()
    {
        board().setTimeOfDaySource([] { return QTime(14, 5); },
                                   QLocale(QLocale::English, QLocale::UnitedStates));
        press(kC);
        board().RefreshTime();
        QCOMPARE(shown("tledPeriod"), " 2:05");
        board().setTimeOfDaySource([] { return QTime(14, 5); }, QLocale(QLocale::German));
        board().RefreshTime();
        QCOMPARE(shown("tledPeriod"), "14:05");
        press(kC);
        QCOMPARE(shown("tledPeriod"), "10:00");
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
        // The settings change behind the board's back; F2 and Cancel must show it at once.
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
        QTest::newRow("clear key") << 46 << 46 << 0;
        QTest::newRow("clear key on space reads space") << 32 << 32 << 32;
        QTest::newRow("clear key on a digit") << 55 << 55 << 0;
        QTest::newRow("equals") << 187 << 46 << 43;
        QTest::newRow("keypad 7") << 103 << 46 << 55;
        QTest::newRow("keypad multiply") << 106 << 46 << -1;
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
        QCOMPARE(bout().homeScore(), 12);
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

    void typingReachesTheBout()
    {
        press(kJ);
        advance(2000);
        type("tledJam", "1.30\n");
        QVERIFY(running("tkJam"));
        QCOMPARE(board().JamResetValue(), 90.0);
        QCOMPARE(shown("tledJam"), "1:30");
        // An Enter with nothing typed changes nothing.
        type("tledJam", "\n");
        type("tledPeriod", "\n");
        QCOMPARE(board().JamResetValue(), 90.0);
        QVERIFY(running("tkPeriod"));
        type("tledPeriod", "20.00\n");
        QVERIFY(!running("tkPeriod"));
        QCOMPARE(board().PeriodResetValue(), 1200.0);
        QCOMPARE(shown("tledPeriod"), "20:00");
        type("nledVisitorScore", "7\n");
        QCOMPARE(bout().visitorScore(), 7);
        type("nledPeriod", "2");
        QCOMPARE(shown("nledPeriod"), "2");

        // A penalty clock's own keys; a blank one counts from zero.
        QCOMPARE(shown("tledVisitorPenalty1"), "");
        key("tledVisitorPenalty1", kA);
        QCOMPARE(shown("tledVisitorPenalty1"), "1:30");
        key("tledVisitorPenalty1", kI);
        QVERIFY(running("tkVisitorPenalty1"));
        type("tledVisitorPenalty1", "1.45\n");
        QVERIFY(!running("tkVisitorPenalty1"));
        QCOMPARE(shown("tledVisitorPenalty1"), "1:45");
        key("tledVisitorPenalty1", kDelete);
        QCOMPARE(shown("tledVisitorPenalty1"), "");
        QVERIFY(bout().isPenaltyBlank(2));
    }
};

QTEST_MAIN(TestFrmScoreboard)
#include "tst_frmscoreboard.moc"
