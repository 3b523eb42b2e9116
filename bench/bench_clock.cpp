// Clock truth. First with a replaced time source: three simulated hours of refresh ticks, every
// running engine compared at every tick with the reference worked out from the time given. Then
// with the real monotonic clock, the real refresh timer and the bout's own: how late after zero
// the period and jam clocks, started by their commands, are stopped and their sounds started.

#include "benchstats.h"

#include "bout.h"
#include "clocksource.h"
#include "frmscoreboard.h"
#include "mmcontrol.h"
#include "settingsstore.h"
#include "soundbackend.h"
#include "timekeeper.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>

#include <cmath>
#include <functional>
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

// A sound device that plays nothing but notes on the monotonic clock when each play starts.
class StartTimes final : public SoundBackend
{
public:
    bool open(const SoundFile &) override { return true; }
    bool play() override
    {
        lastStartNs = ClockSource::system()->nanoseconds();
        return true;
    }
    void stop() override { }
    void close() override { }

    qint64 lastStartNs = 0;
};
StartTimes *g_sound = nullptr;

// Nanoseconds this thread has spent ready to run but waiting for a CPU; 0 where not known.
qint64 waitedForCpuNs()
{
    QFile file(QStringLiteral("/proc/thread-self/schedstat"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() : 0;
}

struct Lateness
{
    double stoppedMs = 5000;
    double soundedMs = 5000;
    // How long the board's thread waited for a CPU from the start to the stop: the share of a
    // late stop that is the machine's load rather than the board.
    double waitedMs = 0;
};

// Starts the clock with its command and waits, in the event loop, for the board to stop it and
// start its sound. Returns how many milliseconds after its zero each happened.
Lateness lateness(Bout &bout, TimeKeeper *engine, qint64 runTicks,
                  const std::function<void()> &start)
{
    ClockSource *clock = ClockSource::system();
    // Read before the start, so the figures err on the late side by the microseconds between.
    const qint64 zero = clock->nanoseconds() + runTicks * kNanosecondsPerTick;
    const qint64 soundBefore = g_sound->lastStartNs;
    const qint64 waitedBefore = waitedForCpuNs();
    qint64 stopped = 0;
    QEventLoop loop;
    const auto connection
            = QObject::connect(engine, &TimeKeeper::runningChanged, &loop, [&](bool running) {
                  if (!running)
                      stopped = clock->nanoseconds();
              });
    // The sound starts in the same call as the stop, after it.
    const auto sounded = QObject::connect(&bout, &Bout::soundWanted, &loop, &QEventLoop::quit,
                                          Qt::QueuedConnection);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    start();
    loop.exec();
    QObject::disconnect(connection);
    QObject::disconnect(sounded);
    Lateness late;
    late.waitedMs = double(waitedForCpuNs() - waitedBefore) / 1e6;
    if (stopped != 0)
        late.stoppedMs = double(stopped - zero) / 1e6;
    if (g_sound->lastStartNs != soundBefore)
        late.soundedMs = double(g_sound->lastStartNs - zero) / 1e6;
    return late;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvanta"));
    const bool quick = QApplication::arguments().contains(QStringLiteral("--quick"));

    MMControl::setBackendFactory([] {
        auto sound = std::make_unique<StartTimes>();
        g_sound = sound.get();
        return sound;
    });
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
    auto *bout = board.findChild<Bout *>(QStringLiteral("bout"));
    TimeKeeper *period = bout->periodEngine();
    TimeKeeper *jam = bout->jamEngine();
    const int expiries = quick ? 40 : 100;
    QList<double> periodLate, jamLate, periodSoundLate, buzzerLate, waited;
    for (int i = 0; i < expiries; ++i) {
        // 100 to 150 ms to run, so that zero falls anywhere between two refresh ticks.
        const qint64 runTicks = 1000 + random.bounded(500);
        // In the game flow a period that runs out leads to halftime and at last to the final,
        // where no jam starts: each expiry is measured on a new bout.
        bout->newBout();
        if (i % 2 == 0) {
            // A jam runs out while the period runs on.
            bout->setPeriodTime(3600 * kTicksPerSecond);
            bout->startStopPeriod();
            // Given its time once started: in the game flow a jam starts from its reset value.
            const Lateness late = lateness(*bout, jam, runTicks, [bout, runTicks] {
                bout->startStopJam();
                bout->setJamTime(runTicks);
            });
            jamLate.append(late.stoppedMs);
            waited.append(late.waitedMs);
            buzzerLate.append(late.soundedMs);
            bout->startStopPeriod();
        } else {
            bout->setPeriodTime(runTicks);
            const Lateness late
                    = lateness(*bout, period, runTicks, [bout] { bout->startStopPeriod(); });
            periodLate.append(late.stoppedMs);
            waited.append(late.waitedMs);
            periodSoundLate.append(late.soundedMs);
        }
    }
    const QString target = QStringLiteral("<= 5 ms");
    report("period stopped after zero, median", BenchStats::median(periodLate), "ms");
    report("period stopped after zero, max", BenchStats::percentile(periodLate, 1.0), "ms", target);
    report("jam stopped after zero, median", BenchStats::median(jamLate), "ms");
    report("jam stopped after zero, max", BenchStats::percentile(jamLate, 1.0), "ms", target);
    report("end-of-period sound started after zero, median", BenchStats::median(periodSoundLate),
           "ms");
    report("end-of-period sound started after zero, max",
           BenchStats::percentile(periodSoundLate, 1.0), "ms", target);
    report("end-of-jam buzzer started after zero, median", BenchStats::median(buzzerLate), "ms");
    report("end-of-jam buzzer started after zero, max", BenchStats::percentile(buzzerLate, 1.0),
           "ms", target);
    report("longest wait of the board for a CPU during one expiry (the machine's load)",
           BenchStats::percentile(waited, 1.0), "ms");
    report("expiries measured", expiries, "");
    return 0;
}
