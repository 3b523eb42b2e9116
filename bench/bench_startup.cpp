// Start-up: from the launch of the process (the launcher passes the wall-clock time in
// nanoseconds in CORVANTA_BENCH_LAUNCH_NS) to the end of the first frame of the scoreboard
// painted and handed to the platform. The program's own start is repeated here step by step, as
// main() makes it, with "bypass"; the first frame is the end of the first window-system event
// (expose or update request) of the scoreboard's window during which the scoreboard was painted.

#include "benchstats.h"

#include "frmsplash.h"

#include <QApplication>
#include <QPointer>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace {

qint64 wallClockNanoseconds()
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

class WatchedApplication final : public QApplication
{
public:
    using QApplication::QApplication;

    qint64 firstFrame = 0;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (firstFrame != 0)
            return QApplication::notify(receiver, event);
        const QEvent::Type type = event->type();
        if (type == QEvent::Paint && receiver->objectName() == QLatin1String("frmScoreboard"))
            m_painted = true;
        const bool frameEvent = (type == QEvent::Expose || type == QEvent::UpdateRequest)
                && receiver->isWindowType();
        const bool result = QApplication::notify(receiver, event);
        if (frameEvent && m_painted) {
            firstFrame = wallClockNanoseconds();
            QMetaObject::invokeMethod(this, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return result;
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char *argv[])
{
    const qint64 launched = qgetenv("CORVANTA_BENCH_LAUNCH_NS").toLongLong();
    if (launched == 0) {
        std::fprintf(stderr,
                     "bench_startup: set CORVANTA_BENCH_LAUNCH_NS to the launch time "
                     "(date +%%s%%N)\n");
        return 2;
    }

    WatchedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    QPointer<frmSplash> splash = new frmSplash;
    if (!splash->Form_Load(QStringLiteral("bypass")))
        return 1;
    app.exec();
    std::printf("%.3f\n", double(app.firstFrame - launched) / 1e6);
    return 0;
}
