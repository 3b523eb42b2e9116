#pragma once

// The character code typed entry takes for a key code: digits 48-57 from either row, '+' 43 and
// '-' 45 from the main block or the keypad, '.' 46 from either, Space 32, Enter 13, 0 for the
// clear key, -1 for any other key. Space and Enter win over a clear key set to them; a clear key
// set to a digit or sign key gives 0 instead.
int KeyCharacter(int keyCode, int clearKey);
