#pragma once

#include <QString>

// The name the operator sees for a virtual-key code. The table doubles as the list of keys that
// may be assigned to a command at all: a code without a name (empty text) can never be chosen.
QString KeyCodeToStr(int keyCode);
