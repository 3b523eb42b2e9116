// F1 with an 8 MB help file: the longest gap between the board's refresh ticks from the key until
// the manual is shown and wholly laid out, how long those take and the longest single piece of
// work on the board's thread; also with Ctrl+End, and with the scroll bar dragged to the bottom,
// as soon as the manual shows, and while help, at the end of the file, is widened five times;
// with each, how late the latest tick came against its schedule and the CPU time of the board's
// thread. First the same figures for the board alone: the floor that
// the timer's own waking sets. The help file is the shipped manual's text over and over up to
// the largest size shown, written beside this program, which the build puts in a folder of its
// own. Runs on the platform given (offscreen by scripts/bench).

#include "benchstats.h"

#include "frmhelp.h"
#include "frmscoreboard.h"
#include "helplayoutpacer.h"
#include "helploader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>

#include <sys/resource.h>

using BenchStats::report;

namespace {

// Times every event the board's thread handles, to name the longest single piece of work.
class TimedApplication final : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!watching || m_depth > 0)
            return QApplication::notify(receiver, event);
        ++m_depth;
        QElapsedTimer timer;
        timer.start();
        const int type = event->type();
        // The receiver may delete itself on the event, as a one-shot timer does.
        const char *receiverClass = receiver->metaObject()->className();
        const bool result = QApplication::notify(receiver, event);
        --m_depth;
        if (timer.nsecsElapsed() > longest) {
            longest = timer.nsecsElapsed();
            longestWhat = QString::fromLatin1(receiverClass) + QStringLiteral(", event ")
                    + QString::number(type);
        }
        return result;
    }

    bool watching = false;
    qint64 longest = 0;
    QString longestWhat;

private:
    int m_depth = 0;
};

// The board's refresh ticks, timed: the longest gap between two, and how late the latest came
// against its own schedule. A precise timer's ticks are due at fixed steps from its start, so
// the schedule is the run's earliest tick and whole intervals from it; a gap over the interval
// is the later tick's lateness less the earlier's.
class TickWatch final
{
public:
    explicit TickWatch(frmScoreboard &board)
        : m_timer(board.findChild<QTimer *>("tmrClock1"))
    {
        m_ticks = QObject::connect(m_timer, &QTimer::timeout, &board, [this] {
            if (m_clock.isValid())
                m_at.append(m_clock.nsecsElapsed());
        });
    }
    ~TickWatch() { QObject::disconnect(m_ticks); }

    void start() { m_clock.start(); }
    qint64 elapsed() const { return m_clock.nsecsElapsed(); }

    double longestGapMilliseconds() const
    {
        qint64 longest = 0;
        for (qsizetype i = 1; i < m_at.size(); ++i)
            longest = std::max(longest, m_at[i] - m_at[i - 1]);
        return double(longest) / 1e6;
    }
    double latestMilliseconds() const
    {
        const qint64 interval = qint64(m_timer->interval()) * 1000000;
        qint64 schedule = std::numeric_limits<qint64>::max(), latest = 0;
        for (qsizetype i = 0; i < m_at.size(); ++i)
            schedule = std::min(schedule, m_at[i] - i * interval);
        for (qsizetype i = 0; i < m_at.size(); ++i)
            latest = std::max(latest, m_at[i] - i * interval - schedule);
        return double(latest) / 1e6;
    }

private:
    QTimer *m_timer;
    QElapsedTimer m_clock;
    QList<qint64> m_at;
    QMetaObject::Connection m_ticks;
};

// CPU time of the calling thread, user and system.
qint64 threadCpuNanoseconds()
{
    rusage usage {};
    getrusage(RUSAGE_THREAD, &usage);
    return (qint64(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000000000
            + (qint64(usage.ru_utime.tv_usec) + usage.ru_stime.tv_usec) * 1000;
}

// The floor of the gap: the board's refresh for as long as an open takes, with no help open.
void idleBoard(frmScoreboard &board)
{
    TickWatch ticks(board);
    QEventLoop loop;
    ticks.start();
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
    report("longest gap between refresh ticks, no help open, for 2 s",
           ticks.longestGapMilliseconds(), "ms");
    report("  latest refresh tick against its schedule meanwhile", ticks.latestMilliseconds(),
           "ms");
}

} // namespace

namespace {

// Opens help with F1 on the running board and reports, as gap, the longest gap between the
// board's refresh ticks from the key until the manual is wholly laid out, then the time to the
// manual shown, to it wholly laid out, and the longest single piece of work on the board's thread
// meanwhile. shown, if given, acts on the window as the manual shows.
void openHelp(TimedApplication &app, frmScoreboard &board, const QString &gap,
              const std::function<void(frmHelp *)> &shown = {})
{
    TickWatch clock(board);
    qint64 shownAt = 0, laidOut = 0, cpuAtF1 = 0, cpu = 0;
    QPointer<frmHelp> window;
    // Not the application's loop: quitting that closes the board.
    QEventLoop loop;
    QTimer::singleShot(500, &board, [&] {
        clock.start();
        cpuAtF1 = threadCpuNanoseconds();
        app.longest = 0;
        app.watching = true;
        board.AllKeyCode(112); // F1
        window = frmHelp::showHelp();
        QObject::connect(window, &frmHelp::loaded, &board, [&] {
            shownAt = clock.elapsed();
            if (shown)
                shown(window);
            auto *pacer = window->box()->document()->findChild<HelpLayoutPacer *>();
            auto *poll = new QTimer(&board);
            QObject::connect(poll, &QTimer::timeout, &board, [&, pacer, poll] {
                if (pacer && !pacer->isComplete())
                    return;
                laidOut = clock.elapsed();
                cpu = threadCpuNanoseconds() - cpuAtF1;
                poll->deleteLater();
                // One more tick after the last slice of layout.
                QTimer::singleShot(100, &loop, &QEventLoop::quit);
            });
            poll->start(100);
        });
    });
    loop.exec();
    app.watching = false;
    report(gap, clock.longestGapMilliseconds(), "ms", "<= 50 ms");
    report("  latest refresh tick against its schedule meanwhile", clock.latestMilliseconds(),
           "ms");
    report("  F1 to the manual shown", double(shownAt) / 1e6, "ms");
    report("  F1 to the manual wholly laid out", double(laidOut) / 1e6, "ms");
    report("  longest single piece of work on the board's thread meanwhile (" + app.longestWhat
                   + ")",
           double(app.longest) / 1e6, "ms");
    report("  CPU time of the board's thread from F1 to the manual wholly laid out",
           double(cpu) / 1e6, "ms");
    if (window) {
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Opens help, waits until the manual is wholly laid out, puts the view at its end and then resizes
// the window steps times, interval milliseconds apart, by turns wider and narrower by pixels and
// a little wider each time, as an operator dragging its edge would; reports, as gap, the longest
// gap between the board's refresh ticks from the first resize until the manual is wholly laid
// out again at the last width.
void resizeHelp(TimedApplication &app, frmScoreboard &board, const QString &gap, int steps,
                int interval, int pixels)
{
    QPointer<frmHelp> window = frmHelp::showHelp(&board);
    QEventLoop loop;
    const auto laidOut = [&window] {
        auto *pacer = window->box()->document()->findChild<HelpLayoutPacer *>();
        return !window->isLoading() && (!pacer || pacer->isComplete());
    };
    auto *poll = new QTimer(&board);
    QMetaObject::Connection opened = QObject::connect(poll, &QTimer::timeout, &loop, [&] {
        if (laidOut())
            loop.quit();
    });
    poll->start(100);
    loop.exec();
    QObject::disconnect(opened);
    // The box takes the text's whole height on a turn of its own once the layout is done.
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
    QScrollBar *bar = window->box()->verticalScrollBar();
    bar->setValue(bar->maximum());

    TickWatch clock(board);
    clock.start();
    app.longest = 0;
    app.watching = true;
    for (int i = 1; i <= steps; ++i) {
        QTimer::singleShot(interval * i, window, [window, i, pixels] {
            window->resize(window->width() + pixels * (i % 2 ? 1 : -1) + 2, window->height());
        });
    }
    QTimer::singleShot(interval * (steps + 1), &board, [&] {
        QObject::connect(poll, &QTimer::timeout, &loop, [&] {
            if (laidOut())
                QTimer::singleShot(100, &loop, &QEventLoop::quit);
        });
    });
    loop.exec();
    app.watching = false;
    poll->deleteLater();
    report(gap, clock.longestGapMilliseconds(), "ms", "<= 50 ms");
    report("  resizes to the manual wholly laid out again", double(clock.elapsed()) / 1e6, "ms");
    report("  longest single piece of work on the board's thread meanwhile (" + app.longestWhat
                   + ")",
           double(app.longest) / 1e6, "ms");
    report("  the view's top, in characters from the end of the manual",
           double(window->box()->document()->characterCount()
                  - window->box()->cursorForPosition(QPoint(0, 0)).position()),
           "");
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

int main(int argc, char *argv[])
{
    TimedApplication app(argc, argv);
    QFile manual(QStringLiteral(CORVANTA_MANUAL));
    if (!manual.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_help: cannot read %s\n", CORVANTA_MANUAL);
        return 1;
    }
    const QByteArray rtf = manual.readAll();
    const qsizetype bodyStart = rtf.indexOf("\\pard");
    const QByteArray body = rtf.mid(bodyStart, rtf.lastIndexOf('}') - bodyStart);
    QByteArray help = rtf.left(bodyStart);
    while (help.size() + body.size() < HelpLoader::MaxFileBytes)
        help += body;
    help += '}';
    QFile file(frmHelp::helpFilePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(help) != help.size()) {
        std::fprintf(stderr, "bench_help: cannot write %s\n", qPrintable(file.fileName()));
        return 1;
    }
    file.close();

    frmScoreboard board;
    board.resize(1920, 1080);
    board.show();
    idleBoard(board);
    openHelp(app, board, "longest gap between refresh ticks while F1 opens an 8 MB help file");
    // The operator goes to the end as soon as the manual shows: the view goes to the end of what
    // is laid out, and the layout goes on in pieces.
    openHelp(app, board, "longest gap between refresh ticks, Ctrl+End as the 8 MB help file shows",
             [](frmHelp *help) {
                 QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
                 QCoreApplication::sendEvent(help->box(), &end);
             });
    openHelp(app, board,
             "longest gap between refresh ticks, help's scroll bar dragged to the bottom as it "
             "shows",
             [](frmHelp *help) {
                 QScrollBar *bar = help->box()->verticalScrollBar();
                 bar->setSliderDown(true);
                 bar->setSliderPosition(bar->maximum());
                 bar->setSliderDown(false);
             });
    resizeHelp(app, board,
               "longest gap between refresh ticks while help, at the end of an 8 MB help file, "
               "is resized five times, 300 ms apart",
               5, 300, 40);
    resizeHelp(app, board,
               "longest gap between refresh ticks while help's edge, at the end of an 8 MB help "
               "file, is dragged for a second",
               60, 16, 8);
    QFile::remove(frmHelp::helpFilePath());
    return 0;
}
