// The running board's cost: one refresh tick with everything running, a full repaint at two
// window sizes in both digit styles, and a jam key press until the jam display is repainted, over
// every press from the first (CORVANTA_BENCH_EACH_PRESS=1 lists each press's time on stderr,
// CORVANTA_BENCH_EACH_RESIZE=1 each resize's first frame). The
// board is shown on the platform given (offscreen by scripts/bench), which paints into a real
// backing store; time is replaced so that every tick changes what the displays show.

#include "benchstats.h"

#include "bout.h"
#include "boutjournal.h"
#include "clocksource.h"
#include "frmscoreboard.h"
#include "mmcontrol.h"
#include "settings.h"
#include "settingsstore.h"
#include "silentsound.h"
#include "soundfile.h"
#include "timekeeper.h"
#include "timeled.h"
#include "wallclock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

using BenchStats::report;

namespace {

constexpr qint64 kTicksPerSecond = BoutConstants::TicksPerSecond;
constexpr int kResetJamKey = 82; // R

// No sound device: every play ends at once.
// Counts the paint events each widget receives.
class PaintCounter final : public QObject
{
public:
    int count(const QObject *widget) const { return m_counts.value(widget); }
    int total() const
    {
        int sum = 0;
        for (int n : m_counts)
            sum += n;
        return sum;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_counts[watched];
        return false;
    }

private:
    QHash<const QObject *, int> m_counts;
};

double milliseconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Paints what the last change made dirty, now, as the event loop would on its next turn.
void paintPending(QWidget *window)
{
    QCoreApplication::sendPostedEvents(window, QEvent::UpdateRequest);
    QCoreApplication::sendPostedEvents();
}

void setAllRunning(frmScoreboard &board)
{
    // Nine minutes: nothing runs out during the 500 s measured, every display can show the time
    // (the jam and penalty displays have one minute digit), and it changes once a second (the
    // period's tenths in its last minute). The penalty displays are shown, so that they are
    // written and painted like the clocks.
    for (int penalty = 0; penalty < Bout::PenaltyCount; ++penalty)
        board.bout()->setPenaltyTime(penalty, 0);
    for (TimeKeeper *engine : board.findChildren<TimeKeeper *>()) {
        engine->setTicks(9 * 60 * kTicksPerSecond);
        engine->setRunning(true);
    }
}

void refreshTick(frmScoreboard &board, ManualClockSource &clock, int ticks, const QString &with)
{
    board.resize(1920, 1080);
    setAllRunning(board);
    board.RefreshTime();
    paintPending(&board);

    PaintCounter paints;
    for (QWidget *widget : board.findChildren<QWidget *>())
        widget->installEventFilter(&paints);

    // Ticks come from here, not from the running timer.
    board.findChild<QTimer *>("tmrClock1")->stop();
    QList<double> samples, painting;
    samples.reserve(ticks);
    for (int i = 0; i < ticks; ++i) {
        clock.advanceMilliseconds(50);
        QElapsedTimer timer;
        timer.start();
        const int before = paints.total();
        board.RefreshTime();
        paintPending(&board);
        samples.append(milliseconds(timer));
        if (paints.total() != before)
            painting.append(samples.last());
    }
    report("refresh tick median" + with, BenchStats::median(samples), "ms", "<= 0.2 ms");
    report("refresh tick p99" + with, BenchStats::percentile(samples, 0.99), "ms");
    report("refresh tick that repaints (once a second), median" + with,
           BenchStats::median(painting), "ms");
    report("refresh tick widgets painted per tick", double(paints.total()) / ticks, "widgets");
    for (TimeKeeper *engine : board.findChildren<TimeKeeper *>())
        engine->setRunning(false);
}

// A window size the board was not shown at just before: the resize figures start from it.
QSize otherSize(QSize size)
{
    return size.width() >= 3840 ? QSize(1920, 1080) : QSize(1280, 720);
}

// From the resize to the pixels of the first frame: the window's own resize handling (the layout,
// the labels and pictures fitted anew) and the paint, whatever is rebuilt for the new size in
// either. Kept out of line, so that a profile shows it as a frame of its own.
Q_NEVER_INLINE double resizeToFirstFrame(QWidget &board, QSize size)
{
    QElapsedTimer timer;
    timer.start();
    board.resize(size);
    board.repaint();
    return milliseconds(timer);
}

void fullRepaint(frmScoreboard &board, QSize size, int ledType, int repeats, int resizes)
{
    Settings::instance().edit([ledType](SettingsModel &m) { m.LEDType = qint16(ledType); });
    const QString name = QStringLiteral("full repaint %1x%2 %3")
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(ledType == 0 ? "lines" : "dots");

    // Each time from another size, shown and painted first.
    QList<double> cold;
    for (int i = 0; i < resizes; ++i) {
        board.resize(otherSize(size));
        board.repaint();
        cold.append(resizeToFirstFrame(board, size));
        if (qEnvironmentVariableIsSet("CORVANTA_BENCH_EACH_RESIZE"))
            std::fprintf(stderr, "%s, resize %d: %.3f ms\n", qPrintable(name), i + 1, cold.last());
    }
    if (board.size() != size)
        std::fprintf(stderr, "bench_board: the window is %dx%d, not %dx%d\n", board.width(),
                     board.height(), size.width(), size.height());

    QList<double> samples;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        board.repaint();
        samples.append(milliseconds(timer));
    }
    const bool large = size.width() >= 3840;
    report(name + " median", BenchStats::median(samples), "ms", large ? "<= 4 ms" : QString());
    report(name + " max", BenchStats::percentile(samples, 1.0), "ms",
           large ? "<= 4 ms" : QString());
    report(name + " after resize, median", BenchStats::median(cold), "ms");
    report(name + " after resize, max", BenchStats::percentile(cold, 1.0), "ms",
           large ? "<= 16.7 ms" : QString());
}

void keyToPixels(frmScoreboard &board, ManualClockSource &clock, int presses, const QString &with)
{
    Settings::instance().edit([](SettingsModel &m) { m.LEDType = 0; });
    board.resize(1920, 1080);
    board.UpdateLabels();
    paintPending(&board);
    auto *jam = board.findChild<TimeLED *>("tledJam");
    PaintCounter paints;
    jam->installEventFilter(&paints);
    // Delivered where the window would deliver them: to the selected display, or to the board
    // when none has the focus (the offscreen window is never made active).
    QWidget *target = board.focusWidget() ? board.focusWidget() : &board;
    auto keyDown = [target] {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_J, Qt::NoModifier, QStringLiteral("j"));
        QCoreApplication::sendEvent(target, &down);
    };
    auto keyUp = [target] {
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_J, Qt::NoModifier, QStringLiteral("j"));
        QCoreApplication::sendEvent(target, &up);
    };

    board.findChild<QTimer *>("tmrClock1")->start();
    QList<double> samples;
    int missed = 0;
    const bool eachPress = qEnvironmentVariableIsSet("CORVANTA_BENCH_EACH_PRESS");
    for (int i = 0; i < presses; ++i) {
        // The jam key starts the jam; a second later (not yet refreshed) it stops it, and the
        // display shows the time it stopped at once it is repainted.
        keyDown();
        keyUp();
        paintPending(&board);
        clock.advanceMilliseconds(1000);
        const int before = paints.count(jam);
        QElapsedTimer timer;
        timer.start();
        keyDown();
        paintPending(&board);
        // The jam command itself writes no display; the next refresh tick does.
        while (paints.count(jam) == before && timer.elapsed() < 200)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        samples.append(milliseconds(timer));
        if (eachPress) {
            std::fprintf(stderr, "key to pixels%s, press %d (jam stopped at %s): %.3f ms\n",
                         qPrintable(with), i + 1, qPrintable(jam->Text()), samples.last());
        }
        keyUp();
        if (paints.count(jam) == before)
            ++missed;
        if (board.findChild<TimeKeeper *>("tkJam")->ticks() < 10 * kTicksPerSecond)
            board.AllKeyCode(kResetJamKey); // before the jam runs out
    }
    if (missed)
        std::fprintf(stderr, "bench_board: %d of %d jam presses painted no jam display\n", missed,
                     presses);
    report("key to pixels (jam key) median" + with, BenchStats::median(samples), "ms", "<= 2 ms");
    report("key to pixels (jam key) max" + with, BenchStats::percentile(samples, 1.0), "ms",
           "<= 2 ms");
}

// Reading a journal that holds a bout under way and working out where its clocks are now: what
// the board adds to its start when there is a bout to resume.
void resumeFromJournal(int repeats)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bout-journal.sqlite"));
    BoutState bout;
    bout.numbers = {87, 102, 2};
    bout.clocks[BoutState::Period] = {1234 * kTicksPerSecond, true};
    bout.clocks[BoutState::Jam] = {77 * kTicksPerSecond, true};
    bout.takenAtMs = WallClock::current()->msecsSinceEpoch();
    {
        BoutJournal journal(path);
        journal.open();
        journal.record(bout);
        journal.flush(10000);
    }
    QList<double> samples;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        BoutJournal journal(path);
        const BoutState resumed
                = journal.open().state.resumedAt(WallClock::current()->now(), BoutState::Rules());
        samples.append(milliseconds(timer));
        journal.record(resumed);
    }
    report("resume at start-up: journal read and clocks brought on, median",
           BenchStats::median(samples), "ms");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    const bool quick = QApplication::arguments().contains(QStringLiteral("--quick"));

    ManualClockSource clock;
    ClockSource::setCurrent(&clock);
    MMControl::setBackendFactory([] { return std::make_unique<SilentSound>(); });
    LoadSettings();

    frmScoreboard board;
    board.show();
    board.activateWindow();
    QCoreApplication::processEvents();

    // --repaint measures the repaints alone, e.g. under a profiler.
    const bool repaintOnly = QApplication::arguments().contains(QStringLiteral("--repaint"));
    if (!repaintOnly)
        refreshTick(board, clock, 10000, QString());
    for (const QSize size : {QSize(1920, 1080), QSize(3840, 2160)}) {
        for (int ledType : {0, 1})
            fullRepaint(board, size, ledType, quick ? 20 : 100, quick ? 5 : 10);
    }
    if (repaintOnly) {
        ClockSource::setCurrent(nullptr);
        return 0;
    }
    keyToPixels(board, clock, quick ? 50 : 200, QString());

    // The same board keeping its bout in a journal, as the program does, on a real file with
    // full sync in a folder of its own.
    QTemporaryDir journalFolder;
    auto *journal = new BoutJournal(journalFolder.filePath(QStringLiteral("bout-journal.sqlite")),
                                    &board);
    QList<double> onDisk;
    QObject::connect(journal, &BoutJournal::written, journal,
                     [&onDisk](qint64 nanoseconds) { onDisk.append(double(nanoseconds) / 1e6); });
    board.keepIn(journal);
    const QString with = QStringLiteral(", journal on");
    refreshTick(board, clock, 10000, with);
    keyToPixels(board, clock, quick ? 50 : 200, with);
    journal->flush(10000);
    QCoreApplication::processEvents();
    report("journal: a change on the disk after, median", BenchStats::median(onDisk), "ms");
    report("journal: a change on the disk after, max", BenchStats::percentile(onDisk, 1.0), "ms");
    resumeFromJournal(quick ? 10 : 50);

    ClockSource::setCurrent(nullptr);
    return 0;
}
