#include "settingsconversion.h"

#include <QLocale>

#include <cmath>

namespace SettingsConversion {

namespace {

// Rounds to the nearest integer with ties to the even one, as the store's readers always have.
double roundHalfEven(double value)
{
    return value - std::floor(value) == 0.5 ? 2.0 * std::round(value / 2.0) : std::round(value);
}

// 2^63: the first double above every qint64. Limits near it do not convert to double exactly, so
// the range is checked on the integer.
constexpr double kInt64End = 9223372036854775808.0;

std::optional<qint64> toInt64(double rounded)
{
    if (!(rounded >= -kInt64End && rounded < kInt64End))
        return std::nullopt;
    return qint64(rounded);
}

std::optional<qint64> fitted(double value, qint64 min, qint64 max)
{
    const std::optional<qint64> rounded = toInt64(roundHalfEven(value));
    if (!rounded || *rounded < min || *rounded > max)
        return std::nullopt;
    return rounded;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Length of the decimal number (sign, digits, fraction, exponent) at the start of text.
qsizetype numberPrefixLength(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype digitsStart = i;
    while (i < n && isDigit(text[i]))
        ++i;
    qsizetype mantissaDigits = i - digitsStart;
    if (i < n && text[i] == u'.') {
        const qsizetype fractionStart = ++i;
        while (i < n && isDigit(text[i]))
            ++i;
        mantissaDigits += i - fractionStart;
    }
    if (mantissaDigits == 0)
        return 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

} // namespace

std::optional<qint64> strictInteger(const QString &text, qint64 min, qint64 max)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || numberPrefixLength(trimmed) != trimmed.size())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok)
        return std::nullopt;
    return fitted(value, min, max);
}

qint64 lenientInteger(const QString &text, qint64 min, qint64 max)
{
    const QString trimmed = text.trimmed();
    const qsizetype length = numberPrefixLength(trimmed);
    if (length == 0)
        return 0;
    bool ok = false;
    double value = QLocale::c().toDouble(trimmed.left(length), &ok);
    if (!ok || std::isnan(value))
        return 0;
    const double clamped
            = std::clamp(roundHalfEven(value), -kInt64End, std::nextafter(kInt64End, 0.0));
    return std::clamp(qint64(clamped), min, max);
}

} // namespace SettingsConversion

GameRules gameRules(const SettingsModel &model)
{
    using BoutConstants::TicksPerSecond;
    const GameRules defaults;
    const auto within = [](qint64 value, qint64 low, qint64 high, qint64 fallback) {
        return value >= low && value <= high ? value : fallback;
    };
    const auto seconds = [&within](qint16 value, qint64 fallbackTicks) {
        return within(value, 1, BoutConstants::PeriodLimitSeconds, fallbackTicks / TicksPerSecond)
                * TicksPerSecond;
    };
    GameRules rules;
    rules.on = model.GameFlow;
    rules.lineupTicks = seconds(model.LineupSeconds, defaults.lineupTicks);
    rules.teamTimeoutTicks = seconds(model.TeamTimeoutSeconds, defaults.teamTimeoutTicks);
    rules.halftimeTicks = seconds(model.HalftimeSeconds, defaults.halftimeTicks);
    rules.teamTimeouts
            = int(within(model.TeamTimeouts, 0, BoutConstants::CountLimit, defaults.teamTimeouts));
    rules.officialReviews = int(
            within(model.OfficialReviews, 0, BoutConstants::CountLimit, defaults.officialReviews));
    rules.periods
            = int(within(model.Periods, 1, BoutConstants::PeriodNumberLimit, defaults.periods));
    return rules;
}
