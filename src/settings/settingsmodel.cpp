#include "settingsmodel.h"

SettingsModel &settings()
{
    static SettingsModel model;
    return model;
}
