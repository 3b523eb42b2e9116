#include "ledtext.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace LedText {

namespace {

constexpr int kMaxGroupCells = 4;

qint64 largestIn(int cells)
{
    qint64 largest = 9;
    for (int i = 1; i < cells; ++i)
        largest = largest * 10 + 9;
    return largest;
}

// Leading zeros blanked, but the last cell always shows a digit.
QString rightAligned(qint64 number, int cells)
{
    return QString::number(number).rightJustified(cells, QLatin1Char(' '));
}

QString zeroPadded(qint64 number, int cells)
{
    return QString::number(number).rightJustified(cells, QLatin1Char('0'));
}

} // namespace

TimeFormat parseTimeFormat(const QString &displayFormat)
{
    return displayFormat.trimmed() == QLatin1String("1,.1") ? TimeFormat::SecondsTenths
                                                            : TimeFormat::MinutesSeconds;
}

bool parseGroups(const QString &text, Groups *groups)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return false;
    bool firstOk = false;
    bool secondOk = false;
    const int first = parts.at(0).trimmed().toInt(&firstOk);
    const int second = parts.at(1).trimmed().toInt(&secondOk);
    if (!firstOk || !secondOk)
        return false;
    groups->first = qBound(1, first, kMaxGroupCells);
    groups->second = qBound(2, second, kMaxGroupCells);
    return true;
}

QString groupsText(Groups groups)
{
    return QString::number(groups.first) + QLatin1Char(',') + QString::number(groups.second);
}

QString timeText(float value, TimeFormat format, Groups groups)
{
    if (value == -1.0f || std::isnan(value))
        return {};
    // Engines count in ten-thousandths; reading the float back at that resolution first keeps
    // 59.9f (59.900001...) and 0.7f (0.699999...) on the tenth they stand for.
    constexpr double kLargestTicks = 1e15;
    const double ticks = std::round(std::clamp(double(value), 0.0, kLargestTicks) * 10000.0);
    const auto whole = qint64(ticks) / 10000;

    if (format == TimeFormat::SecondsTenths) {
        // The tenth the clock is in, as whole seconds show the second it is in: a clock counting
        // down shows 59.9 from its first instant below a minute, and 0.0 only once it is out.
        const qint64 largest = largestIn(groups.first);
        const qint64 allTenths = (qint64(ticks) + 999) / 1000;
        qint64 seconds = allTenths / 10;
        qint64 tenths = allTenths % 10;
        if (seconds > largest) {
            seconds = largest;
            tenths = 9;
        }
        return rightAligned(seconds, groups.first) + QLatin1Char('.') + QString::number(tenths);
    }

    qint64 high = whole / 60;
    qint64 low = whole % 60;
    if (high > largestIn(groups.first)) {
        high = largestIn(groups.first);
        low = 59;
    }
    return rightAligned(high, groups.first) + QLatin1Char(':') + zeroPadded(low, groups.second);
}

QString timePattern(Groups groups)
{
    return QString(groups.first, QLatin1Char('8')) + QLatin1Char(':')
            + QString(groups.second, QLatin1Char('8'));
}

int numberCells(int max)
{
    return int(QString::number(qMax(0, max)).size());
}

QString numberText(const QString &caption, int max)
{
    bool ok = false;
    const double number = caption.trimmed().toDouble(&ok);
    if (!ok || number == -1.0 || std::isnan(number))
        return {};
    const qint64 shown = qint64(std::clamp(std::floor(number), 0.0, double(qMax(0, max))));
    return rightAligned(shown, numberCells(max));
}

} // namespace LedText
