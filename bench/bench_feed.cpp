// The live feed's cost: from a jam key press on the board to the message at a WebSocket client
// while 100 clients are connected, the clients on a thread of their own. With --hold PORT COUNT it
// only connects COUNT clients to a running program's feed and keeps them, printing "connected"
// once each has had its first message, for scripts/bench to measure the program's idle CPU;
// --free-port prints a port free on the loopback address.

#include "benchstats.h"
#include "feedclients.h"

#include "frmscoreboard.h"
#include "livefeed.h"
#include "mmcontrol.h"
#include "settings.h"
#include "settingsstore.h"
#include "silentsound.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

// One monotonic clock for both threads.
QElapsedTimer g_clock;

void waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

int hold(quint16 port, int count)
{
    FeedClients clients(&g_clock);
    clients.open(port, count);
    waitUntil([&] { return clients.ready == count; }, 10000);
    std::printf("connected %d\n", int(clients.ready));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    g_clock.start();
    const QStringList args = QApplication::arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--hold"))
        return hold(quint16(args[2].toUInt()), args[3].toInt());
    const quint16 port = freePort();
    if (args.contains(QStringLiteral("--free-port"))) {
        std::printf("%d\n", port);
        return 0;
    }
    const bool quick = args.contains(QStringLiteral("--quick"));

    MMControl::setBackendFactory([] { return std::make_unique<SilentSound>(); });
    LoadSettings();
    Settings::instance().edit([port](SettingsModel &m) { m.FeedPort = port; });

    frmScoreboard board;
    board.show();
    QCoreApplication::processEvents();
    bool listening = false;
    QObject::connect(board.feed(), &LiveFeed::listening, [&listening] { listening = true; });
    waitUntil([&] { return listening; }, 5000);

    constexpr int kClients = 100;
    QThread clientThread;
    FeedClients clients(&g_clock);
    clients.moveToThread(&clientThread);
    clientThread.start();
    QMetaObject::invokeMethod(&clients, [&clients, port] { clients.open(port, kClients); });
    waitUntil([&] { return clients.ready == kClients && clients.jamRunning == 0; }, 20000);
    if (clients.ready != kClients) {
        std::fprintf(stderr, "only %d clients connected\n", int(clients.ready));
        return 1;
    }

    QWidget *target = board.focusWidget() ? board.focusWidget() : &board;
    QList<double> latencies;
    const int presses = quick ? 30 : 100;
    for (int i = 0; i < presses; ++i) {
        const int expected = clients.jamRunning == 0 ? 1 : 0;
        QKeyEvent down(QEvent::KeyPress, Qt::Key_J, Qt::NoModifier, QStringLiteral("j"));
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_J, Qt::NoModifier, QStringLiteral("j"));
        const qint64 pressed = g_clock.nsecsElapsed();
        QCoreApplication::sendEvent(target, &down);
        QCoreApplication::sendEvent(target, &up);
        waitUntil([&] { return clients.jamRunning == expected; }, 2000);
        if (clients.jamRunning == expected)
            latencies.append(double(clients.arrivedNs - pressed) / 1e6);
        // Between presses the board ticks on as it does, a clock running every other time.
        pause(120);
    }
    clientThread.quit();
    clientThread.wait();

    const QString with
            = QStringLiteral(" with %1 WebSocket clients, %2 presses").arg(kClients).arg(presses);
    BenchStats::report(QStringLiteral("feed: jam key to message at a client, median") + with,
                       BenchStats::median(latencies), QStringLiteral("ms"),
                       QStringLiteral("<= 5 ms"));
    BenchStats::report(QStringLiteral("feed: jam key to message at a client, max") + with,
                       BenchStats::percentile(latencies, 1.0), QStringLiteral("ms"),
                       QStringLiteral("<= 50 ms"));
    if (latencies.size() != presses)
        std::printf("feed: %lld of %d presses never reached the client\n",
                    qsizetype(presses - latencies.size()), presses);
    return 0;
}
