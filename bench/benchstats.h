#pragma once

#include <QList>
#include <QString>

// Figures as the benchmarks print them, and the order statistics they are taken from.
namespace BenchStats {

// The value below which the given fraction (0 to 1) of the samples lie, nearest rank.
double percentile(QList<double> samples, double fraction);
double median(const QList<double> &samples);

// One line on standard output: "name: value unit (target ...)"; an empty target prints none.
void report(const QString &name, double value, const QString &unit, const QString &target = {});

} // namespace BenchStats
