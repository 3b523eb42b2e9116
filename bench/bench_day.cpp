// The tournament day's two helpers for scripts/bench-day.
//
//   bench_day --clients PORT COUNT
//       connects COUNT WebSocket clients to a running program's live feed and keeps them, printing
//       "connected N" once each has had its first message; once the program has ended and every
//       client is dropped, prints each client's messages and when the first was dropped.
//   bench_day --report TRACE MEMORY SECONDS
//       the figures of the run from the board's trace (CORVANTA_TRACE) and the memory samples
//       ("SECONDS KB" lines), for its first and its last SECONDS, and the last/first ratio.

#include "benchstats.h"
#include "feedclients.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeySequence>
#include <QMap>
#include <QTimer>

#include <cstdio>

namespace {

// The New Bout key scripts/bench-day sets.
constexpr int kNewBoutKey = Qt::Key_N;

int clients(quint16 port, int count)
{
    QElapsedTimer clock;
    clock.start();
    FeedClients feed(&clock);
    feed.open(port, count);
    qint64 firstDropMs = -1;
    bool told = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!told && feed.ready == count) {
            told = true;
            std::printf("connected %d\n", count);
            std::fflush(stdout);
        }
        if (firstDropMs < 0 && feed.dropped > 0)
            firstDropMs = clock.elapsed();
        if (feed.dropped < count && (told || clock.elapsed() < 20000))
            return;
        qint64 fewest = -1;
        qint64 most = 0;
        for (qint64 messages : feed.messages) {
            fewest = fewest < 0 ? messages : std::min(fewest, messages);
            most = std::max(most, messages);
        }
        std::printf("messages per client: %lld to %lld\n", fewest, most);
        std::printf("first client dropped after %.1f s, all after %.1f s\n",
                    double(firstDropMs) / 1000, double(clock.elapsed()) / 1000);
        QCoreApplication::quit();
    });
    poll.start(100);
    return QCoreApplication::exec();
}

struct Window
{
    QList<double> handler, late, paint, shown, memory;
    int keys = 0, quiet = 0;
};

QString percent(double last, double first)
{
    return first > 0 ? QString::number(last / first, 'f', 2) : QStringLiteral("n/a");
}

// The first and last figures and their ratio, which holds to the target where there is one.
void compare(const QString &name, double first, double last, const QString &unit,
             const QString &span, bool target = true)
{
    BenchStats::report(name + QStringLiteral(", first ") + span, first, unit);
    BenchStats::report(name + QStringLiteral(", last ") + span, last, unit);
    const QString ratio = QStringLiteral("%1: last/first %2%3")
                                  .arg(name, percent(last, first),
                                       target ? QStringLiteral(" (target <= 1.1)") : QString());
    std::printf("%s\n", qPrintable(ratio));
}

double mean(const QList<double> &samples)
{
    double sum = 0;
    for (double sample : samples)
        sum += sample;
    return samples.isEmpty() ? 0 : sum / double(samples.size());
}

int report(const QString &traceFile, const QString &memoryFile, double seconds)
{
    QFile trace(traceFile);
    QFile memory(memoryFile);
    if (!trace.open(QIODevice::ReadOnly) || !memory.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s or %s\n", qPrintable(traceFile),
                     qPrintable(memoryFile));
        return 1;
    }
    struct Line
    {
        char kind;
        qint64 at, a, b;
    };
    QList<Line> lines;
    qint64 firstTick = -1, lastTick = -1;
    while (!trace.atEnd()) {
        const QList<QByteArray> fields = trace.readLine().trimmed().split(' ');
        if (fields.size() < 2 || fields[0].size() != 1)
            continue;
        const Line line {fields[0][0], fields[1].toLongLong(), fields.value(2).toLongLong(),
                         fields.value(3).toLongLong()};
        // The New Bout key shows its question, not the board: it is no key to the board's pixels.
        if ((line.kind == 'k' && line.b == kNewBoutKey)
            || (line.kind == 'n' && line.a == kNewBoutKey))
            continue;
        if (line.kind == 't') {
            firstTick = firstTick < 0 ? line.at : firstTick;
            lastTick = line.at;
        }
        lines.append(line);
    }
    const qint64 span = qint64(seconds * 1e6);
    Window first, last;
    for (const Line &line : lines) {
        for (Window *window : {&first, &last}) {
            const bool in
                    = window == &first ? line.at < firstTick + span : line.at > lastTick - span;
            if (!in)
                continue;
            if (line.kind == 't') {
                window->late.append(double(line.a) / 1000);
                window->handler.append(double(line.b) / 1000);
            } else if (line.kind == 'p') {
                window->paint.append(double(line.a) / 1000);
            } else if (line.kind == 'k') {
                window->shown.append(double(line.a) / 1000);
                ++window->keys;
            } else if (line.kind == 'n') {
                ++window->quiet;
            }
        }
    }
    QList<std::pair<double, double>> samples;
    while (!memory.atEnd()) {
        const QList<QByteArray> fields = memory.readLine().trimmed().split(' ');
        if (fields.size() == 2)
            samples.append({fields[0].toDouble(), fields[1].toDouble() / 1024});
    }
    for (const auto &[at, mb] : samples) {
        if (at < samples.first().first + seconds)
            first.memory.append(mb);
        if (at > samples.last().first - seconds)
            last.memory.append(mb);
    }

    const QString within = QStringLiteral("%1 min").arg(seconds / 60, 0, 'g', 3);
    std::printf("run: %.1f min of ticks; first %s: %lld ticks, %d keys shown, %d showing nothing"
                " of their own; last %s: %lld ticks, %d keys shown, %d showing nothing\n",
                double(lastTick - firstTick) / 6e7, qPrintable(within), first.handler.size(),
                first.keys, first.quiet, qPrintable(within), last.handler.size(), last.keys,
                last.quiet);
    const QString ms = QStringLiteral("ms");
    compare(QStringLiteral("refresh tick handler p99"), BenchStats::percentile(first.handler, 0.99),
            BenchStats::percentile(last.handler, 0.99), ms, within);
    compare(QStringLiteral("refresh tick lateness against its 50 ms schedule p99"),
            BenchStats::percentile(first.late, 0.99), BenchStats::percentile(last.late, 0.99), ms,
            within);
    compare(QStringLiteral("board paint p99"), BenchStats::percentile(first.paint, 0.99),
            BenchStats::percentile(last.paint, 0.99), ms, within, false);
    compare(QStringLiteral("key to pixels p99"), BenchStats::percentile(first.shown, 0.99),
            BenchStats::percentile(last.shown, 0.99), ms, within);
    compare(QStringLiteral("resident memory, mean of 10 s samples"), mean(first.memory),
            mean(last.memory), QStringLiteral("MB"), within);
    double latest = 0;
    double longest = 0;
    for (const Line &line : lines) {
        if (line.kind == 't')
            latest = std::max(latest, double(line.a) / 1000);
        else if (line.kind == 'p')
            longest = std::max(longest, double(line.a) / 1000);
    }
    BenchStats::report(QStringLiteral("refresh tick lateness, worst of the run"), latest, ms);
    BenchStats::report(QStringLiteral("board paint, longest of the run"), longest, ms);

    // The slowest keys of the run, named, and those that showed nothing of their own.
    QList<const Line *> keys;
    QMap<QString, int> quiet;
    for (const Line &line : lines) {
        if (line.kind == 'k')
            keys.append(&line);
        else if (line.kind == 'n')
            ++quiet[QKeySequence(int(line.a)).toString()];
    }
    std::sort(keys.begin(), keys.end(), [](const Line *a, const Line *b) { return a->a > b->a; });
    QStringList slowest;
    for (const Line *key : keys.mid(0, 5))
        slowest.append(QStringLiteral("%1 %2 ms")
                               .arg(QKeySequence(int(key->b)).toString(),
                                    QString::number(double(key->a) / 1000, 'f', 1)));
    std::printf("slowest keys to pixels: %s\n", qPrintable(slowest.join(QStringLiteral(", "))));
    QStringList nothing;
    for (auto it = quiet.cbegin(); it != quiet.cend(); ++it)
        nothing.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
    std::printf("keys that showed nothing of their own before the next tick: %s\n",
                qPrintable(nothing.join(QStringLiteral(", "))));

    // The last key of the trace is the last the bench pressed, once the keys had stopped.
    const auto lastKey = std::find_if(lines.crbegin(), lines.crend(), [](const Line &line) {
        return line.kind == 'k' || line.kind == 'n';
    });
    if (lastKey != lines.crend() && lastKey->kind == 'k')
        BenchStats::report(QStringLiteral("still responsive at the end: the last key shown after"),
                           double(lastKey->a) / 1000, ms);
    else
        std::printf("still responsive at the end: NO, the last key showed nothing\n");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--clients"))
        return clients(quint16(args[2].toUInt()), args[3].toInt());
    if (args.size() == 5 && args[1] == QLatin1String("--report"))
        return report(args[2], args[3], args[4].toDouble());
    std::fprintf(stderr, "usage: bench_day --clients PORT COUNT | --report TRACE MEMORY SECONDS\n");
    return 2;
}
