#include "backgroundwork.h"

#include <QCoreApplication>
#include <QThreadPool>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

QThreadPool &worker()
{
    static QThreadPool pool;
    static const bool prepared = [] {
        pool.setMaxThreadCount(1);
        if (QCoreApplication *application = QCoreApplication::instance())
            QObject::connect(application, &QCoreApplication::aboutToQuit, &pool, [] {
                // Nobody is left to see what the waiting tasks would make, and a closed board
                // whose process stays to decode a queue of large pictures holds its data folder
                // from the next start.
                pool.clear();
                pool.waitForDone();
            });
        qAddPostRoutine([] {
            pool.clear();
            pool.waitForDone();
        });
        return true;
    }();
    Q_UNUSED(prepared);
    return pool;
}

} // namespace

namespace BackgroundWork {

void start(std::function<void()> task)
{
    worker().start([task = std::move(task)] {
#ifdef Q_OS_LINUX
        // The board's thread comes first whenever both want the processor; Qt's thread
        // priorities do not reach an ordinary Linux thread, its nice value does. The worker's
        // thread starts at the board's nice value and raises it by ten once, up to 19.
        thread_local const bool lowered = [] {
            const pid_t thread = gettid();
            return setpriority(PRIO_PROCESS, thread, getpriority(PRIO_PROCESS, thread) + 10) == 0;
        }();
        Q_UNUSED(lowered);
#endif
        task();
    });
}

} // namespace BackgroundWork
