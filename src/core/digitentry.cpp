#include "digitentry.h"

#include "boutconstants.h"

#include <QStringList>

#include <algorithm>

namespace {

constexpr int kEnter = 13;
constexpr int kSpace = 32;
constexpr int kClear = 0;
constexpr int kPlus = 43;
constexpr int kMinus = 45;
constexpr int kPoint = 46;

using BoutConstants::TicksPerSecond;
// Large enough that no in-range entry is near it, small enough that a sum with any shown number
// stays an int; anything bigger is simply out of range.
constexpr qint64 kSaturation = qint64(1) << 30;

bool isDigitCode(int c)
{
    return c >= '0' && c <= '9';
}

// The leading number of text: an optional sign, then digits up to the first other character.
// No digits read as 0; long digit runs saturate rather than overflow.
qint64 leadingNumber(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    for (; i < text.size() && text[i].isDigit() && text[i].unicode() < 128; ++i)
        value = std::min(kSaturation, value * 10 + (text[i].unicode() - '0'));
    return negative ? -value : value;
}

// What a finished number entry comes to on a display showing shown: its leading number only.
std::optional<DigitEntry::Number> parseNumber(const QString &text, int shown)
{
    if (text.isEmpty())
        return std::nullopt;
    const qint64 base = std::max(shown, 0); // a blank display counts as 0
    const QChar first = text.front();
    if (first.isDigit())
        return DigitEntry::Number {false, int(leadingNumber(text))};
    if (first == u'+')
        return DigitEntry::Number {false, int(base + leadingNumber(QStringView(text).mid(1)))};
    if (first == u'-')
        return DigitEntry::Number {false, int(base - leadingNumber(QStringView(text).mid(1)))};
    return std::nullopt;
}

} // namespace

QString &DigitEntry::Buffer::on(int display)
{
    if (owner != display) {
        text.clear();
        owner = display;
    }
    return text;
}

std::optional<qint64> DigitEntry::typeTime(int display, int c, qint32 maxSeconds)
{
    // A key that types nothing here (Shift on its way to Shift+Tab, a command's key) leaves what
    // is pending on another display: moving the selection alone throws nothing away.
    if (!isDigitCode(c) && c != kPoint && c != kSpace && c != kEnter)
        return std::nullopt;
    QString &text = m_time.on(display);
    if (isDigitCode(c) || c == kPoint) {
        text.append(QChar(c));
    } else if (c == kSpace) {
        text.clear();
    } else if (c == kEnter) {
        const std::optional<qint64> time = parseTime(text);
        text.clear();
        if (time && *time <= qint64(maxSeconds) * TicksPerSecond)
            return time;
    }
    return std::nullopt;
}

std::optional<qint64> DigitEntry::parseTime(const QString &text)
{
    // Nothing typed is no time: a stray Enter must not wipe a clock.
    if (text.isEmpty() || text.size() > 8)
        return std::nullopt;
    for (QChar ch : text) {
        if (!(ch == u'.' || (ch >= u'0' && ch <= u'9')))
            return std::nullopt;
    }
    const QStringList pieces = text.split(u'.');
    if (pieces.size() > 2)
        return std::nullopt;
    const qint64 minutes = leadingNumber(pieces[0]);
    qint64 seconds = 0;
    qint64 tenths = 0;
    if (pieces.size() == 2) {
        const QString &second = pieces[1];
        if (second.size() <= 2) {
            seconds = leadingNumber(second);
        } else {
            // A third digit is tenths; anything after it is ignored.
            seconds = leadingNumber(QStringView(second).left(2));
            tenths = leadingNumber(QStringView(second).mid(2, 1));
        }
    }
    // Seconds above 59 are allowed: "1.90" is two and a half minutes.
    if (tenths >= 10 || seconds > 99 || minutes > 99)
        return std::nullopt;
    return minutes * 60 * TicksPerSecond + seconds * TicksPerSecond
            + tenths * (TicksPerSecond / 10);
}

std::optional<DigitEntry::Number> DigitEntry::typeNumber(int display, int c, int shown, int max)
{
    // The key has already run as a command; the character is not run again, so a command on
    // Enter runs once and '-' or '.' never reach Insert's or Delete's.
    if (!isDigitCode(c) && c != kPlus && c != kMinus && c != kSpace && c != kClear && c != kEnter)
        return std::nullopt;
    QString &text = m_number.on(display);
    if (isDigitCode(c) || c == kPlus || c == kMinus)
        text.append(QChar(c));
    if (c == kSpace)
        text.clear();
    if (c == kClear)
        return Number {true, -1}; // what is pending stays so

    const bool signed_ = text.startsWith(u'+') || text.startsWith(u'-');
    const bool done = (max >= 0 && max <= 9 && !signed_)
            || (text.size() > 1 && signed_ && text[1].isDigit()) || c == kEnter;
    if (!done)
        return std::nullopt;
    const std::optional<Number> number = parseNumber(text, shown);
    text.clear();
    return number;
}
