// Typed scores and period numbers: character codes typed on two number displays in turn.
// Whatever is typed, an entry finishes only on a key that can finish one, goes blank only on the
// clear key, and never overflows into a number in range that was not typed or worked out.

#include "digitentry.h"
#include "fuzzcheck.h"

#include <QString>

#include <array>
#include <iterator>

namespace {

// Character codes the entry knows, and two it must ignore; the byte picks one.
constexpr int kCodes[]
        = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '+', '-', 13, 32, 0, -1, '.'};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    // The board's limits, scores to 999 and the period number to 9, and others.
    const uint8_t limits = input.byte();
    const int max = limits & 2 ? (limits & 4 ? 9 : 999) : input.integer<int16_t>();
    // What the two displays show, -1 blank, taking what the bout would: a number in [0, max].
    std::array<int, 2> shown {0, -1};
    DigitEntry entry;
    while (!input.atEnd()) {
        const uint8_t key = input.byte();
        const int display = key >> 7;
        const int c = kCodes[(key & 0x7f) % std::size(kCodes)];
        const std::optional<DigitEntry::Number> number
                = entry.typeNumber(display, c, shown[display], max);
        if (!number)
            continue;
        FUZZ_CHECK(number->blank == (c == 0));
        if (number->blank) {
            shown[display] = -1;
            continue;
        }
        FUZZ_CHECK((c >= '0' && c <= '9') || c == 13);
        // Sums stay far from the ends of an int, so none wraps round into range.
        FUZZ_CHECK(number->value > -(1 << 30) - 1000 && number->value < (1 << 30) + 1000);
        if (number->value >= 0 && number->value <= max)
            shown[display] = number->value;
    }
    return 0;
}
