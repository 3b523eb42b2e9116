// Clock truth. First with a replaced time source: three simulated hours of refresh ticks, every
// running engine compared at every tick with the reference worked out from the time given. Then
// with the real monotonic clock and the real refresh timer: how late after zero the period and
// jam engines are stopped.

#include "benchstats.h"

#include "clocksource.h"
#include "frmscoreboard.h"
#include "mmcontrol.h"
#include "settingsstore.h"
#include "silentsound.h"
#include "timekeeper.h"

#include <QApplication>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

#include <cmath>
#include <memory>

using BenchStats::report;

namespace {

constexpr qint64 kTicksPerSecond = BoutConstants::TicksPerSecond;
constexpr qint64 kNanosecondsPerTick = 1000000000 / kTicksPerSecond;

// Largest difference, in seconds, between any engine's Seconds and the reference over a run of
// the given steps (nanoseconds each, drawn by step()).
template<typename Step>
double simulatedRun(frmScoreboard &board, qint64 runNanoseconds, Step step)
{
    ManualClockSource clock(123456789);
    ClockSource::setCurrent(&clock);
    const qint64 startTicks = 4 * 3600 * kTicksPerSecond;
    const QList<TimeKeeper *> engines = board.findChildren<TimeKeeper *>();
    for (TimeKeeper *engine : engines) {
        engine->setTicks(startTicks);
        engine->setRunning(true);
    }
    double worst = 0;
    for (qint64 elapsed = 0; elapsed < runNanoseconds;) {
        const qint64 ns = step();
        clock.advance(ns);
        elapsed += ns;
        board.RefreshTime();
        const double reference
                = double(startTicks - elapsed / kNanosecondsPerTick) / kTicksPerSecond;
        for (TimeKeeper *engine : engines)
            worst = std::max(worst, std::abs(engine->seconds() - reference));
    }
    for (TimeKeeper *engine : engines)
        engine->setRunning(false);
    ClockSource::setCurrent(nullptr);
    return worst;
}

// Starts the engine with the given time to run and waits, in the event loop, for the board to
// stop it. Returns how many milliseconds after its zero that happened.
double lateness(TimeKeeper *engine, qint64 runTicks)
{
    ClockSource *clock = ClockSource::system();
    engine->setTicks(runTicks);
    // Read before the start, so the figure errs on the late side by the microseconds between.
    const qint64 zero = clock->nanoseconds() + runTicks * kNanosecondsPerTick;
    qint64 stopped = 0;
    QEventLoop loop;
    const auto connection
            = QObject::connect(engine, &TimeKeeper::runningChanged, &loop, [&](bool running) {
                  if (!running) {
                      stopped = clock->nanoseconds();
                      loop.quit();
                  }
              });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    engine->setRunning(true);
    loop.exec();
    QObject::disconnect(connection);
    if (stopped == 0)
        return 5000;
    return double(stopped - zero) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    const bool quick = QApplication::arguments().contains(QStringLiteral("--quick"));

    MMControl::setBackendFactory([] { return std::make_unique<SilentSound>(); });
    LoadSettings();
    frmScoreboard board;

    constexpr qint64 threeHours = 3LL * 3600 * 1000000000;
    report("clock truth, simulated 3 h of 50 ms ticks, largest error",
           1000 * simulatedRun(board, threeHours, [] { return qint64(50000000); }), "ms", "0");
    QRandomGenerator random(8);
    report("clock truth, simulated 3 h of irregular ticks (40-60 ms, any ns), largest error",
           1000
                   * simulatedRun(
                           board, threeHours,
                           [&random] { return qint64(40000000 + random.bounded(20000001)); }),
           "ms", "0");

    // The real clock and timer, with the board shown and painting as in a bout.
    board.resize(1920, 1080);
    board.show();
    QCoreApplication::processEvents();
    auto *period = board.findChild<TimeKeeper *>("tkPeriod");
    auto *jam = board.findChild<TimeKeeper *>("tkJam");
    const int expiries = quick ? 20 : 100;
    QList<double> periodLate, jamLate;
    for (int i = 0; i < expiries; ++i) {
        // 100 to 150 ms to run, so that zero falls anywhere between two refresh ticks.
        const qint64 runTicks = 1000 + random.bounded(500);
        if (i % 2 == 0) {
            // A jam runs out while the period runs on.
            period->setTicks(3600 * kTicksPerSecond);
            period->setRunning(true);
            jamLate.append(lateness(jam, runTicks));
            period->setRunning(false);
        } else {
            periodLate.append(lateness(period, runTicks));
        }
    }
    report("period stopped after zero, median", BenchStats::median(periodLate), "ms");
    report("period stopped after zero, max", BenchStats::percentile(periodLate, 1.0), "ms",
           "<= 50 ms");
    report("jam stopped after zero, median", BenchStats::median(jamLate), "ms");
    report("jam stopped after zero, max", BenchStats::percentile(jamLate, 1.0), "ms", "<= 50 ms");
    report("expiries measured", expiries, "");
    return 0;
}
