#include "benchstats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace BenchStats {

double percentile(QList<double> samples, double fraction)
{
    if (samples.isEmpty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const qsizetype rank = qsizetype(std::ceil(fraction * double(samples.size())));
    return samples.at(std::clamp<qsizetype>(rank - 1, 0, samples.size() - 1));
}

double median(const QList<double> &samples)
{
    return percentile(samples, 0.5);
}

void report(const QString &name, double value, const QString &unit, const QString &target)
{
    QString line = QStringLiteral("%1: %2 %3").arg(name, QString::number(value, 'f', 3), unit);
    if (!target.isEmpty())
        line += QStringLiteral(" (target %1)").arg(target);
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace BenchStats
