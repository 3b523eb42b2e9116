#include "keycharacter.h"

#include "virtualkeycodes.h"

using namespace VirtualKeys;

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
