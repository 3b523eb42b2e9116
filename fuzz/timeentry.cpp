// Typed clock times: the "minutes.seconds[tenths]" parser on arbitrary text, and the key-by-key
// collector on arbitrary character codes typed on two displays in turn.

#include "boutconstants.h"
#include "digitentry.h"
#include "fuzzcheck.h"

#include <QString>

namespace {

using BoutConstants::TicksPerSecond;
// 99 minutes, 99 seconds and 9 tenths: the most the entry can hold.
constexpr qint64 kLongestEntry = (99 * 60 + 99) * TicksPerSecond + 9000;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const std::optional<qint64> time = DigitEntry::parseTime(text)) {
        FUZZ_CHECK(*time >= 0 && *time <= kLongestEntry);
        // Entries resolve to tenths of a second at most.
        FUZZ_CHECK(*time % 1000 == 0);
        FUZZ_CHECK(text.size() <= 8);
    }

    // Each byte is one key: the top bit says which display it was typed on, the rest is the
    // character code, with 127 standing for "any other key" (-1).
    DigitEntry entry;
    FuzzInput input(data, size);
    const qint32 maxSeconds = input.byte() % 2 ? 599 : 5999;
    while (!input.atEnd()) {
        const uint8_t key = input.byte();
        const int c = (key & 0x7f) == 127 ? -1 : key & 0x7f;
        if (const std::optional<qint64> time = entry.typeTime(key >> 7, c, maxSeconds)) {
            FUZZ_CHECK(c == 13);
            FUZZ_CHECK(*time >= 0 && *time <= qint64(maxSeconds) * TicksPerSecond);
        }
    }
    return 0;
}
