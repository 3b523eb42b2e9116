#pragma once

// The platform's virtual-key codes that the program names. Stored keys and every key comparison
// use these codes; a letter key's code is its capital letter's character code.
namespace VirtualKeys {

constexpr int kEnter = 13;
constexpr int kShift = 16;
constexpr int kControl = 17;
constexpr int kAlt = 18;
constexpr int kSpace = 32;
constexpr int kDelete = 46;
constexpr int kDigit0 = 48;
constexpr int kDigit9 = 57;
constexpr int kKeypad0 = 96;
constexpr int kKeypad9 = 105;
constexpr int kKeypadPlus = 107;
constexpr int kKeypadMinus = 109;
constexpr int kKeypadPoint = 110;
constexpr int kF1 = 112; // shows the help window
constexpr int kF2 = 113; // shows the Options window
constexpr int kF3 = 114;
constexpr int kF12 = 123;
constexpr int kNumLock = 144;
constexpr int kPlus = 187; // the = + key of the main block
constexpr int kMinus = 189;
constexpr int kPoint = 190;

constexpr int letter(char capital)
{
    return capital;
}

} // namespace VirtualKeys
