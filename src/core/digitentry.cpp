#include "digitentry.h"

#include <QObject>
#include <QVariant>

#include <algorithm>

namespace {

constexpr int kEnter = 13;
constexpr int kSpace = 32;
constexpr int kClear = 0;
constexpr int kPlus = 43;
constexpr int kMinus = 45;
constexpr int kPoint = 46;

constexpr qint64 kTicksPerSecond = 10000;
// Large enough that no in-range entry is near it; anything bigger is simply out of range.
constexpr qint64 kSaturation = qint64(1) << 40;

bool isDigitCode(int c)
{
    return c >= '0' && c <= '9';
}

// Starts a fresh buffer when the key was typed on another display than the last one.
EntryBuffer &bufferFor(EntryBuffer &buffer, const QObject *display)
{
    const QString name = display->objectName();
    if (buffer.Owner != name) {
        buffer.Text.clear();
        buffer.Owner = name;
    }
    return buffer;
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

void commitNumber(QObject *display, EntryBuffer &buffer, qint16 min, qint16 max)
{
    ApplyNumberEntry(display, buffer.Text, min, max);
    buffer.Text.clear();
}

} // namespace

namespace DigitEntry {

EntryBuffer &TimeEntryBuffer()
{
    static EntryBuffer buffer;
    return buffer;
}

EntryBuffer &NumberEntryBuffer()
{
    static EntryBuffer buffer;
    return buffer;
}

} // namespace DigitEntry

std::optional<qint64> TimeKeyEntry(const QObject *display, int c, qint32 maxSeconds)
{
    EntryBuffer &buffer = bufferFor(DigitEntry::TimeEntryBuffer(), display);
    if (isDigitCode(c) || c == kPoint) {
        buffer.Text.append(QChar(c));
    } else if (c == kSpace) {
        buffer.Text.clear();
    } else if (c == kEnter) {
        const std::optional<qint64> time = ParseTimeEntry(buffer.Text);
        buffer.Text.clear();
        if (time && *time <= qint64(maxSeconds) * kTicksPerSecond)
            return time;
    }
    return std::nullopt;
}

std::optional<qint64> ParseTimeEntry(const QString &text)
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
    return minutes * 60 * kTicksPerSecond + seconds * kTicksPerSecond
            + tenths * (kTicksPerSecond / 10);
}

void NumberKeyEntry(QObject *display, int c, qint16 min, qint16 max)
{
    // The display's key handler has already run the key as a command; the character is not run
    // again, so a command on Enter runs once and '-' or '.' never reach Insert's or Delete's.
    EntryBuffer &buffer = bufferFor(DigitEntry::NumberEntryBuffer(), display);
    if (isDigitCode(c) || c == kPlus || c == kMinus)
        buffer.Text.append(QChar(c));
    if (c == kSpace)
        buffer.Text.clear();
    if (c == kClear)
        ApplyNumberEntry(display, QString(QChar(0)), min, max);

    const bool signed_ = buffer.Text.startsWith(u'+') || buffer.Text.startsWith(u'-');
    if (max >= 0 && max <= 9 && !signed_)
        commitNumber(display, buffer, min, max);
    if (buffer.Text.size() > 1 && signed_ && buffer.Text[1].isDigit())
        commitNumber(display, buffer, min, max);
    if (c == kEnter)
        commitNumber(display, buffer, min, max);
}

void ApplyNumberEntry(QObject *display, const QString &text, qint16 min, qint16 max)
{
    if (text.isEmpty())
        return;
    QString current = display->property("Caption").toString();
    if (leadingNumber(current) == -1)
        current = QStringLiteral("0");
    const qint64 shown = leadingNumber(current);

    qint64 result = 0;
    const QChar first = text.front();
    if (first.unicode() == 0) {
        display->setProperty("Caption", QStringLiteral("-1"));
        return;
    }
    if (first.isDigit()) {
        result = leadingNumber(text);
    } else if (first == u'+') {
        result = shown + leadingNumber(QStringView(text).mid(1));
    } else if (first == u'-') {
        result = shown - leadingNumber(QStringView(text).mid(1));
    } else {
        return;
    }
    if (result >= std::max<qint64>(min, 0) && result <= max)
        display->setProperty("Caption", QString::number(result));
}
