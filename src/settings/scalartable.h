#pragma once

#include "settingsmodel.h"

#include <array>
#include <variant>

// A setting that is neither one of the nine colours nor a command's key: where it is stored, the
// model field it fills and its default, written as the store holds it. The field's type says how
// it is stored: a text quoted as it is; an int16 as a number; a check box (bool) as "1" or "0",
// read on only when the number that starts the stored text is 1; the NumLock mode as its number.
struct ScalarSetting
{
    using Field = std::variant<QString SettingsModel::*, qint16 SettingsModel::*,
                               quint16 SettingsModel::*, bool SettingsModel::*,
                               NumLockMode SettingsModel::*>;

    const char *section;
    const char *settingsKey;
    Field field;
    const char *defaultText;
    // The default is the file of that name in the program's folder.
    bool inProgramFolder = false;
    // Written so whatever the model holds: IsKeyCode marks the keys as virtual-key codes.
    const char *writtenAs = nullptr;
    // A number outside [low, high] (when high > low), as a hand edit may leave it, reads as the
    // default.
    qint32 low = 0;
    qint32 high = 0;
};

using ScalarTable = std::array<ScalarSetting, 26>;

// Every such setting, in the order the store writes them within each section.
const ScalarTable &scalarTable();

// The sections of the store in the order they are read and written: each holds its colours, then
// its commands' keys, then its other settings. The first four are those every version knows.
const std::array<const char *, 8> &settingsSections();
