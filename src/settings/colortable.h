#pragma once

#include "settingsmodel.h"

#include <QtGlobal>

#include <array>

// One of the nine colours of the ColorSettings section: its key, the model field and the colour it
// has by default (0x00BBGGRR), which Reset Colors also gives back.
struct ColorSetting
{
    const char *settingsKey;
    qint32 SettingsModel::*field;
    qint32 defaultColor;
};

// The nine colours in the order the Options window shows them and the store writes them.
// LEDSelected's default is FormBack's; at load it takes the FormBack just loaded.
using ColorTable = std::array<ColorSetting, 9>;

const ColorTable &colorTable();
