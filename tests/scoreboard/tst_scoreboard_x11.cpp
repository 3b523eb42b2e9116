// The scoreboard on a real X server, driven by real key presses (XTEST through xdotool), the way
// an operator's keyboard reaches it.

#include "clocksource.h"
#include "frmhelp.h"
#include "frmscoreboard.h"
#include "keyboardsymbols.h"
#include "mmcontrol.h"
#include "numberled.h"
#include "numlock.h"
#include "settings.h"
#include "settingsstore.h"
#include "soundserver.h"
#include "timekeeper.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

class TestScoreboardX11 : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    SoundServer m_sound;
    bool m_soundStarted = false;
    std::unique_ptr<frmScoreboard> m_board;

    // What xdotool printed; it fails the test if xdotool fails.
    static QString xdotool(const QStringList &arguments)
    {
        QProcess xdotool;
        xdotool.start("xdotool", arguments);
        if (!xdotool.waitForFinished(10000) || xdotool.exitCode() != 0)
            QTest::qFail(qPrintable("xdotool " + arguments.join(' ')), __FILE__, __LINE__);
        return QString::fromLatin1(xdotool.readAllStandardOutput()).trimmed();
    }
    // Real key presses: letters, digits, Tab and Return only; xdotool would toggle NumLock
    // itself for keypad keys.
    static void type(const QStringList &keys)
    {
        xdotool(QStringList {"key", "--delay", "20"} + keys);
    }
    // A real click at a point of the board, in its own pixels.
    void click(QPoint at) const
    {
        xdotool({"mousemove", "--window", QString::number(m_board->winId()),
                 QString::number(at.x()), QString::number(at.y()), "click", "1"});
    }
    // The window the X server shows uppermost at a point of the screen.
    static WId windowAt(QPoint at)
    {
        const QString place = xdotool({"mousemove", QString::number(at.x()),
                                       QString::number(at.y()), "getmouselocation", "--shell"});
        return QRegularExpression("WINDOW=(\\d+)").match(place).captured(1).toULongLong();
    }
    // The real program started with bypass: its board's window, empty when it does not show.
    static QString startProgram(QProcess &program, const QProcessEnvironment &environment)
    {
        program.setProcessEnvironment(environment);
        program.start(CORVANTA_PROGRAM, {"bypass"});
        if (!program.waitForStarted())
            return {};
        return xdotool({"search", "--sync", "--all", "--onlyvisible", "--pid",
                        QString::number(program.processId())})
                .section('\n', 0, 0);
    }
    QString shown(const char *name) const
    {
        return m_board->findChild<QWidget *>(name)->property("Text").toString();
    }
    bool running(const char *name) const
    {
        return m_board->findChild<TimeKeeper *>(name)->isRunning();
    }
    static frmHelp *help()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *help = qobject_cast<frmHelp *>(window); help && help->isVisible())
                return help;
        }
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server");
        if (QProcess::execute("xdotool", {"version"}) != 0)
            QSKIP("needs xdotool");
        KeyboardSymbols::install();
        // A sound server of the test's own, named before any board opens its sound.
        m_soundStarted = m_sound.start();
        if (m_soundStarted)
            qputenv("PULSE_SERVER", m_sound.address().toLocal8Bit());
    }

    void init()
    {
        QFile::remove(settingsFileName());
        LoadSettings();
        ClockSource::setCurrent(&m_clock);
        m_board = std::make_unique<frmScoreboard>();
        m_board->show();
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
    }

    void cleanup()
    {
        m_board.reset();
        ClockSource::setCurrent(nullptr);
    }

    void keysRunTheClocksAndTypeScoreAndPenalty()
    {
        // The home score has the focus from the start. Clicks on the background and on a label
        // leave the focus and the frame on it: the digits typed after them still reach it.
        auto *score = m_board->findChild<NumberLED *>("nledHomeScore");
        QWidget *frame = m_board->findChild<QWidget *>("shpObjectSelected");
        type({"1", "2", "Return"});
        QTRY_COMPARE(score->Caption(), "12");
        click({3, 3});
        click({m_board->width() - 3, m_board->height() - 3});
        click(m_board->findChild<QWidget *>("Label1")->geometry().center());
        type({"5", "Return"});
        QTRY_COMPARE(score->Caption(), "5");
        const QRect framed = frame->geometry();
        QVERIFY(frame->isVisible() && framed.contains(score->geometry()));

        // Tab on through the displays to the first home penalty clock; its keys and the clock keys.
        type({"Tab", "Tab", "Tab", "Tab", "Tab"});
        type({"a", "a"});
        QTRY_COMPARE(shown("tledHomePenalty1"), "3:00");
        type({"j"});
        QTRY_VERIFY(running("tkJam") && running("tkPeriod"));
        type({"s"});
        QTRY_VERIFY(!running("tkPeriod") && !running("tkJam"));

        // Tab goes round the nine displays only: from the last one back to the first, and
        // Shift+Tab from the first to the last.
        type({"Tab", "Tab", "Tab", "Tab"});
        QTRY_VERIFY(score->hasFocus());
        QCOMPARE(frame->geometry(), framed);
        type({"shift+Tab"});
        QTRY_VERIFY(m_board->findChild<QWidget *>("tledVisitorPenalty2")->hasFocus());

        // The operator's NumLock press is undone when the key comes up, in the keep modes only.
        Settings::instance().edit([&](SettingsModel &m) { m.NumLockForce = NumLockMode::Normal; });
        QVERIFY(SetNumLock(false));
        m_board->AllKeyUp(144, 0);
        QCOMPARE(NumLockState(), std::optional<bool>(false));
        Settings::instance().edit([&](SettingsModel &m) { m.NumLockForce = NumLockMode::KeepOn; });
        m_board->AllKeyUp(144, 0);
        QCOMPARE(NumLockState(), std::optional<bool>(true));
        Settings::instance().edit([&](SettingsModel &m) { m.NumLockForce = NumLockMode::KeepOff; });
        m_board->AllKeyUp(74, 0);
        QCOMPARE(NumLockState(), std::optional<bool>(true));
        m_board->AllKeyUp(144, 0);
        QCOMPARE(NumLockState(), std::optional<bool>(false));
    }

    // The number row types its digits on every layout, whatever symbol a key types unshifted,
    // and no other key types one. A key is the same key shifted or not, and a letter of a layout
    // without Latin letters is the key where it lies.
    void keysOnOtherLayouts()
    {
        if (QProcess::execute("setxkbmap", {"fr"}) != 0)
            QSKIP("needs setxkbmap");
        const auto us = qScopeGuard([] { QProcess::execute("setxkbmap", {"us"}); });
        auto *score = m_board->findChild<NumberLED *>("nledHomeScore");
        // French: the 1, 2 and 0 keys type &, é and à unshifted; *, !, ) and % lie on keys of
        // their own.
        type({"ampersand", "eacute", "agrave", "Return"});
        QTRY_COMPARE(score->Caption(), "120");
        type({"ampersand", "asterisk", "exclam", "parenright", "percent", "Return"});
        QTRY_COMPARE(score->Caption(), "1");
        // : and / share a key, which the jam clock's key is set to; ; is another key.
        Settings::instance().edit([](SettingsModel &m) { m.StartStopJamClockKey = 191; });
        type({"slash"});
        QTRY_VERIFY(running("tkJam"));
        type({"semicolon"});
        type({"colon"});
        QTRY_VERIFY(!running("tkJam"));
        // German: Shift+0 is =, Shift+6 is &; # and @ lie elsewhere.
        QCOMPARE(QProcess::execute("setxkbmap", {"de"}), 0);
        type({"equal", "ampersand", "numbersign", "at", "Return"});
        QTRY_COMPARE(score->Caption(), "6");
        // Programmer Dvorak: 1 is Shift on the fifth key of the row, 7 on the second; the first
        // has & and % and no digit.
        QCOMPARE(QProcess::execute("setxkbmap", {"us", "-variant", "dvp"}), 0);
        type({"1", "7", "ampersand", "Return"});
        QTRY_COMPARE(score->Caption(), "17");
        // US International: Shift+6 is a dead ^, on the 6 key all the same.
        QCOMPARE(QProcess::execute("setxkbmap", {"us", "-variant", "intl"}), 0);
        type({"1", "dead_circumflex", "Return"});
        QTRY_COMPARE(score->Caption(), "16");
        // Russian: the J key types о.
        Settings::instance().edit([](SettingsModel &m) { m.StartStopJamClockKey = 'J'; });
        QCOMPARE(QProcess::execute("setxkbmap", {"ru"}), 0);
        type({"Cyrillic_o"});
        QTRY_VERIFY(running("tkJam"));

        // Three and four layouts at once: each group reads its own layout's symbols, as the key
        // right of P types them (X's own mapping lists a third layout after the first two's
        // AltGr levels).
        // Unshifted and shifted, "-" where it is no ASCII symbol.
        const auto rightOfP = [](quint32 group) {
            const auto symbols = KeyboardSymbols::ofKey(35, group << 13);
            QString shown;
            for (const char symbol : {symbols->unshifted, symbols->shifted})
                shown += symbol ? QChar(symbol) : QChar('-');
            return shown;
        };
        QCOMPARE(QProcess::execute("setxkbmap", {"-layout", "us,fr,de"}), 0);
        QTRY_COMPARE(rightOfP(2), "+*");
        QCOMPARE(rightOfP(0), "]}");
        QCOMPARE(rightOfP(1), "$-");
        QCOMPARE(QProcess::execute("setxkbmap", {"-layout", "us,fr,gb,de"}), 0);
        QTRY_COMPARE(rightOfP(3), "+*");
        QCOMPARE(rightOfP(2), "]}");
    }

    void buzzerOnItsOwnSoundServer()
    {
        if (!m_soundStarted)
            QSKIP("cannot start a PulseAudio server");
        // Real time from here: the play ends when the sound has been heard.
        ClockSource::setCurrent(nullptr);
        m_board = std::make_unique<frmScoreboard>();
        m_board->show();
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));

        type({"b"});
        QTRY_VERIFY(m_board->BuzzerPlaying());
        QTRY_COMPARE(m_sound.streams(), 1);
        // A second press during the play is dropped: no second stream.
        type({"b"});
        QCOMPARE(m_sound.streams(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!m_board->BuzzerPlaying(), 5000);
        QTRY_COMPARE(m_sound.streams(), 0);
    }

    void programIconAndDestroyedWindow()
    {
        // The real program, whose window another client destroys, asked to trace its timing.
        QTemporaryDir dir;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("CORVANTA_TRACE", dir.filePath("trace"));
        QProcess program;
        const QString window = startProgram(program, environment);
        QVERIFY(!window.isEmpty());
        // The window carries the program's icon (set as the program gets going: looked for again
        // until it shows).
        const auto icon = [&window] {
            QProcess xprop;
            xprop.start("xprop", {"-id", window, "_NET_WM_ICON"});
            return xprop.waitForFinished(10000)
                    && xprop.readAllStandardOutput().contains("Icon (16 x 16)");
        };
        QTRY_VERIFY(icon());

        xdotool({"windowclose", window});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // Its ticks and paints, written out as it ended.
        QFile trace(dir.filePath("trace"));
        QVERIFY(trace.open(QIODevice::ReadOnly));
        QVERIFY(QRegularExpression("^[tp] \\d+ \\d+", QRegularExpression::MultilineOption)
                        .match(trace.readAll())
                        .hasMatch());
    }

    // A screen smaller than the board's design, as a large desktop scale makes it, shows the
    // whole board, in its proportions.
    void wholeBoardOnASmallScreen()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_SCALE_FACTOR", "4");
        QProcess program;
        const QString window = startProgram(program, environment);
        QVERIFY(!window.isEmpty());
        QMap<QString, int> shape;
        for (const QString &line : xdotool({"getwindowgeometry", "--shell", window}).split('\n'))
            shape[line.section('=', 0, 0)] = line.section('=', 1).toInt();
        const QRect placed(shape["X"], shape["Y"], shape["WIDTH"], shape["HEIGHT"]);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY2(screen.contains(placed),
                 qPrintable(QString("%1,%2 %3x%4")
                                    .arg(placed.x())
                                    .arg(placed.y())
                                    .arg(placed.width())
                                    .arg(placed.height())));
        QVERIFY(qAbs(double(placed.width()) / placed.height() - 632.0 / 453) < 0.02);
        xdotool({"windowclose", window});
        QVERIFY(program.waitForFinished(10000));
    }

    // F1 shows help beside the running board, which keeps the keys; a click gives them to help,
    // where Escape closes it.
    // The New Bout question answered by Escape or by its No: the keys are the board's again,
    // wherever the pointer is.
    void keysBackAfterTheNewBoutQuestion()
    {
        Settings::instance().edit([](SettingsModel &m) { m.NewBoutKey = 'N'; });
        auto *score = m_board->findChild<NumberLED *>("nledHomeScore");
        xdotool({"mousemove", "0", "0"});
        for (const char *answer : {"Escape", "n"}) {
            // The question is answered from within its own loop, by real keys too, once it has
            // the keyboard; one that never gets it is closed, and the test fails.
            bool asked = false;
            int looks = 0;
            QTimer answering;
            connect(&answering, &QTimer::timeout, this, [&] {
                QWidget *question = QApplication::activeModalWidget();
                if (asked || !question)
                    return;
                if (QApplication::activeWindow() == question) {
                    asked = true;
                    type({answer});
                } else if (++looks > 200) {
                    question->close();
                }
            });
            answering.start(50);
            type({"n"});
            QTRY_VERIFY(looks > 200 || (asked && !QApplication::activeModalWidget()));
            QVERIFY(asked);
            type({"4", "Return"});
            QTRY_COMPARE(score->Caption(), "4");
            type({"0", "Return"});
            QTRY_COMPARE(score->Caption(), "0");
        }
    }

    void helpLeavesTheKeysWithTheBoard()
    {
        // Room beside the board for help.
        m_board->setGeometry(40, 40, 900, 650);
        QTRY_COMPARE(m_board->geometry().topLeft(), QPoint(40, 40));
        type({"F1"});
        QTRY_VERIFY(help());
        QPointer<frmHelp> shown = help();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        // Beside the board, where the screen has room for it, rather than over its displays.
        QVERIFY(!shown->frameGeometry().intersects(m_board->frameGeometry()));
        type({"j"});
        QTRY_VERIFY(running("tkJam"));
        QCOMPARE(QApplication::activeWindow(), m_board.get());

        // F1 again brings the same window forward; the board moved onto it, beside the board
        // again rather than over its clocks. The next key still reaches the board.
        const QPoint middle = shown->frameGeometry().center();
        m_board->move(middle - m_board->rect().center());
        m_board->raise();
        QTRY_COMPARE(windowAt(middle), m_board->winId());
        type({"F1", "j"});
        QTRY_VERIFY(!running("tkJam"));
        QCOMPARE(help(), shown.data());
        QTRY_VERIFY(!shown->frameGeometry().intersects(m_board->frameGeometry()));
        QTRY_COMPARE(windowAt(shown->frameGeometry().center()), shown->winId());
        QCOMPARE(QApplication::activeWindow(), m_board.get());

        // The operator clicks into help to read on; the keys then go there, and Escape closes it.
        const QPoint inside = shown->box()->geometry().center();
        xdotool({"mousemove", "--window", QString::number(shown->winId()),
                 QString::number(inside.x()), QString::number(inside.y()), "click", "1"});
        QTRY_COMPARE(QApplication::activeWindow(), shown.data());
        type({"j", "Escape"});
        QTRY_VERIFY(shown.isNull());
        QVERIFY(!running("tkJam"));
        QVERIFY(m_board->isVisible());
        // With no window manager here, the keys went where the pointer is.
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));

        // With the board at the right of the screen, help opens right beside it on its left,
        // level with its middle.
        const QRect screen = m_board->screen()->availableGeometry();
        m_board->setGeometry(screen.right() - 940, 40, 900, 650);
        QTRY_COMPARE(m_board->geometry().topLeft(), QPoint(screen.right() - 940, 40));
        type({"F1"});
        QTRY_VERIFY(help());
        shown = help();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        QVERIFY(!shown->frameGeometry().intersects(m_board->frameGeometry()));
        QCOMPARE(shown->frameGeometry().right() + 1, m_board->frameGeometry().left());
        QVERIFY(qAbs(shown->frameGeometry().center().y() - m_board->frameGeometry().center().y())
                <= 1);
        shown->close();
        QTRY_VERIFY(shown.isNull());

        // With as much room on either side, right beside it on its right.
        m_board->setGeometry(screen.left() + (screen.width() - 900) / 2, 40, 900, 650);
        QTRY_COMPARE(m_board->frameGeometry().left() - screen.left(),
                     screen.right() - m_board->frameGeometry().right());
        type({"F1"});
        QTRY_VERIFY(help());
        shown = help();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        QCOMPARE(shown->frameGeometry().left(), m_board->frameGeometry().right() + 1);
        QVERIFY(screen.contains(shown->frameGeometry()));
        shown->close();
        QTRY_VERIFY(shown.isNull());

        // Opened beside the start-up window, where the board then opens: F1 brings it beside
        // the board.
        QWidget startUp;
        startUp.setGeometry(m_board->geometry().center().x() - 200, 200, 400, 200);
        startUp.show();
        QVERIFY(QTest::qWaitForWindowExposed(&startUp));
        shown = frmHelp::showHelp(&startUp);
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        QTRY_VERIFY(shown->frameGeometry().intersects(m_board->frameGeometry()));
        startUp.close();
        // A board shown over it, as the first one is, puts it beside itself.
        const QRect place = m_board->geometry();
        m_board.reset();
        QVERIFY(shown->isVisible());
        m_board = std::make_unique<frmScoreboard>();
        m_board->setGeometry(place);
        m_board->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
        QTRY_VERIFY(!shown->frameGeometry().intersects(m_board->frameGeometry()));
        shown->setGeometry(place.adjusted(100, 100, -100, -100));
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
        type({"F1"});
        QTRY_VERIFY(!shown->frameGeometry().intersects(m_board->frameGeometry()));
        QCOMPARE(help(), shown.data());
        shown->close();
        QTRY_VERIFY(shown.isNull());
    }

    // F2 opens Options beside the board where the screen has room, not over its displays.
    void optionsOpenBesideTheBoard()
    {
        m_board->setGeometry(40, 40, 900, 650);
        QTRY_COMPARE(m_board->geometry().topLeft(), QPoint(40, 40));
        // Options is modal: it is looked at, and closed, from within its own event loop.
        QRect placed;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&placed] {
            if (auto *options = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                placed = options->frameGeometry();
                options->reject();
            }
        });
        look.start(50);
        type({"F2"});
        QTRY_VERIFY(!placed.isNull());
        QVERIFY(!placed.intersects(m_board->frameGeometry()));
        QVERIFY(m_board->screen()->availableGeometry().contains(placed));
    }
};

QTEST_MAIN(TestScoreboardX11)
#include "tst_scoreboard_x11.moc"
