#include "keycharacter.h"

namespace {

constexpr int kSpace = 32;
constexpr int kEnter = 13;
constexpr int kPlus = 187;
constexpr int kKeypadPlus = 107;
constexpr int kMinus = 189;
constexpr int kKeypadMinus = 109;
constexpr int kKeypad0 = 96;
constexpr int kKeypad9 = 105;
constexpr int kDigit0 = 48;
constexpr int kDigit9 = 57;
constexpr int kKeypadPoint = 110;
constexpr int kPoint = 190;

} // namespace

int KeyCharacter(int keyCode, int clearKey)
{
    if (keyCode == kSpace || keyCode == kEnter)
        return keyCode;
    if (keyCode == clearKey)
        return 0;
    if (keyCode == kPlus || keyCode == kKeypadPlus)
        return '+';
    if (keyCode == kMinus || keyCode == kKeypadMinus)
        return '-';
    if (keyCode >= kKeypad0 && keyCode <= kKeypad9)
        return keyCode - kKeypad0 + '0';
    if (keyCode >= kDigit0 && keyCode <= kDigit9)
        return keyCode;
    if (keyCode == kKeypadPoint || keyCode == kPoint)
        return '.';
    return -1;
}
