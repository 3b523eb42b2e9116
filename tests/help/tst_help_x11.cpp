// The help window on a real X server, opened and used with real key presses and clicks (XTEST
// through xdotool) while the board runs a jam.

#include "clocksource.h"
#include "frmhelp.h"
#include "frmscoreboard.h"
#include "settingsstore.h"
#include "timekeeper.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QTextEdit>

class TestHelpX11 : public QObject
{
    Q_OBJECT

private:
    ManualClockSource m_clock;
    std::unique_ptr<frmScoreboard> m_board;

    static void xdotool(const QStringList &arguments)
    {
        QProcess xdotool;
        xdotool.start("xdotool", arguments);
        if (!xdotool.waitForFinished(10000) || xdotool.exitCode() != 0)
            QTest::qFail(qPrintable("xdotool " + arguments.join(' ')), __FILE__, __LINE__);
    }
    static void type(const QStringList &keys)
    {
        xdotool(QStringList {"key", "--delay", "20"} + keys);
    }
    static frmHelp *help()
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *help = qobject_cast<frmHelp *>(window); help && help->isVisible())
                return help;
        }
        return nullptr;
    }
    bool jamRunning() const { return m_board->bout()->jamEngine()->isRunning(); }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server");
        if (QProcess::execute("xdotool", {"version"}) != 0)
            QSKIP("needs xdotool");
    }

    void init()
    {
        QFile::remove(settingsFileName());
        LoadSettings();
        ClockSource::setCurrent(&m_clock);
        m_board = std::make_unique<frmScoreboard>();
        m_board->setGeometry(40, 40, 900, 650);
        m_board->show();
        m_board->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_board.get()));
    }

    void cleanup()
    {
        m_board.reset();
        ClockSource::setCurrent(nullptr);
    }

    // F1 shows help beside the running board, which keeps the keys; a click gives them to help,
    // where Escape closes it.
    void helpLeavesTheKeysWithTheBoard()
    {
        type({"F1"});
        QTRY_VERIFY(help());
        QPointer<frmHelp> shown = help();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        // Beside the board, where the screen has room for it, rather than over its displays.
        QVERIFY(!shown->frameGeometry().intersects(m_board->frameGeometry()));
        type({"j"});
        QTRY_VERIFY(jamRunning());
        QCOMPARE(QApplication::activeWindow(), m_board.get());

        // F1 again brings the same window forward, and the next key still reaches the board.
        type({"F1", "j"});
        QTRY_VERIFY(!jamRunning());
        QCOMPARE(help(), shown.data());
        QCOMPARE(QApplication::activeWindow(), m_board.get());

        // The operator clicks into help to read on; the keys then go there, and Escape closes it.
        const QPoint inside = shown->box()->geometry().center();
        xdotool({"mousemove", "--window", QString::number(shown->winId()),
                 QString::number(inside.x()), QString::number(inside.y()), "click", "1"});
        QTRY_COMPARE(QApplication::activeWindow(), shown.data());
        type({"j", "Escape"});
        QTRY_VERIFY(shown.isNull());
        QVERIFY(!jamRunning());
        QVERIFY(m_board->isVisible());
    }
};

QTEST_MAIN(TestHelpX11)
#include "tst_help_x11.moc"
