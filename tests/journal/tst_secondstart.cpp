// A second start of the real program on the same settings and data folders, beside a running
// board on the test's own X server: it ends, hands the keyboard back to the board and leaves the
// bout journal as it was.

#include "realboardtest.h"

#include <csignal>

class TestSecondStart : public RealBoardTest
{
    Q_OBJECT

private slots:
    // A second start on the same folders ends, with the running board brought to the keyboard,
    // and leaves its journal as it was; a board killed leaves nothing that stops the next.
    void oneBoardPerDataFolder()
    {
        start({});
        type(HomeScore, "7");
        m_numbers[BoutState::HomeScore] = 7;
        waitForRecord([&](const BoutState &s) { return s.numbers == m_numbers; });
        const QVariantList before = row();
        const QString root = xdotool({"search", "--maxdepth", "0", "--name", ""});
        for (const QStringList &arguments : {QStringList {"bypass"}, QStringList {}}) {
            xdotool({"windowfocus", "--sync", root});
            QProcess second;
            second.start(m_program, arguments);
            QVERIFY(second.waitForFinished(30000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QVERIFY(second.exitCode() != 0);
            QVERIFY(second.readAllStandardError().contains("Corvanta is already running."));
            QTRY_COMPARE(xdotool({"getwindowfocus"}), m_window);
            QCOMPARE(row(), before);
            QCOMPARE(m_board.state(), QProcess::Running);
        }
        // The Options window open over the board keeps the keyboard.
        xdotool({"key", "F2"});
        const QString options
                = xdotool({"search", "--sync", "--onlyvisible", "--name", "^Options$"});
        xdotool({"windowfocus", "--sync", root});
        QProcess second;
        second.start(m_program, {"bypass"});
        QVERIFY(second.waitForFinished(30000));
        QTRY_COMPARE(xdotool({"getwindowfocus"}), options);

        // A board that does not answer (stopped): the second start says it in a message of its
        // own, which goes by itself.
        ::kill(pid_t(m_board.processId()), SIGSTOP);
        second.start(m_program, {"bypass"});
        QVERIFY(second.waitForStarted());
        QVERIFY(!xdotool({"search", "--sync", "--all", "--onlyvisible", "--pid",
                          QString::number(second.processId()), "--name", "^Corvanta$"})
                         .isEmpty());
        QVERIFY(second.waitForFinished(30000));
        QVERIFY(second.exitCode() != 0);
        ::kill(pid_t(m_board.processId()), SIGCONT);

        kill();
        const BoutState last = *latest();
        start(last);
        QCOMPARE(latest()->numbers, m_numbers);
    }
};

QTEST_GUILESS_MAIN(TestSecondStart)
#include "tst_secondstart.moc"
