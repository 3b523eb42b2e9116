// Stored text converted to the model's integers, with arbitrary limits: a strict conversion
// lies within its limits, and a lenient one agrees with it wherever the strict one succeeds.

#include "settingsconversion.h"
#include "fuzzcheck.h"

#include <QString>

#include <utility>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    // The limits the store uses (16- and 32-bit fields) or any others.
    const uint8_t choice = input.byte();
    qint64 min = 0;
    qint64 max = 0;
    switch (choice % 4) {
    case 0:
        min = std::numeric_limits<qint16>::min();
        max = std::numeric_limits<qint16>::max();
        break;
    case 1:
        min = std::numeric_limits<qint32>::min();
        max = std::numeric_limits<qint32>::max();
        break;
    case 2:
        min = input.integer<int16_t>();
        max = input.integer<int16_t>();
        break;
    default:
        min = input.integer<int64_t>();
        max = input.integer<int64_t>();
        break;
    }
    // The store never asks for an empty range.
    if (min > max)
        std::swap(min, max);
    const QString text = QString::fromUtf8(input.rest(), qsizetype(input.remaining()));

    const std::optional<qint64> strict = SettingsConversion::strictInteger(text, min, max);
    if (strict)
        FUZZ_CHECK(*strict >= min && *strict <= max);
    const qint64 lenient = SettingsConversion::lenientInteger(text, min, max);
    // Text without a number reads as 0, whatever the limits.
    FUZZ_CHECK(lenient == 0 || (lenient >= min && lenient <= max));
    if (strict)
        FUZZ_CHECK(lenient == *strict);
    return 0;
}
