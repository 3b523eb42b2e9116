// A second start of the real program on the same settings and data folders, beside a running
// board on the test's own X server: it ends, hands the keyboard back to the board and leaves the
// bout journal as it was.

#include "realboardtest.h"

#include <xcb/xcb.h>

#include <csignal>

namespace {

// The requests to activate a window that reach the root window, read as a window manager reads
// them: "<window> <format> <source>" each, the source 2 for a pager's or taskbar's request.
class ActivationRequests
{
public:
    ActivationRequests()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
                m_connection, xcb_intern_atom(m_connection, 0, 18, "_NET_ACTIVE_WINDOW"), nullptr);
        m_atom = atom ? atom->atom : XCB_NONE;
        free(atom);
    }
    ~ActivationRequests() { xcb_disconnect(m_connection); }

    QStringList seen()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            const auto *message = reinterpret_cast<const xcb_client_message_event_t *>(event);
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && message->type == m_atom)
                m_seen << QStringLiteral("%1 %2 %3")
                                  .arg(message->window)
                                  .arg(message->format)
                                  .arg(message->data.data32[0]);
            free(event);
        }
        return m_seen;
    }

private:
    xcb_connection_t *m_connection;
    xcb_atom_t m_atom = XCB_NONE;
    QStringList m_seen;
};

} // namespace

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
            ActivationRequests requests;
            QProcess second;
            second.start(m_program, arguments);
            QVERIFY(second.waitForFinished(30000));
            QCOMPARE(second.exitStatus(), QProcess::NormalExit);
            QVERIFY(second.exitCode() != 0);
            QVERIFY(second.readAllStandardError().contains("Corvanta is already running."));
            QTRY_COMPARE(xdotool({"getwindowfocus"}), m_window);
            // Asked for as a taskbar asks, so that a window manager hands it over at once.
            QTRY_VERIFY2(requests.seen().contains(m_window + " 32 2"),
                         qPrintable(requests.seen().join(", ")));
            QCOMPARE(row(), before);
            QCOMPARE(m_board.state(), QProcess::Running);
        }
        // The Options window open over the board keeps the keyboard.
        xdotool({"key", "F2"});
        const QString options
                = xdotool({"search", "--sync", "--onlyvisible", "--name", "^Options$"});
        xdotool({"windowfocus", "--sync", root});
        ActivationRequests requests;
        QProcess second;
        second.start(m_program, {"bypass"});
        QVERIFY(second.waitForFinished(30000));
        QTRY_COMPARE(xdotool({"getwindowfocus"}), options);
        QTRY_VERIFY(requests.seen().contains(options + " 32 2"));

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
