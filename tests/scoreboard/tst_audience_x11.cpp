// The audience board on an X server split into two monitors, LEFT for the operator and RIGHT for
// the projector, driven by real key presses and clicks (XTEST through xdotool). The projector is
// unplugged and plugged back with xrandr. Screenshots of the whole X screen are left in the
// test's folder.

#include "audienceboard.h"
#include "clocksource.h"
#include "frmaudience.h"
#include "frmscoreboard.h"
#include "settingsstore.h"
#include "shape.h"
#include "timekeeper.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <algorithm>

namespace {

constexpr int kF8 = 119;

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

} // namespace

class TestAudienceX11 : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    std::unique_ptr<frmScoreboard> m_board;

    frmAudience *audience() const { return m_board->findChild<AudienceBoard *>()->window(); }
    static QString shown(QWidget *board, const char *name)
    {
        return board->findChild<QWidget *>(name)->property("Text").toString();
    }
    // What both boards show on one display; the test fails where they differ.
    QString onBoth(const char *name) const
    {
        const QString operatorSees = shown(m_board.get(), name);
        return operatorSees == shown(audience(), name) ? operatorSees : QStringLiteral("differ");
    }
    void tick(qint64 milliseconds)
    {
        m_clock.advanceMilliseconds(milliseconds);
        m_board->RefreshTime();
    }
    static void type(const QStringList &keys)
    {
        QVERIFY(run("xdotool", QStringList {"key", "--delay", "20"} + keys));
    }
    static void plugProjector(bool in)
    {
        QVERIFY(in ? run("xrandr", {"--setmonitor", "RIGHT", "1280/338x720/190+1920+0", "none"})
                   : run("xrandr", {"--delmonitor", "RIGHT"}));
    }
    static void screenshot(const QString &name)
    {
        QVERIFY(run("import", {"-window", "root", name + ".png"}));
    }
    // Waits for the X server to deliver what was sent to it.
    template<typename Condition>
    static bool settle(Condition condition)
    {
        for (int i = 0; i < 150 && !condition(); ++i)
            QTest::qWait(20);
        return condition();
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb" || QGuiApplication::screens().size() != 2)
            QSKIP("needs an X server split into two monitors (tests/two-monitor-run.sh)");
        if (!run("xdotool", {"version"}))
            QSKIP("needs xdotool");
    }

    void init()
    {
        QFile::remove(settingsFileName());
        LoadSettings();
        settings().AudienceScreen = "RIGHT";
        settings().AudienceBoardKey = kF8;
        ClockSource::setCurrent(&m_clock);
        m_board = std::make_unique<frmScoreboard>();
        m_board->setGeometry(100, 100, 1200, 860);
        m_board->show();
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
        QVERIFY(audience());
        QVERIFY(QTest::qWaitForWindowExposed(audience()));
    }

    void cleanup()
    {
        m_board.reset();
        ClockSource::setCurrent(nullptr);
        if (QGuiApplication::screens().size() < 2)
            plugProjector(true);
    }

    void fillsTheChosenScreenAndLeavesTheKeyboard()
    {
        QScreen *right = audience()->screen();
        QCOMPARE(right->name(), "RIGHT");
        QCOMPARE(audience()->geometry(), QRect(1920, 0, 1280, 720));
        QVERIFY(audience()->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QCOMPARE(audience()->cursor().shape(), Qt::BlankCursor);
        // Scaled by height, centred across: the board's 9480 x 6795 twips at 720 pixels high.
        const QWidget *jam = audience()->findChild<QWidget *>("tledJam");
        QVERIFY(jam->geometry().bottom() < 720 && jam->geometry().left() > 0);
        QVERIFY(!audience()->findChild<Shape *>("shpObjectSelected")->isVisible());
        QVERIFY(m_board->findChild<Shape *>("shpObjectSelected")->isVisible());

        // A click on a display of the projector's board leaves the keyboard with the operator.
        const QPoint onJam = jam->mapToGlobal(jam->rect().center());
        QVERIFY(run("xdotool",
                    {"mousemove", QString::number(onJam.x()), QString::number(onJam.y()), "click",
                     "1"}));
        type({"j"});
        QVERIFY(settle([this] { return m_board->bout()->jamEngine()->isRunning(); }));
        QCOMPARE(QApplication::activeWindow(), m_board.get());
        QVERIFY(m_board->findChild<QWidget *>("nledHomeScore")->hasFocus());

        // Where the keyboard follows the pointer onto the projector, keys still reach the bout.
        QTest::keyClick(audience(), Qt::Key_J);
        QVERIFY(!m_board->bout()->jamEngine()->isRunning());
    }

    void keysShowOnBothBoards()
    {
        // Typed on the operator's home score: on both boards before the next tick.
        type({"1", "2", "Return"});
        QVERIFY(settle([this] { return shown(m_board.get(), "nledHomeScore") == " 12"; }));
        QCOMPARE(onBoth("nledHomeScore"), " 12");
        type({"Tab", "Tab", "Tab", "Tab", "Tab", "a", "a"});
        QVERIFY(settle([this] { return shown(m_board.get(), "tledHomePenalty1") == "3:00"; }));
        QCOMPARE(onBoth("tledHomePenalty1"), "3:00");

        // The jam key starts the clocks; one tick moves both boards.
        type({"j"});
        QVERIFY(settle([this] { return m_board->bout()->jamEngine()->isRunning(); }));
        tick(5000);
        QCOMPARE(onBoth("tledPeriod"), " 9:55");
        QCOMPARE(onBoth("tledJam"), "1:55");
        QCOMPARE(onBoth("tledHomePenalty1"), "2:55");
        QTest::qWait(100);
        screenshot("both-boards");
    }

    // The key hides the board and shows it again on its screen; an operator's board left on the
    // projector meanwhile moves off it, and keeps the keyboard.
    void keyHidesAndShowsTheBoard()
    {
        type({"F8"});
        QVERIFY(settle([this] { return !audience(); }));
        m_board->move(2000, 40);
        QVERIFY(settle([this] { return m_board->screen()->name() == "RIGHT"; }));
        type({"F8"});
        QVERIFY(settle([this] { return audience() != nullptr; }));
        QCOMPARE(audience()->screen()->name(), "RIGHT");
        QVERIFY(settle([this] { return m_board->screen()->name() == "LEFT"; }));
        QVERIFY(!m_board->frameGeometry().intersects(audience()->geometry()));
        QCOMPARE(QApplication::activeWindow(), m_board.get());

        // Help opens on the operator's screen too.
        type({"F1"});
        QWidget *help = nullptr;
        QVERIFY(settle([&help] {
            help = qobject_cast<QWidget *>(QApplication::activeWindow());
            return help && help->objectName() == "frmHelp";
        }));
        QVERIFY(!help->frameGeometry().intersects(audience()->geometry()));
        help->close();
    }

    void unpluggedProjectorClosesAndComesBack()
    {
        type({"j"});
        QVERIFY(settle([this] { return m_board->bout()->jamEngine()->isRunning(); }));
        tick(3000);
        plugProjector(false);
        QVERIFY(settle([this] { return !audience(); }));
        // The bout runs on, on the operator's board, which keeps the keyboard.
        tick(2000);
        QVERIFY(m_board->bout()->jamEngine()->isRunning());
        QCOMPARE(shown(m_board.get(), "tledJam"), "1:55");
        QVERIFY(m_board->isVisible());
        type({"s"});
        QVERIFY(settle([this] { return !m_board->bout()->periodEngine()->isRunning(); }));

        plugProjector(true);
        QVERIFY(settle([this] { return audience() != nullptr; }));
        QVERIFY(QTest::qWaitForWindowExposed(audience()));
        QCOMPARE(audience()->geometry(), QRect(1920, 0, 1280, 720));
        QCOMPARE(onBoth("tledJam"), "1:55");
        QCOMPARE(QApplication::activeWindow(), m_board.get());
    }

    void absentScreenOpensNothingQuietly()
    {
        m_board.reset();
        settings().AudienceScreen = "HDMI-9";
        QTest::failOnWarning(QRegularExpression("(?i)screen|audience|window"));
        m_board = std::make_unique<frmScoreboard>();
        m_board->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_board.get()));
        QVERIFY(!audience());
        const QWidgetList windows = QApplication::topLevelWidgets();
        QVERIFY(std::none_of(windows.begin(), windows.end(),
                             [](QWidget *w) { return w->objectName() == "frmAudience"; }));
    }
};

QTEST_MAIN(TestAudienceX11)
#include "tst_audience_x11.moc"
