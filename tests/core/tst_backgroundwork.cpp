#include "backgroundwork.h"

#include <QMutex>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

class tst_BackgroundWork final : public QObject
{
    Q_OBJECT

private slots:
    // Tasks given from anywhere run one at a time, in order, on one thread that is not the
    // board's, below the board's priority.
    void runsTasksOneAtATimeBelowTheBoard()
    {
        QMutex lock;
        QList<int> order;
        QSet<QThread *> threads;
        QList<int> niceness;
        std::atomic<int> running = 0;
        std::atomic<int> mostAtOnce = 0;
        std::atomic<int> done = 0;
        constexpr int tasks = 4;
        for (int task = 0; task < tasks; ++task) {
            BackgroundWork::start([&, task] {
                mostAtOnce = std::max(mostAtOnce.load(), ++running);
                QThread::msleep(20); // long enough for a second thread to start beside it
                const QMutexLocker locked(&lock);
                order.append(task);
                threads.insert(QThread::currentThread());
#ifdef Q_OS_LINUX
                niceness.append(getpriority(PRIO_PROCESS, gettid()));
#endif
                --running;
                ++done;
            });
        }
        QTRY_COMPARE(done.load(), tasks);

        const QMutexLocker locked(&lock);
        QCOMPARE(order, QList<int>({0, 1, 2, 3}));
        QCOMPARE(mostAtOnce.load(), 1);
        QCOMPARE(threads.size(), 1);
        QVERIFY(!threads.contains(QThread::currentThread()));
#ifdef Q_OS_LINUX
        // Ten steps of nice value below the board, as far as the lowest priority (19) allows.
        const int board = getpriority(PRIO_PROCESS, gettid());
        for (int nice : std::as_const(niceness))
            QCOMPARE(nice, std::min(board + 10, 19));
#endif
    }

    // A quit waits for the task under way, not for those still waiting behind it.
    void quitFinishesOnlyTheTaskUnderWay()
    {
        std::atomic<bool> started = false, finished = false;
        std::atomic<int> laterRan = 0;
        BackgroundWork::start([&] {
            started = true;
            QThread::msleep(200);
            finished = true;
        });
        for (int task = 0; task < 3; ++task)
            BackgroundWork::start([&] { ++laterRan; });
        QTRY_VERIFY(started);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
        QVERIFY(finished);
        QTest::qWait(100);
        QCOMPARE(laterRan.load(), 0);
    }
};

QTEST_MAIN(tst_BackgroundWork)
#include "tst_backgroundwork.moc"
