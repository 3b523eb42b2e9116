// Typed clock times: the "minutes.seconds[tenths]" parser on arbitrary text, and the key-by-key
// collector on arbitrary character codes typed on two displays in turn.

#include "digitentry.h"
#include "fuzzcheck.h"

#include <QCoreApplication>
#include <QObject>
#include <QString>

namespace {

constexpr qint64 kTicksPerSecond = 10000;
// 99 minutes, 99 seconds and 9 tenths: the most the entry can hold.
constexpr qint64 kLongestEntry = (99 * 60 + 99) * kTicksPerSecond + 9000;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const std::optional<qint64> time = ParseTimeEntry(text)) {
        FUZZ_CHECK(*time >= 0 && *time <= kLongestEntry);
        // Entries resolve to tenths of a second at most.
        FUZZ_CHECK(*time % 1000 == 0);
        FUZZ_CHECK(text.size() <= 8);
    }

    // Each byte is one key: the top bit says which display it was typed on, the rest is the
    // character code, with 127 standing for "any other key" (-1).
    QObject jam;
    jam.setObjectName(QStringLiteral("tledJam"));
    QObject period;
    period.setObjectName(QStringLiteral("tledPeriod"));
    DigitEntry::TimeEntryBuffer() = {};
    FuzzInput input(data, size);
    const qint32 maxSeconds = input.byte() % 2 ? 599 : 5999;
    while (!input.atEnd()) {
        const uint8_t key = input.byte();
        const int c = (key & 0x7f) == 127 ? -1 : key & 0x7f;
        const QObject *display = key & 0x80 ? &period : &jam;
        if (const std::optional<qint64> time = TimeKeyEntry(display, c, maxSeconds)) {
            FUZZ_CHECK(c == 13);
            FUZZ_CHECK(*time >= 0 && *time <= qint64(maxSeconds) * kTicksPerSecond);
        }
        FUZZ_CHECK(DigitEntry::TimeEntryBuffer().Owner == display->objectName());
    }
    return 0;
}
