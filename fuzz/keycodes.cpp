// Key codes: Qt keys with any modifiers turned into virtual-key codes, and codes of any value
// named for the operator.

#include "fuzzcheck.h"
#include "keycodetostr.h"
#include "virtualkeys.h"

#include <QString>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    while (!input.atEnd()) {
        const int qtKey = input.integer<int32_t>();
        const auto modifiers = Qt::KeyboardModifiers::fromInt(input.integer<int32_t>());
        const int code = VirtualKeys::fromQt(qtKey, modifiers);
        FUZZ_CHECK(code >= 0 && code <= 255);
        // Shift, Ctrl, Alt and Meta never change which key it is; only the keypad flag does.
        const auto keypad = modifiers & Qt::KeypadModifier;
        FUZZ_CHECK(VirtualKeys::fromQt(qtKey, keypad) == code);

        const QString name = KeyCodeToStr(int(int16_t(qtKey)));
        FUZZ_CHECK(name.size() <= 32);
    }
    return 0;
}
